// Settings seam: the user's own text settings, filed by application name, section and key, as the
// automation runtime's GetSetting and SaveSetting keep them. Every failure raises an AutomationError.
#pragma once

#include <string>

namespace quorvel::platform {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The text saved under the names, or defaultValue when there is none.
  virtual std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                                 const std::string& defaultValue) = 0;
  virtual void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                           const std::string& value) = 0;
};

}  // namespace quorvel::platform
