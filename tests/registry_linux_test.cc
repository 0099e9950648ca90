#include "platform/registry_linux.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;

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
