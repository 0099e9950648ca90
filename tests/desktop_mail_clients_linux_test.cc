#include "platform/desktop_mail_clients_linux.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/registry_linux.h"
#include "platform/shell_linux.h"
#include "tests/sandbox/xdg_sandbox.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using testing::ClientProgram;
using testing::XdgSandbox;

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

// The subtree as lines "path = type:unnamed value", a NUL shown as "\0", for readable failures.
std::string Render(const RegKey& key, const std::string& path = "") {
  std::string lines;
  if (const RegValue* value = key.Value("")) {
    lines += path + " = " + std::to_string(value->type) + ":";
    for (const auto byte : value->data) lines += byte ? std::string(1, static_cast<char>(byte)) : "\\0";
    lines += "\n";
  }
  for (const auto& [name, subkey] : key.subkeys()) lines += Render(subkey, path + "\\" + name);
  return lines;
}

class DesktopMailClientsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::RunAloneUnlessFresh(sandbox_);
  }
  // Alpha, Beta and the default "BETA MAIL", a name registry keys cannot tell from Beta's (nightly sorts
  // after beta, so it is the one to be told apart), are launchable; the hidden one and those whose
  // program is missing, by Exec or TryExec, are not. NoDisplay only keeps an entry out of menus.
  void InstallClients() {
    sandbox_.AddRecordingClient("alpha", "Alpha Mail", "{program} %u");
    sandbox_.AddRecordingClient("beta", "Beta Mail", "{program} --compose %U", {.no_display = true});
    sandbox_.AddRecordingClient("nightly", "BETA MAIL", "{program} %u");
    sandbox_.AddRecordingClient("hidden", "Hidden Mail", "{program} %u", {.hidden = true});
    sandbox_.AddRecordingClient("gone", "Gone Mail", "{program} %u", {.program = ClientProgram::kMissing});
    sandbox_.AddRecordingClient("tried", "Tried Mail", "{program} %u", {.try_exec = "{program}-absent"});
    sandbox_.SetDefault("nightly");
    ASSERT_TRUE(sandbox_.Refresh());
  }
  std::string Program(const std::string& id) { return sandbox_.ProgramPath(id).string(); }

  XdgSandbox sandbox_;
};

TEST_F(DesktopMailClientsTest, MachineHiveServesTheViewWithAllRightsUnlessItHasItsOwnMailKey) {
  InstallClients();
  const auto view = DesktopMailClients();
  ASSERT_TRUE(view);
  EXPECT_EQ(Render(*view),
            " = 1:BETA MAIL (nightly)\\0\n"
            "\\Alpha Mail\\shell\\open\\command = 1:" +
                Program("alpha") + "\\0\n" + "\\Beta Mail\\shell\\open\\command = 1:" + Program("beta") +
                " --compose\\0\n" + "\\BETA MAIL (nightly)\\shell\\open\\command = 1:" + Program("nightly") + "\\0\n");

  // A hive in a folder only root may write to, so read-only; its rights are tried as nobody, since root
  // may write anywhere.
  const fs::path locked = sandbox_.root() / "locked";
  fs::create_directory(locked);
  fs::permissions(sandbox_.root(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
  fs::permissions(locked, fs::perms(0555));
  sandbox_.SetEnv("QUORVEL_MACHINE_HIVE", (locked / "machine.reg").string());
  sandbox_.SetEnv("QUORVEL_USER_HIVE", (sandbox_.root() / "user.reg").string());
  // What the command-line host lists through the real registry, "* " before the default.
  const auto listed = [this] {
    const fs::path host = fs::read_symlink("/proc/self/exe").parent_path() / "quorvel", out = sandbox_.root() / "out";
    EXPECT_NE(std::system(("'" + host.string() + "' clients >'" + out.string() + "' 2>/dev/null").c_str()), -1);
    return testing::ReadFile(out);
  };
  EXPECT_EQ(listed(), "  Alpha Mail\n  Beta Mail\n* BETA MAIL (nightly)\n");
  // All rights at and below the Mail key, matched by whole names in any case; the rest stays read-only.
  const std::pair<const char*, RegStatus> opens[] = {
      {"Software", reg_status::kAccessDenied},
      {"Software\\Clients", reg_status::kAccessDenied},
      {"Software\\Clients\\Mailbox", reg_status::kAccessDenied},
      {"Software\\Clients\\Mail", reg_status::kSuccess},
      {"\\SOFTWARE\\clients\\\\MAIL\\beta mail\\", reg_status::kSuccess},
  };
  const auto opens_as_listed = [&] {
    HiveFileRegistry registry;
    HKey key = 0;
    return std::ranges::all_of(opens, [&](const auto& open) {
      return registry.RegOpenKeyExA(kHkeyLocalMachine, open.first, 0, reg_access::kAll, key) == open.second;
    });
  };
  EXPECT_EQ(testing::RunAsNobody(opens_as_listed), 0);

  testing::WriteFile(sandbox_.root() / "own.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail]\n");
  sandbox_.SetEnv("QUORVEL_MACHINE_HIVE", (sandbox_.root() / "own.reg").string());
  EXPECT_EQ(listed(), "");
}

TEST_F(DesktopMailClientsTest, OnlyHiddenHandlersMeansNoView) {
  sandbox_.AddRecordingClient("hidden", "Hidden Mail", "{program} %u", {.hidden = true});
  ASSERT_TRUE(sandbox_.Refresh());
  EXPECT_EQ(DesktopMailClients(), std::nullopt);
}

// A Hidden entry does not exist, even where mimeapps.list names it: listing and opening links both
// take the first handler there is instead.
TEST_F(DesktopMailClientsTest, HiddenDefaultGivesWayToTheFirstHandler) {
  sandbox_.AddRecordingClient("alpha", "Alpha Mail", "{program} %u");
  sandbox_.AddRecordingClient("hidden", "Hidden Mail", "{program} %u", {.hidden = true});
  sandbox_.SetDefault("hidden");
  ASSERT_TRUE(sandbox_.Refresh());
  const auto view = DesktopMailClients();
  ASSERT_TRUE(view);
  EXPECT_EQ(Render(*view), " = 1:Alpha Mail\\0\n\\Alpha Mail\\shell\\open\\command = 1:" + Program("alpha") + "\\0\n");
  EXPECT_GT(DesktopShell().ShellExecuteA("open", "mailto:a@x.org"), 32);
  EXPECT_EQ(sandbox_.WaitForRecord("alpha"), std::vector<std::string>{"mailto:a@x.org"});
}

}  // namespace
}  // namespace quorvel::platform
