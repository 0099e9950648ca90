#pragma once

#include <map>
#include <string>
#include <tuple>

#include "platform/settings_store.h"

namespace quorvel::testing {

// The settings in memory, filed by application name, section and key.
class FakeSettingsStore : public platform::SettingsStore {
 public:
  using Name = std::tuple<std::string, std::string, std::string>;  // application, section, key

  std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override {
    const auto found = values.find({appName, section, key});
    return found == values.end() ? defaultValue : found->second;
  }
  void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                   const std::string& value) override {
    values[{appName, section, key}] = value;
  }

  std::map<Name, std::string> values;
};

}  // namespace quorvel::testing
