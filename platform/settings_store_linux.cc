#include "platform/settings_store_linux.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform/glib_owners_linux.h"
#include "platform/path_error.h"
#include "platform/reg_file.h"
#include "platform/registry.h"
#include "platform/registry_linux.h"
#include "platform/unique_fd_linux.h"
#include "quorvel/error.h"

namespace quorvel::platform {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";
constexpr std::string_view kSettingsKey = "Software\\VB and VBA Program Settings";
constexpr int kNewFolderMode = 0700;
constexpr int kNewHiveMode = 0600;

// The key holding a section's values. A name of backslashes alone names no key, so it counts as empty.
std::string SectionPath(const std::string& appName, const std::string& section, const std::string& key) {
  if (SplitKeyPath(appName).empty() || SplitKeyPath(section).empty() || key.empty()) {
    throw RuntimeError(error_number::kInvalidProcedureCall);
  }
  return std::string(kSettingsKey) + "\\" + appName + "\\" + section;
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

// Writes a temporary file beside the hive, syncs it and renames it over the hive, keeping the hive's mode.
void ReplaceHive(const fs::path& path, const std::string& text) {
  struct stat status {};
  const int mode = ::stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : kNewHiveMode;
  glib::Error error;
  if (!g_file_set_contents_full(
          path.c_str(), text.data(), static_cast<gssize>(text.size()),
          static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT | G_FILE_SET_CONTENTS_DURABLE), mode,
          error.out())) {
    RaiseAccessError(path.string(), error.message());
  }
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
  const RegKey hive = ReadHiveFile(HiveFileRegistry::UserHivePath(), kRootName);
  const RegKey* found = hive.Find(path);
  const RegValue* value = found ? found->Value(key) : nullptr;
  if (!value || value->type != reg_type::kString) return defaultValue;
  return std::string(value->data.begin(), std::find(value->data.begin(), value->data.end(), 0));
}

void HiveSettingsStore::SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                                    const std::string& value) {
  const std::string path = SectionPath(appName, section, key);
  const fs::path hive_path = HiveFileRegistry::UserHivePath();
  fs::path folder = hive_path.parent_path();
  if (folder.empty()) folder = ".";
  if (g_mkdir_with_parents(folder.c_str(), kNewFolderMode) != 0)
    RaiseAccessError(folder.string(), std::strerror(errno));

  const UniqueFd lock = LockHive(fs::path(hive_path) += ".lock");
  // Read under the lock, so a save made meanwhile by another process is kept. A malformed hive
  // raises here, before anything is written.
  RegKey hive = ReadHiveFile(hive_path, kRootName);
  const char* text = value.c_str();
  hive.FindOrCreate(path).SetValue(key, RegValue{reg_type::kString, {text, text + value.size() + 1}});
  ReplaceHive(hive_path, WriteRegFile(hive, kRootName));
  SyncFolder(folder);
}

}  // namespace quorvel::platform
