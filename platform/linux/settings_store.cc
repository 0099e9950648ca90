#include "platform/linux/settings_store.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/linux/registry.h"
#include "platform/linux/unique_fd.h"
#include "platform/path_error.h"
#include "platform/reg_file.h"
#include "platform/registry.h"
#include "quorvel/error.h"

namespace quorvel::platform {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";
constexpr std::string_view kSettingsKey = "Software\\VB and VBA Program Settings";
constexpr int kNewFolderMode = 0700;
constexpr int kNewHiveMode = 0600;
// A save writes the new hive as "<hive>.saving-XXXXXX" first: a name no user gives a file, so one that
// a killed saver left behind can go without taking the user's own "user.reg.backup" with it.
constexpr std::string_view kTemporaryInfix = ".saving-";
// A temporary hive this old is a killed saver's: a live save writes its own in well under a second.
constexpr auto kLeftoverAge = std::chrono::minutes(10);

// The key holding a section's values. A name of backslashes alone names no key, so it counts as empty.
std::string SectionPath(const std::string& appName, const std::string& section, const std::string& key) {
  if (KeyPathDepth(appName) == 0 || KeyPathDepth(section) == 0 || key.empty()) {
    throw RuntimeError(error_number::kInvalidProcedureCall);
  }
  std::string path = std::string(kSettingsKey) + "\\" + appName + "\\" + section;
  // Refused before any tree holds it: a tree that deep would outgrow the stack when walked.
  if (KeyPathDepth(path) > kMaxKeyDepth) {
    throw RuntimeError(error_number::kInvalidProcedureCall,
                       "keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
  }
  return path;
}

// The file a save replaces: the hive, or the target of the link standing in its place, which replacing
// the link itself would cut off from every later save. A link to nothing is refused.
fs::path FileToReplace(const fs::path& hive) {
  std::error_code error;
  if (!fs::is_symlink(fs::symlink_status(hive, error))) return hive;
  fs::path target = fs::canonical(hive, error);
  if (error) RaiseAccessError(hive.string(), error.message());
  return target;
}

// The registry reads a hive this user may not write as read-only; a save honours that as well.
void RequireWritable(const fs::path& hive) {
  if (::access(hive.c_str(), W_OK) != 0 && errno != ENOENT) RaiseAccessError(hive.string(), std::strerror(errno));
}

bool IsTemporaryName(std::string_view name, const std::string& hiveName) {
  return name.starts_with(hiveName + std::string(kTemporaryInfix));
}

// Removes the temporary hives that savers killed while writing left behind. Only under the lock: no
// other save is writing one then. Best effort; a file that cannot go stays for a later save.
void RemoveLeftoverTemporaries(const fs::path& folder, const std::string& hiveName) {
  const auto cutoff = fs::file_time_type::clock::now() - kLeftoverAge;
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
    std::error_code ignored;
    if (IsTemporaryName(entry->path().filename().string(), hiveName) && entry->is_regular_file(ignored) &&
        !entry->is_symlink(ignored) && entry->last_write_time(ignored) < cutoff) {
      fs::remove(entry->path(), ignored);
    }
  }
}

// An exclusive flock on a file beside the hive: the hive itself is replaced by a rename, which would
// leave a lock on it behind on the old file.
// The lock is released when the returned descriptor closes.
UniqueFd LockHive(const fs::path& path) {
  UniqueFd lock(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kNewHiveMode));
  if (!lock.valid()) RaiseAccessError(path.string(), std::strerror(errno));
  while (::flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) RaiseAccessError(path.string(), std::strerror(errno));
  }
  return lock;
}

// Writes a temporary file beside the hive, syncs it and renames it over the hive, keeping the hive's
// mode, so that a crash leaves the old hive or the new one. (GLib's g_file_set_contents does the same
// under a temporary name that cannot be told from the user's own files; see kTemporaryInfix.)
void ReplaceHive(const fs::path& path, const std::string& text) {
  struct stat status {};
  const int mode = ::stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : kNewHiveMode;
  std::string temporary = path.string() + std::string(kTemporaryInfix) + "XXXXXX";
  UniqueFd file(g_mkstemp_full(temporary.data(), O_WRONLY | O_CLOEXEC, mode));
  if (!file.valid()) RaiseAccessError(path.string(), std::strerror(errno));
  const auto fail = [&](int error) {
    ::unlink(temporary.c_str());
    RaiseAccessError(path.string(), std::strerror(error));
  };
  if (::fchmod(file.get(), static_cast<mode_t>(mode)) != 0 || WriteAll(file.get(), text) != 0 || ::fsync(file.get()) != 0)
    fail(errno);
  if (const int error = file.Close()) fail(error);
  if (::rename(temporary.c_str(), path.c_str()) != 0) fail(errno);
}

// The rename survives a crash only once the folder itself is on disk.
void SyncFolder(const fs::path& folder) {
  const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid() || ::fsync(fd.get()) != 0) RaiseAccessError(folder.string(), std::strerror(errno));
}

}  // namespace

std::string HiveSettingsStore::GetSetting(const std::string& appName, const std::string& section,
                                          const std::string& key, const std::string& defaultValue) {
  const std::string path = SectionPath(appName, section, key);
  const std::shared_ptr<const RegKey> hive = user_hive_.Read(HiveFileRegistry::UserHivePath(), kRootName).keys;
  const RegKey* found = hive->Find(path);
  const std::optional<RegValueView> value = found ? found->Value(key) : std::nullopt;
  if (!value || value->type != reg_type::kString) return defaultValue;
  return std::string(value->data.begin(), std::find(value->data.begin(), value->data.end(), 0));
}

void HiveSettingsStore::SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                                    const std::string& value) {
  const std::string path = SectionPath(appName, section, key);
  const fs::path user_hive = HiveFileRegistry::UserHivePath();
  const char* text = value.c_str();
  const RegValue saved{reg_type::kString, {text, text + value.size() + 1}};
  // Every send records its route, mostly the one it recorded last time: found in the hive as last
  // read, that costs a stat. No lock is needed, as every writer replaces the hive by a rename: a file
  // that kept its identity held the value when stated, and the save takes its place at that moment.
  // Leftover temporaries then stay for the next save that writes.
  if (StoredAsSaved(user_hive, path, key, saved)) return;
  const fs::path hive_path = FileToReplace(user_hive);
  const fs::path folder = hive_path.has_parent_path() ? hive_path.parent_path() : fs::path(".");
  if (g_mkdir_with_parents(folder.c_str(), kNewFolderMode) != 0)
    RaiseAccessError(folder.string(), std::strerror(errno));
  RequireWritable(hive_path);

  const UniqueFd lock = LockHive(fs::path(hive_path) += ".lock");
  RemoveLeftoverTemporaries(folder, hive_path.filename().string());
  // Read under the lock, so a save made meanwhile by another process is kept. A malformed hive
  // raises here, and a text the reader would refuse while writing it, before anything is written.
  RegKey hive = ReadHiveFile(hive_path, kRootName);
  // A value stored meanwhile as saved needs no new hive, whose replacement waits for two syncs.
  if (const RegKey* section_key = hive.Find(path)) {
    if (const auto stored = section_key->Value(key); stored && *stored == saved) return;
  }
  hive.FindOrCreate(path).SetValue(key, saved);
  ReplaceHive(hive_path, WriteRegFile(hive, kRootName));
  SyncFolder(folder);
}

bool HiveSettingsStore::StoredAsSaved(const fs::path& hive, const std::string& path, const std::string& key,
                                      const RegValue& saved) {
  try {
    const KeptHiveFile::Hive kept = user_hive_.Read(hive, kRootName);
    const RegKey* section = kept.keys->Find(path);
    const std::optional<RegValueView> stored = section ? section->Value(key) : std::nullopt;
    return kept.writable && stored && *stored == saved;
  } catch (const AutomationError&) {
    return false;
  }
}

}  // namespace quorvel::platform
