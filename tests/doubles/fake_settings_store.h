#pragma once

#include <map>
#include <optional>
#include <string>
#include <tuple>

#include "platform/settings_store.h"
#include "quorvel/error.h"

namespace quorvel::testing {

// The settings in memory, filed by application name, section and key.
class FakeSettingsStore : public platform::SettingsStore {
 public:
  using Name = std::tuple<std::string, std::string, std::string>;  // application, section, key

  std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override {
    if (failure) throw *failure;
    const auto found = values.find({appName, section, key});
    return found == values.end() ? defaultValue : found->second;
  }
  void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                   const std::string& value) override {
    if (failure) throw *failure;
    values[{appName, section, key}] = value;
  }

  std::map<Name, std::string> values;
  std::optional<AutomationError> failure;  // raised by every call when set
};

}  // namespace quorvel::testing
