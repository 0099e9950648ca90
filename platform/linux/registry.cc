#include "platform/linux/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/operation_scope.h"
#include "platform/path_error.h"

namespace quorvel::platform {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// $HOME, else the user database's home folder; either only when absolute, as the base directory
// rules ask. Without one, the settings would land in whatever folder the program runs in.
std::filesystem::path HomeFolder() {
  const std::filesystem::path home = Environment("HOME");
  if (home.is_absolute()) return home;
  const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE)
    buffer.resize(buffer.size() * 2);
  if (found && found->pw_dir && found->pw_dir[0] == '/') return found->pw_dir;
  RaiseAccessError("~/.config/quorvel/user.reg", "HOME is not set and the user database names no home folder");
}
}  // namespace

std::filesystem::path HiveFileRegistry::MachineHivePath() {
  const std::string configured = Environment("QUORVEL_MACHINE_HIVE");
  return configured.empty() ? std::filesystem::path("/etc/quorvel/machine.reg") : std::filesystem::path(configured);
}

std::filesystem::path HiveFileRegistry::UserHivePath() {
  const std::string configured = Environment("QUORVEL_USER_HIVE");
  if (!configured.empty()) return configured;
  std::filesystem::path config = Environment("XDG_CONFIG_HOME");
  // The base directory rules ignore a relative XDG_CONFIG_HOME.
  if (config.empty() || config.is_relative()) config = HomeFolder() / ".config";
  return config / "quorvel" / "user.reg";
}

std::optional<TreeRegistry::Hive> HiveFileRegistry::LoadHive(HKey root) {
  if (root != kHkeyLocalMachine && root != kHkeyCurrentUser) return std::nullopt;
  Loaded& loaded = root == kHkeyLocalMachine ? machine_loaded_ : user_loaded_;
  const std::uint64_t operation = OperationScope::Current();
  {
    const std::lock_guard lock(mutex_);
    if (operation != 0 && loaded.operation == operation) return loaded.hive;
  }
  std::optional<Hive> hive = LoadHiveFile(root);
  const std::lock_guard lock(mutex_);
  loaded = {operation, *hive};
  return hive;
}

std::optional<TreeRegistry::Hive> HiveFileRegistry::LoadHiveFile(HKey root) {
  std::filesystem::path path;
  std::string_view root_name;
  if (root == kHkeyLocalMachine) {
    path = MachineHivePath();
    root_name = "HKEY_LOCAL_MACHINE";
  } else if (root == kHkeyCurrentUser) {
    path = UserHivePath();
    root_name = "HKEY_CURRENT_USER";
  } else {
    return std::nullopt;
  }
  const KeptHiveFile::Hive read = (root == kHkeyLocalMachine ? machine_hive_ : user_hive_).Read(path, root_name);
  Hive hive{read.keys, read.writable ? reg_access::kAll : reg_access::kRead};
  // The graft is the user's own preferences, so it grants all rights even where the hive file is read-only.
  if (graft_ && root == kHkeyLocalMachine && !read.keys->Find(graft_->path)) {
    if (auto grafted = graft_->keys()) {
      hive.root = Graft(read.keys, grafted);
      hive.fully_granted_path = graft_->path;
    }
  }
  return hive;
}

std::shared_ptr<const RegKey> HiveFileRegistry::Graft(const std::shared_ptr<const RegKey>& machine,
                                                      const std::shared_ptr<const RegKey>& graft) {
  const std::lock_guard lock(mutex_);
  if (grafted_.machine != machine || grafted_.graft != graft) {
    RegKey keys = *machine;  // the kept hive stays as the file has it
    keys.FindOrCreate(graft_->path) = *graft;
    grafted_ = {machine, graft, std::make_shared<const RegKey>(std::move(keys))};
  }
  return grafted_.both;
}

}  // namespace quorvel::platform
