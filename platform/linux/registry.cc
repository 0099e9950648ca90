#include "platform/linux/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/unique_fd.h"
#include "platform/path_error.h"
#include "platform/reg_file.h"
#include "quorvel/error.h"

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
  RegKey keys = ReadHiveFile(path, root_name);
  Hive hive{nullptr, HiveIsWritable(path) ? reg_access::kAll : reg_access::kRead};
  // The graft is the user's own preferences, so it grants all rights even where the hive file is read-only.
  if (graft_ && root == kHkeyLocalMachine && !keys.Find(graft_->path)) {
    if (auto grafted = graft_->keys()) {
      keys.FindOrCreate(graft_->path) = std::move(*grafted);
      hive.fully_granted_path = graft_->path;
    }
  }
  hive.root = std::make_shared<const RegKey>(std::move(keys));
  return hive;
}

RegKey ReadHiveFile(const std::filesystem::path& path, std::string_view rootName) {
  // Non-blocking, so that a FIFO in the hive's place is refused below instead of waiting for a writer.
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.valid()) {
    if (errno == ENOENT) return RegKey{};
    RaiseAccessError(path.string(), std::strerror(errno));
  }
  const int fd = file.get();
  struct stat status {};
  if (::fstat(fd, &status) != 0) RaiseAccessError(path.string(), std::strerror(errno));
  if (!S_ISREG(status.st_mode)) RaiseAccessError(path.string(), "not a regular file");
  if (static_cast<std::uintmax_t>(status.st_size) > kMaxHiveFileSize)
    RaiseAccessError(path.string(), "larger than a hive file can be");

  // Read into a string of the file's size (and a byte more, to see the end without growing it), which
  // the tree then keeps as its text. A file that grows meanwhile is read on to the limit.
  std::string bytes(static_cast<std::size_t>(status.st_size) + 1, '\0');
  std::size_t size = 0;
  for (;;) {
    if (size == bytes.size()) bytes.resize(std::min(2 * bytes.size(), kMaxHiveFileSize + 1));
    const ssize_t count = ::read(fd, bytes.data() + size, bytes.size() - size);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) RaiseAccessError(path.string(), std::strerror(errno));
    if (count == 0) break;
    size += static_cast<std::size_t>(count);
    if (size > kMaxHiveFileSize) RaiseAccessError(path.string(), "larger than a hive file can be");
  }
  bytes.resize(size);
  return ParseOwnedRegFile(std::move(bytes), rootName, path.string());
}

bool HiveIsWritable(const std::filesystem::path& path) {
  if (::access(path.c_str(), F_OK) == 0) return ::access(path.c_str(), W_OK) == 0;
  for (auto folder = path.parent_path(); !folder.empty(); folder = folder.parent_path()) {
    if (::access(folder.c_str(), F_OK) == 0) return ::access(folder.c_str(), W_OK | X_OK) == 0;
    if (folder == folder.parent_path()) break;
  }
  return false;
}

}  // namespace quorvel::platform
