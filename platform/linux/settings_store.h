// Settings on Linux: string values of the user hive file (HiveFileRegistry::UserHivePath(), read
// again at any call that finds it changed) under HKEY_CURRENT_USER\Software\VB and VBA Program
// Settings\<app>\<section>, named by the key. A save holds an advisory lock on "<hive>.lock" while it
// re-reads the hive, changes the one value and replaces the whole file atomically, so concurrent
// savers lose nothing and a crash leaves the old hive or the new one; a value already stored as saved
// leaves the file as it is, and is found so without the lock. Temporary hives older than ten minutes
// that killed savers left beside it go at the next save that writes. A hive that cannot be parsed,
// that this user may not write, or whose new text the reader would refuse raises and is kept as it
// was. A hive reached through a symbolic link is written at the link's target.
#pragma once

#include <filesystem>
#include <string>

#include "platform/key_tree.h"
#include "platform/linux/hive_file.h"
#include "platform/settings_store.h"

namespace quorvel::platform {

class HiveSettingsStore : public SettingsStore {
 public:
  std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override;
  void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                   const std::string& value) override;

 private:
  // Whether the hive holds the value as saved and this user may write it, as last read; false when
  // reading it raises, which the save then raises in its own order.
  bool StoredAsSaved(const std::filesystem::path& hive, const std::string& path, const std::string& key,
                     const RegValue& saved);

  KeptHiveFile user_hive_;
};

}  // namespace quorvel::platform
