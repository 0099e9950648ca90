// Settings on Windows: REG_SZ values of the user's registry under
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>, named by the key, where the
// automation runtime's own GetSetting and SaveSetting keep them. A value already stored as saved is
// not written again. A key the user may not open or write raises, naming the key and the system's reason.
// A name that is not valid UTF-8 or holds a NUL cannot be saved, and reading it finds nothing.
#pragma once

#include <optional>
#include <string>

#include "platform/settings_store.h"
#include "platform/windows/registry.h"

namespace quorvel::platform {

class RegistrySettingsStore : public SettingsStore {
 public:
  std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override;
  void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                   const std::string& value) override;

 private:
  // The REG_SZ text under the section's key up to its first NUL; nothing when there is none.
  std::optional<std::string> SavedSetting(const std::string& path, const std::string& key);

  SystemRegistry registry_;
};

}  // namespace quorvel::platform
