#include "platform/windows/registry.h"

// sddl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/windows/settings_store.h"
#include "platform/windows/wide_text.h"
#include "quorvel/error.h"

namespace quorvel::platform {
namespace {

using namespace std::string_literals;

// The key of an application of its own among the runtime's settings, open through the registry seam
// as opened_, removed with all below it afterwards.
class WindowsRegistryTest : public ::testing::Test {
 protected:
  WindowsRegistryTest() {
    RegCreateKeyExW(HKEY_CURRENT_USER, Widen(path_).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, path_, opened_), reg_status::kSuccess);
  }
  ~WindowsRegistryTest() override {
    registry_.RegCloseKey(opened_);
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, Widen(path_).c_str());
  }
  // Everyone may read the key, and delete it afterwards; nobody may write to it.
  void MakeReadOnly(const std::wstring& subkey) {
    HKEY key = nullptr;
    RegOpenKeyExW(key_, subkey.c_str(), 0, WRITE_DAC, &key);
    PSECURITY_DESCRIPTOR read_only = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KRSD;;;WD)", SDDL_REVISION_1, &read_only, nullptr);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, read_only), ERROR_SUCCESS);
    LocalFree(read_only);
    RegCloseKey(key);
  }

  const std::string app_ = "Quorvel Tests " + std::to_string(GetCurrentProcessId()) + " Café";
  const std::string path_ = "Software\\VB and VBA Program Settings\\" + app_;
  SystemRegistry registry_;
  RegistrySettingsStore store_;
  HKEY key_ = nullptr;
  HKey opened_ = 0;
};

// Names count characters: "日本" is 6 bytes and "😀x" 3 UTF-16 units, yet each is 2 characters. The
// registry lists them in the order of their upper case UTF-16 units.
TEST_F(WindowsRegistryTest, SubkeyNamesCountCharacters) {
  const std::pair<std::string, std::uint32_t> kNames[] = {{"日本", 2}, {"😀x", 2}};
  for (const auto& [name, characters] : kNames) RegSetKeyValueW(key_, Widen(name).c_str(), L"", REG_SZ, L"", 2);
  std::string buffer;
  std::uint32_t index = 0, size = 0;
  for (const auto& [name, characters] : kNames) {
    buffer.assign(16, 'x');
    size = characters;
    EXPECT_EQ(registry_.RegEnumKeyExA(opened_, index, buffer, size), reg_status::kMoreData) << name << ": no NUL";
    size = characters + 1;
    ASSERT_EQ(registry_.RegEnumKeyExA(opened_, index++, buffer, size), reg_status::kSuccess) << name;
    EXPECT_EQ(std::pair(size, buffer), std::pair(characters, name + '\0' + std::string(15 - name.size(), 'x')));
  }
  EXPECT_EQ(registry_.RegEnumKeyExA(opened_, index, buffer, size), reg_status::kNoMoreItems);
}

// Text data is sized as UTF-8 with the NULs stored, none added; other data crosses unchanged.
TEST_F(WindowsRegistryTest, ValueDataIsUtf8TextOrAsStored) {
  const std::tuple<std::string, std::uint32_t, std::string> kValues[] = {{"", REG_SZ, "😀"s},
                                                                         {"日本", REG_EXPAND_SZ, "%TEMP%\\日本\0"s},
                                                                         {"Multi", REG_MULTI_SZ, "日本\0😀\0\0"s},
                                                                         {"Binary", REG_BINARY, "\xC3\xA9\0\x01"s}};
  for (const auto& [name, type, data] : kValues) {
    SCOPED_TRACE(name);
    // Text is stored as UTF-16 followed by no NUL, or the system would store one with it.
    const std::wstring text = Widen(data) + L'x';
    const auto* bytes = type == REG_BINARY ? data.data() : reinterpret_cast<const char*>(text.data());
    const auto stored = type == REG_BINARY ? data.size() : (text.size() - 1) * sizeof(wchar_t);
    RegSetValueExW(key_, Widen(name).c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes), stored);
    std::uint32_t read_type = 0, size = 0;
    EXPECT_EQ(registry_.RegQueryValueExA(opened_, name, &read_type, nullptr, size), reg_status::kSuccess);
    EXPECT_EQ(std::pair(read_type, size), std::pair(type, static_cast<std::uint32_t>(data.size())));
    std::vector<std::uint8_t> buffer(size--);
    EXPECT_EQ(registry_.RegQueryValueExA(opened_, name, nullptr, buffer.data(), size), reg_status::kMoreData);
    EXPECT_EQ(registry_.RegQueryValueExA(opened_, name, nullptr, buffer.data(), size), reg_status::kSuccess);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), data);
  }
}

// A key that grants only reading opens for reading, and refuses an open that asks for more.
TEST_F(WindowsRegistryTest, OpenWithoutAccessTakesTheRightsTheKeyGrants) {
  MakeReadOnly(L"");
  HKey opened = 1;
  EXPECT_EQ(registry_.RegOpenKeyExA(kHkeyCurrentUser, path_, 0, reg_access::kAll, opened), reg_status::kAccessDenied);
  EXPECT_EQ(opened, 0u);
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, path_ + "\\Missing", opened), reg_status::kFileNotFound);
  ASSERT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, path_, opened), reg_status::kSuccess);
  EXPECT_EQ(registry_.RegCloseKey(opened), reg_status::kSuccess);
}

// Settings are REG_SZ values in the section's key, read back as saved; anything else reads as the default.
TEST_F(WindowsRegistryTest, SettingsAreTextWhereTheRuntimeKeepsThem) {
  const std::string section = "Sektion 日本", key = "Schlüssel 😀", value = "Wert 😀 日本";
  store_.SaveSetting(app_, section, key, value);
  EXPECT_EQ(store_.GetSetting(app_, section, key, "none"), value);
  const DWORD number = 1;
  RegSetKeyValueW(key_, Widen(section).c_str(), L"Number", REG_DWORD, &number, sizeof number);
  // Where a name that is not UTF-8 would be looked for.
  RegSetKeyValueW(key_, Widen(section).c_str(), L"\xFFFD(", REG_SZ, L"x", 2 * sizeof(wchar_t));
  const std::pair<std::string, std::string> kUnsaved[] = {
      {section, "Missing"}, {section, "Number"}, {section, "\xC3("}, {"Other", key}};
  for (const auto& [section, name] : kUnsaved) EXPECT_EQ(store_.GetSetting(app_, section, name, "-"), "-") << name;
}

// Names no key can hold are refused; a value already saved as it is needs no writing rights, another does.
TEST_F(WindowsRegistryTest, SettingsRefuseWhatCannotBeSaved) {
  const std::tuple<std::string, std::string, std::string> kUnnamable[] = {
      {"", "S", "K"}, {app_, "\\", "K"}, {app_, "S", ""}, {app_, "S", "a\0b"s}, {app_, "\xC3(", "K"}};
  for (const auto& [app, section, key] : kUnnamable) {
    EXPECT_THAT([&] { store_.SaveSetting(app, section, key, "v"); },
                ::testing::Throws<AutomationError>(::testing::Property(&AutomationError::number, 5)))
        << section << "|" << key;
  }
  store_.SaveSetting(app_, "Sec", "Route", "mapi");
  MakeReadOnly(L"Sec");
  store_.SaveSetting(app_, "Sec", "Route", "mapi");
  EXPECT_THAT([&] { store_.SaveSetting(app_, "Sec", "Route", "outlook"); },
              ::testing::ThrowsMessage<AutomationError>(
                  ::testing::StartsWith("Error 75: Path/File access error: HKEY_CURRENT_USER\\" + path_ + "\\Sec: ")));
}

}  // namespace
}  // namespace quorvel::platform
