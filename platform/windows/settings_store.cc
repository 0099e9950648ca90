#include "platform/windows/settings_store.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>

#include "platform/key_tree.h"
#include "platform/path_error.h"
#include "platform/text_encoding.h"
#include "platform/windows/wide_text.h"
#include "quorvel/error.h"

namespace quorvel::platform {

namespace {

constexpr std::string_view kSettingsKey = "Software\\VB and VBA Program Settings";
constexpr std::string_view kRootName = "HKEY_CURRENT_USER\\";

// The key holding a section's values, its empty segments dropped: "App\\" and "App" name one key, as in
// the hive files of other systems. A name of backslashes alone names no key, so it counts as empty.
std::string SectionPath(const std::string& appName, const std::string& section, const std::string& key) {
  if (SplitKeyPath(appName).empty() || SplitKeyPath(section).empty() || key.empty()) {
    throw RuntimeError(error_number::kInvalidProcedureCall);
  }
  std::string path(kSettingsKey);
  for (const std::string* name : {&appName, &section}) {
    for (const std::string_view segment : SplitKeyPath(*name)) (path += '\\') += segment;
  }
  return path;
}

// The registry's names end at a NUL and are UTF-16: a name that is not valid UTF-8 would be saved under
// another name than the one given.
bool CanBeNamed(const std::string& appName, const std::string& section, const std::string& key) {
  return IsValidUtf8(appName) && IsValidUtf8(section) && IsValidUtf8(key);
}

// An open key, closed when it goes.
using KeyOwner = std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&::RegCloseKey)>;

[[noreturn]] void RaiseRegistryError(const std::string& path, LSTATUS status) {
  RaiseAccessError(std::string(kRootName) + path, SystemErrorText(static_cast<unsigned long>(status)));
}

}  // namespace

std::string RegistrySettingsStore::GetSetting(const std::string& appName, const std::string& section,
                                              const std::string& key, const std::string& defaultValue) {
  const std::string path = SectionPath(appName, section, key);
  if (!CanBeNamed(appName, section, key)) return defaultValue;
  return SavedSetting(path, key).value_or(defaultValue);
}

void RegistrySettingsStore::SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                                        const std::string& value) {
  const std::string path = SectionPath(appName, section, key);
  if (!CanBeNamed(appName, section, key)) throw RuntimeError(error_number::kInvalidProcedureCall);
  // Every send records its route, mostly the one it recorded last time: that needs only reading rights.
  if (SavedSetting(path, key) == value) return;
  HKEY created = nullptr;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, Widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, &created, nullptr);
  if (status != ERROR_SUCCESS) RaiseRegistryError(path, status);
  const KeyOwner owner(created, &::RegCloseKey);
  const std::wstring text = Widen(value);
  status = ::RegSetValueExW(created, Widen(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  if (status != ERROR_SUCCESS) RaiseRegistryError(path, status);
}

std::optional<std::string> RegistrySettingsStore::SavedSetting(const std::string& path, const std::string& key) {
  HKEY opened = nullptr;
  const LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, Widen(path).c_str(), 0, KEY_QUERY_VALUE, &opened);
  if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  if (status != ERROR_SUCCESS) RaiseRegistryError(path, status);
  const KeyOwner owner(opened, &::RegCloseKey);
  std::uint32_t type = reg_type::kNone;
  std::string text;
  RegStatus read = reg_status::kMoreData;
  while (read == reg_status::kMoreData) {
    auto size = static_cast<std::uint32_t>(text.size());
    read = registry_.RegQueryValueExA(reinterpret_cast<HKey>(opened), key, &type,
                                      reinterpret_cast<std::uint8_t*>(text.data()), size);
    text.resize(size);
  }
  if (read == reg_status::kFileNotFound || (read == reg_status::kSuccess && type != reg_type::kString)) {
    return std::nullopt;
  }
  if (read != reg_status::kSuccess) RaiseRegistryError(path, read);
  return text.substr(0, text.find('\0'));
}

}  // namespace quorvel::platform
