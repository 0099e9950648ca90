// Settings on Linux: string values of the user hive file (HiveFileRegistry::UserHivePath(), read at
// every call) under HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>, named by
// the key. A save holds an advisory lock on "<hive>.lock" while it re-reads the hive, changes the one
// value and replaces the whole file atomically, so concurrent savers lose nothing and a crash leaves
// the old hive or the new one; a value already stored as saved leaves the file as it is. Temporary
// hives older than ten minutes that killed savers left beside it go at the next save. A hive that
// cannot be parsed, that this user may not write, or whose new text the reader would refuse raises
// and is kept as it was. A hive reached through a symbolic link is written at the link's target.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

#include "platform/key_tree.h"
#include "platform/settings_store.h"

namespace quorvel::platform {

class HiveSettingsStore : public SettingsStore {
 public:
  std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override;
  void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                   const std::string& value) override;

 private:
  // The user hive as last read, with the file's identity then: reads parse it again only once it changed.
  struct ReadHive {
    std::string path;
    struct stat identity;
    RegKey keys;
  };
  const RegKey& UserHive();

  std::optional<ReadHive> last_read_;
};

}  // namespace quorvel::platform
