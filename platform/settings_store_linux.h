// Settings on Linux: string values of the user hive file (HiveFileRegistry::UserHivePath(), read at
// every call) under HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>, named by
// the key. A save holds an advisory lock on "<hive>.lock" while it re-reads the hive, changes the one
// value and replaces the whole file atomically, so concurrent savers lose nothing and a crash leaves
// the old hive or the new one. A hive that cannot be parsed raises and is never overwritten.
#pragma once

#include "platform/settings_store.h"

namespace quorvel::platform {

class HiveSettingsStore : public SettingsStore {
 public:
  std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override;
  void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                   const std::string& value) override;
};

}  // namespace quorvel::platform
