#include "platform/registry_linux.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

// The hive files themselves are tried end to end by cli_hives; this is the one place it cannot go
// without writing into the real home folder.
TEST(HiveFileRegistryTest, UserHiveWithoutHomeIsInTheUsersHomeFolder) {
  testing::ScopedEnv env;
  env.Set("QUORVEL_USER_HIVE", std::nullopt);
  env.Set("XDG_CONFIG_HOME", std::nullopt);
  env.Set("HOME", std::nullopt);
  const passwd* user = getpwuid(getuid());
  ASSERT_NE(user, nullptr);
  EXPECT_EQ(HiveFileRegistry::UserHivePath(), std::filesystem::path(user->pw_dir) / ".config" / "quorvel" / "user.reg");
}

}  // namespace
}  // namespace quorvel::platform
