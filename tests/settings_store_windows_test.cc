#include "platform/windows/settings_store.h"

// sddl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "platform/windows/wide_text.h"
#include "quorvel/error.h"

namespace quorvel::platform {
namespace {

using namespace std::string_literals;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

constexpr wchar_t kSettings[] = L"Software\\VB and VBA Program Settings\\";

// Settings of an application of its own, removed with all its sections afterwards.
class RegistrySettingsStoreTest : public ::testing::Test {
 protected:
  ~RegistrySettingsStoreTest() override { RegDeleteTreeW(HKEY_CURRENT_USER, (kSettings + Widen(app_)).c_str()); }

  // The section's key as the system names it.
  std::wstring SectionKey(const std::string& section) const { return kSettings + Widen(app_ + "\\" + section); }

  const std::string app_ = "Quorvel Tests " + std::to_string(GetCurrentProcessId()) + " Café";
  RegistrySettingsStore store_;
};

TEST_F(RegistrySettingsStoreTest, SavesUnicodeTextWhereTheRuntimeKeepsIt) {
  const std::string value = "Wert 😀 日本";
  store_.SaveSetting(app_, "Sektion 日本", "Schlüssel 😀", value);
  EXPECT_EQ(store_.GetSetting(app_, "Sektion 日本", "Schlüssel 😀", "none"), value);

  wchar_t stored[64] = {};
  DWORD type = 0, size = sizeof stored;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, SectionKey("Sektion 日本").c_str(), Widen("Schlüssel 😀").c_str(),
                         RRF_RT_ANY, &type, stored, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::wstring(stored, size / sizeof(wchar_t)), Widen(value) + L'\0');
}

TEST_F(RegistrySettingsStoreTest, GetAnswersTheDefaultUnlessTextIsSaved) {
  store_.SaveSetting(app_, "Sec", "Text", "saved");
  const DWORD number = 1;
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, SectionKey("Sec").c_str(), L"Number", REG_DWORD, &number, sizeof number),
            ERROR_SUCCESS);
  const std::tuple<std::string, std::string, std::string> kCases[] = {
      {"Sec", "Text", "saved"},  {"Sec", "Missing", "none"}, {"Sec", "Number", "none"},
      {"Other", "Text", "none"}, {"Sec", "\xC3(", "none"},
  };
  for (const auto& [section, key, expected] : kCases) {
    EXPECT_EQ(store_.GetSetting(app_, section, key, "none"), expected) << section << "|" << key;
  }
}

TEST_F(RegistrySettingsStoreTest, NamesNoKeyCanHoldAreInvalidArguments) {
  const auto invalid = ThrowsMessage<AutomationError>(StartsWith("Error 5: Invalid procedure call"));
  const std::tuple<std::string, std::string, std::string> kCases[] = {
      {"", "S", "K"}, {app_, "\\", "K"}, {app_, "S", ""}, {app_, "S", "a\0b"s}, {app_, "\xC3(", "K"},
  };
  for (const auto& [app, section, key] : kCases) {
    EXPECT_THAT([&] { store_.SaveSetting(app, section, key, "v"); }, invalid) << section << "|" << key;
  }
}

// A section the user may only read keeps its values: saving one already there as saved writes nothing.
TEST_F(RegistrySettingsStoreTest, SavingTheValueThereNeedsNoWritingRights) {
  store_.SaveSetting(app_, "Sec", "Route", "mapi");
  // Everyone may read it, and delete it afterwards; nobody may write to it.
  PSECURITY_DESCRIPTOR read_only = nullptr;
  ASSERT_TRUE(
      ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KRSD;;;WD)", SDDL_REVISION_1, &read_only, nullptr));
  HKEY section = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, SectionKey("Sec").c_str(), 0, WRITE_DAC, &section), ERROR_SUCCESS);
  EXPECT_EQ(RegSetKeySecurity(section, DACL_SECURITY_INFORMATION, read_only), ERROR_SUCCESS);
  RegCloseKey(section);
  LocalFree(read_only);

  store_.SaveSetting(app_, "Sec", "Route", "mapi");
  EXPECT_THAT([&] { store_.SaveSetting(app_, "Sec", "Route", "outlook"); },
              ThrowsMessage<AutomationError>(StartsWith(
                  "Error 75: Path/File access error: HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\" +
                  app_ + "\\Sec: ")));
  EXPECT_EQ(store_.GetSetting(app_, "Sec", "Route", ""), "mapi");
}

}  // namespace
}  // namespace quorvel::platform
