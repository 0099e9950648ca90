#include "platform/windows/registry.h"

// sddl.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <sddl.h>
// clang-format on
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/windows/wide_text.h"

namespace quorvel::platform {
namespace {

using namespace std::string_literals;

// A throwaway key under HKEY_CURRENT_USER\Software\Quorvel Tests, removed with all below it afterwards.
class SystemRegistryTest : public ::testing::Test {
 protected:
  SystemRegistryTest() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = "Software\\Quorvel Tests\\" + std::to_string(GetCurrentProcessId()) + " " + test->name();
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Widen(path_).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                              nullptr),
              ERROR_SUCCESS);
  }
  ~SystemRegistryTest() override {
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, Widen(path_).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Quorvel Tests");  // only once no other test has a key there
  }

  void AddSubkey(const std::string& name) {
    HKEY subkey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(key_, Widen(name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &subkey, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(subkey);
  }
  // data as stored: UTF-16 for the text types, given as UTF-8 with its NULs.
  void SetValue(const std::string& name, DWORD type, const std::string& data) {
    // Not followed by a NUL: the system would store text followed by one with it.
    const std::wstring text = Widen(data) + L'x';
    const bool is_text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    const auto* bytes =
        is_text ? reinterpret_cast<const BYTE*>(text.data()) : reinterpret_cast<const BYTE*>(data.data());
    const auto size = static_cast<DWORD>(is_text ? (text.size() - 1) * sizeof(wchar_t) : data.size());
    ASSERT_EQ(RegSetValueExW(key_, Widen(name).c_str(), 0, type, bytes, size), ERROR_SUCCESS);
  }

  SystemRegistry registry_;
  std::string path_;
  HKEY key_ = nullptr;
};

TEST_F(SystemRegistryTest, OpensTheSystemsOwnKeys) {
  EXPECT_EQ(kHkeyCurrentUser, HandleToULong(HKEY_CURRENT_USER));
  EXPECT_EQ(kHkeyLocalMachine, HandleToULong(HKEY_LOCAL_MACHINE));
  SetValue("v", REG_DWORD, "\x07\0\0\0"s);
  HKey opened = 0;
  ASSERT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, path_, opened), reg_status::kSuccess);
  DWORD number = 0, size = sizeof number;
  EXPECT_EQ(
      RegQueryValueExW(reinterpret_cast<HKEY>(opened), L"v", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
      ERROR_SUCCESS)
      << "the handle is a real key";
  EXPECT_EQ(number, 7u);
  EXPECT_EQ(registry_.RegCloseKey(opened), reg_status::kSuccess);

  opened = 1;
  EXPECT_EQ(registry_.RegOpenKeyExA(kHkeyCurrentUser, path_ + "\\Missing", 0, reg_access::kRead, opened),
            reg_status::kFileNotFound);
  EXPECT_EQ(opened, 0u);
}

// Names count characters: "日本" is 6 bytes and "😀x" 3 UTF-16 units, yet each is 2 characters.
TEST_F(SystemRegistryTest, SubkeyNamesCountCharacters) {
  const std::map<std::string, std::uint32_t> kCharacters = {{"Café", 4}, {"日本", 2}, {"😀x", 2}};
  for (const auto& [name, characters] : kCharacters) AddSubkey(name);
  HKey opened = 0;
  ASSERT_EQ(registry_.RegOpenKeyExA(kHkeyCurrentUser, path_, 0, reg_access::kRead, opened), reg_status::kSuccess);
  for (std::uint32_t index = 0; index < kCharacters.size(); ++index) {
    std::string buffer(260, 'x');
    std::uint32_t size = 260;
    ASSERT_EQ(registry_.RegEnumKeyExA(opened, index, buffer, size), reg_status::kSuccess);
    const std::string name = buffer.substr(0, buffer.find('\0'));
    ASSERT_TRUE(kCharacters.contains(name)) << name;
    const std::uint32_t characters = kCharacters.at(name);
    EXPECT_EQ(size, characters) << name;

    size = characters;
    EXPECT_EQ(registry_.RegEnumKeyExA(opened, index, buffer, size), reg_status::kMoreData)
        << name << ": no room for NUL";
    buffer = "";
    size = characters + 1;
    EXPECT_EQ(registry_.RegEnumKeyExA(opened, index, buffer, size), reg_status::kSuccess) << name;
    EXPECT_EQ(buffer, name + '\0');
  }
  std::string buffer(260, '\0');
  std::uint32_t size = 260;
  EXPECT_EQ(registry_.RegEnumKeyExA(opened, 3, buffer, size), reg_status::kNoMoreItems);
  registry_.RegCloseKey(opened);
}

// Text data is sized as UTF-8 with the NULs stored; other data crosses unchanged.
TEST_F(SystemRegistryTest, ValueDataIsUtf8TextOrAsStored) {
  const std::tuple<std::string, DWORD, std::string, std::string> kValues[] = {
      {"Name é", REG_SZ, "Café\0"s, "Café\0"s},
      {"", REG_SZ, "😀"s, "😀"s},  // stored without its NUL: none is added
      {"日本", REG_EXPAND_SZ, "%TEMP%\\日本\0"s, "%TEMP%\\日本\0"s},
      {"Multi", REG_MULTI_SZ, "日本\0😀\0\0"s, "日本\0😀\0\0"s},
      {"Binary", REG_BINARY, "\xC3\xA9\0\x01"s, "\xC3\xA9\0\x01"s},
      {"Number", REG_DWORD, "\x78\x56\x34\x12"s, "\x78\x56\x34\x12"s},
  };
  for (const auto& [name, type, stored, expected] : kValues) SetValue(name, type, stored);
  HKey opened = 0;
  ASSERT_EQ(registry_.RegOpenKeyExA(kHkeyCurrentUser, path_, 0, reg_access::kQueryValue, opened), reg_status::kSuccess);
  for (const auto& [name, stored_type, stored, expected] : kValues) {
    SCOPED_TRACE(name);
    const auto expected_size = static_cast<std::uint32_t>(expected.size());
    std::uint32_t type = 0, size = 0;
    EXPECT_EQ(registry_.RegQueryValueExA(opened, name, &type, nullptr, size), reg_status::kSuccess);
    EXPECT_EQ(type, stored_type);
    EXPECT_EQ(size, expected_size);

    std::vector<std::uint8_t> data(expected.size() + 4, 0xEE);
    size = expected_size - 1;
    EXPECT_EQ(registry_.RegQueryValueExA(opened, name, &type, data.data(), size), reg_status::kMoreData);
    EXPECT_EQ(size, expected_size);
    size = static_cast<std::uint32_t>(data.size());
    EXPECT_EQ(registry_.RegQueryValueExA(opened, name, nullptr, data.data(), size), reg_status::kSuccess);
    EXPECT_EQ(std::string(data.begin(), data.begin() + size), expected);
  }
  std::uint32_t size = 0;
  EXPECT_EQ(registry_.RegQueryValueExA(opened, "Missing", nullptr, nullptr, size), reg_status::kFileNotFound);
  registry_.RegCloseKey(opened);
}

// A key that grants only reading opens for reading, and refuses an open that asks for more.
TEST_F(SystemRegistryTest, OpenWithoutAccessTakesTheRightsTheKeyGrants) {
  AddSubkey("Read only");
  // Everyone may read it, and delete it afterwards; nobody may write to it.
  PSECURITY_DESCRIPTOR read_only = nullptr;
  ASSERT_TRUE(
      ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KRSD;;;WD)", SDDL_REVISION_1, &read_only, nullptr));
  HKEY subkey = nullptr;
  ASSERT_EQ(RegOpenKeyExW(key_, L"Read only", 0, WRITE_DAC, &subkey), ERROR_SUCCESS);
  EXPECT_EQ(RegSetKeySecurity(subkey, DACL_SECURITY_INFORMATION, read_only), ERROR_SUCCESS);
  RegCloseKey(subkey);
  LocalFree(read_only);

  HKey opened = 0;
  EXPECT_EQ(registry_.RegOpenKeyExA(kHkeyCurrentUser, path_ + "\\Read only", 0, reg_access::kAll, opened),
            reg_status::kAccessDenied);
  ASSERT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, path_ + "\\Read only", opened), reg_status::kSuccess);
  EXPECT_EQ(RegSetValueExW(reinterpret_cast<HKEY>(opened), L"v", 0, REG_SZ, nullptr, 0), ERROR_ACCESS_DENIED);
  registry_.RegCloseKey(opened);
}

}  // namespace
}  // namespace quorvel::platform
