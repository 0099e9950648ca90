#include "platform/registry_linux.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/registry_operations.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
namespace ops = MRegistryOperations;

class HiveFileRegistryTest : public ::testing::Test {
 protected:
  fs::path Write(const fs::path& relative, const std::string& text) {
    testing::WriteFile(dir_ / relative, text);
    return dir_ / relative;
  }

  testing::TempDir dir_;
  testing::ScopedEnv env_;
  HiveFileRegistry registry_;
};

constexpr const char* kMail = "Software\\Clients\\Mail";
constexpr const char* kMachineHive =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail]\r\n@=\"Evolution\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail\\Evolution]\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail\\Mozilla Thunderbird]\r\n";

TEST_F(HiveFileRegistryTest, HivesAreTheFilesTheEnvironmentNames) {
  env_.Set("QUORVEL_MACHINE_HIVE", Write("machine.reg", kMachineHive));
  StringArray names;
  EXPECT_TRUE(ops::RegGetKeys(registry_, kHkeyLocalMachine, kMail, names));
  EXPECT_EQ(names.items(), std::vector<std::string>({"Evolution", "Mozilla Thunderbird"}));
  EXPECT_EQ(ops::RegQueryValue(registry_, kHkeyLocalMachine, "software\\clients\\mail", ""), Variant("Evolution"));
  // The user hive follows the config home unless named itself; a relative config home does not count.
  env_.Set("QUORVEL_USER_HIVE", std::nullopt);
  env_.Set("XDG_CONFIG_HOME", "relative");
  env_.Set("HOME", dir_.path());
  Write(".config/quorvel/user.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quorvel]\n\"Carrier\"=\"MAPI\"\n");
  EXPECT_EQ(ops::RegQueryValue(registry_, kHkeyCurrentUser, "Software\\Quorvel", "Carrier"), Variant("MAPI"));
  env_.Set("QUORVEL_USER_HIVE", dir_ / "absent.reg");
  HKey key = 0;
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, "Software\\Quorvel", key), reg_status::kFileNotFound);
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, "", key), 0) << "a missing file is an empty hive";
  registry_.RegCloseKey(key);
  EXPECT_EQ(registry_.RegOpenKeyA(0x80000000, "", key), reg_status::kInvalidHandle);
}

TEST_F(HiveFileRegistryTest, UnreadableHivesRaiseErrorsNamingTheFile) {
  fs::create_directory(dir_ / "folder.reg");
  const struct {
    fs::path hive;
    std::int32_t number;
    const char* text;
  } cases[] = {
      {Write("broken.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"x\"=hex:0g\n"), 321, "broken.reg line 4"},
      {dir_ / "folder.reg", 75, "folder.reg: not a regular file"},
  };
  for (const auto& c : cases) {
    env_.Set("QUORVEL_MACHINE_HIVE", c.hive);
    HKey key = 0;
    try {
      registry_.RegOpenKeyA(kHkeyLocalMachine, "Software", key);
      ADD_FAILURE() << c.hive << " was opened";
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.number(), c.number);
      EXPECT_THAT(error.description(), ::testing::HasSubstr(c.text));
    }
  }
}

TEST_F(HiveFileRegistryTest, ReadOnlyHiveRefusesAnOpenAskingForMore) {
  const fs::path hive = Write("machine.reg", kMachineHive);
  chmod(dir_.path().c_str(), 0755);
  chmod(hive.c_str(), getuid() == 0 ? 0644 : 0444);
  env_.Set("QUORVEL_MACHINE_HIVE", hive);
  const int status = testing::RunAsNobody([this] {
    HKey key = 0;
    return registry_.RegOpenKeyExA(kHkeyLocalMachine, kMail, 0, 0x3F, key) == reg_status::kAccessDenied &&
           registry_.RegOpenKeyExA(kHkeyLocalMachine, kMail, 0, reg_access::kRead, key) == 0 &&
           registry_.RegOpenKeyA(kHkeyLocalMachine, kMail, key) == 0;
  });
  EXPECT_EQ(status, 0) << "as nobody: 0x3F refused, reading and RegOpenKeyA granted";
  EXPECT_TRUE(HiveIsWritable(dir_ / "new" / "user.reg")) << "a hive not yet made in a writable folder";
}

TEST_F(HiveFileRegistryTest, FifoInPlaceOfAHiveIsRefusedAtOnce) {
  const fs::path fifo = dir_ / "machine.reg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  env_.Set("QUORVEL_MACHINE_HIVE", fifo);
  HKey key = 0;
  EXPECT_THAT([&] { registry_.RegOpenKeyA(kHkeyLocalMachine, kMail, key); },
              ::testing::ThrowsMessage<AutomationError>(::testing::EndsWith("machine.reg: not a regular file")));
}

TEST_F(HiveFileRegistryTest, UserHiveWithoutHomeIsInTheUsersHomeFolder) {
  env_.Set("QUORVEL_USER_HIVE", std::nullopt);
  env_.Set("XDG_CONFIG_HOME", std::nullopt);
  env_.Set("HOME", std::nullopt);
  const passwd* user = getpwuid(getuid());
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(HiveFileRegistry::UserHivePath(), fs::path(user->pw_dir) / ".config" / "quorvel" / "user.reg");
}

}  // namespace
}  // namespace quorvel::platform
