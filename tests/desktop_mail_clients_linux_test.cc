#include "platform/desktop_mail_clients_linux.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/registry_linux.h"
#include "tests/sandbox/xdg_sandbox.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;

TEST(CommandWithoutFieldCodesTest, RemovesTheCodesAndTheBlanksTheyLeave) {
  const std::pair<const char*, const char*> cases[] = {
      {"mail --file=%f --icon-name %i %c %k", "mail --file= --icon-name"},
      {"mail %F %d %D %n %N %v %m -x", "mail -x"},
      {"\"/opt/My Mail/mail\" -c %u", "\"/opt/My Mail/mail\" -c"},
      {"mail 100%% %%u", "mail 100% %u"},
      {"mail %x 50%", "mail %x 50%"},
      {"%u", ""},
  };
  for (const auto& [exec, command] : cases) EXPECT_EQ(CommandWithoutFieldCodes(exec), command) << exec;
}

class DesktopMailClientsTest : public testing::XdgSandboxTest {};

// The desktop's clients in a machine hive its user may not write (a folder only root may write to;
// tried as nobody, since root may write anywhere): all rights at and below the Mail key, matched by
// whole names in any case; the rest stays read-only.
TEST_F(DesktopMailClientsTest, TheirKeysGrantAllRightsInAReadOnlyMachineHive) {
  const fs::path locked = root() / "locked";
  fs::create_directory(locked);
  fs::permissions(root(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  fs::permissions(locked, fs::perms(0555));
  SetEnv("QUORVEL_MACHINE_HIVE", (locked / "machine.reg").string());
  SetEnv("QUORVEL_USER_HIVE", (root() / "user.reg").string());
  const std::pair<const char*, RegStatus> opens[] = {
      {"Software", reg_status::kAccessDenied},
      {"Software\\Clients", reg_status::kAccessDenied},
      {"Software\\Clients\\Mailbox", reg_status::kAccessDenied},
      {"Software\\Clients\\Mail", reg_status::kSuccess},
      {"\\SOFTWARE\\clients\\\\MAIL\\mailer\\", reg_status::kSuccess},
  };
  EXPECT_EQ(testing::RunAsNobody([&] {
              HiveFileRegistry registry;
              HKey key = 0;
              return std::ranges::all_of(opens, [&](const auto& open) {
                return registry.RegOpenKeyExA(kHkeyLocalMachine, open.first, 0, reg_access::kAll, key) == open.second;
              });
            }),
            0);
}

}  // namespace
}  // namespace quorvel::platform
