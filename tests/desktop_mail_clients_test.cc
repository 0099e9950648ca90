#include "platform/desktop_mail_clients.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "platform/registry_linux.h"
#include "platform/registry_operations.h"
#include "tests/sandbox/xdg_sandbox.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using testing::ClientProgram;
using testing::XdgSandbox;

TEST(CommandWithoutFieldCodesTest, RemovesTheCodesAndTheBlanksTheyLeave) {
  const std::pair<const char*, const char*> cases[] = {
      {"thunderbird %u", "thunderbird"},
      {"evolution %U --compose", "evolution --compose"},
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
    if (!sandbox_.fresh_process()) GTEST_SKIP() << "GIO already read another sandbox; run each test alone";
  }
  // Alpha and Beta (the default) are launchable; the hidden one and the one whose program is missing
  // are not, whether by Exec or TryExec. NoDisplay only keeps an entry out of menus.
  void InstallClients() {
    sandbox_.AddRecordingClient("alpha", "Alpha Mail", "{program} %u");
    sandbox_.AddRecordingClient("beta", "Beta Mail", "{program} --compose %U", {.no_display = true});
    sandbox_.AddRecordingClient("hidden", "Hidden Mail", "{program} %u", {.hidden = true});
    sandbox_.AddRecordingClient("gone", "Gone Mail", "{program} %u", {.program = ClientProgram::kMissing});
    sandbox_.AddRecordingClient("tried", "Tried Mail", "{program} %u", {.try_exec = "{program}-absent"});
    sandbox_.SetDefault("beta");
    ASSERT_TRUE(sandbox_.Refresh());
  }
  std::string Program(const std::string& id) { return sandbox_.ProgramPath(id).string(); }

  XdgSandbox sandbox_;
};

TEST_F(DesktopMailClientsTest, ListsTheLaunchableHandlersTheDefaultAndTheirCommands) {
  InstallClients();
  const auto view = DesktopMailClients();
  ASSERT_TRUE(view);
  EXPECT_EQ(Render(*view), " = 1:Beta Mail\\0\n"
                           "\\Alpha Mail\\shell\\open\\command = 1:" + Program("alpha") + "\\0\n" +
                           "\\Beta Mail\\shell\\open\\command = 1:" + Program("beta") + " --compose\\0\n");
}

TEST_F(DesktopMailClientsTest, RepeatedNamesGetTheDesktopIdAppended) {
  for (const auto& [id, name] : {std::pair{"mail-a", "Mail"}, {"mail-b", "Mail"}, {"mail-c", "MAIL"}}) {
    sandbox_.AddRecordingClient(id, name, "{program} %u");
  }
  sandbox_.SetDefault("mail-b");
  ASSERT_TRUE(sandbox_.Refresh());
  const auto view = DesktopMailClients();
  ASSERT_TRUE(view);
  EXPECT_EQ(Render(*view), " = 1:Mail (mail-b)\\0\n"
                           "\\Mail\\shell\\open\\command = 1:" + Program("mail-a") + "\\0\n" +
                           "\\Mail (mail-b)\\shell\\open\\command = 1:" + Program("mail-b") + "\\0\n" +
                           "\\MAIL (mail-c)\\shell\\open\\command = 1:" + Program("mail-c") + "\\0\n");
}

TEST_F(DesktopMailClientsTest, OnlyHiddenHandlersMeansNoView) {
  sandbox_.AddRecordingClient("hidden", "Hidden Mail", "{program} %u", {.hidden = true});
  ASSERT_TRUE(sandbox_.Refresh());
  EXPECT_EQ(DesktopMailClients(), std::nullopt);
}

// GIO answers a Hidden entry named in mimeapps.list as the default; the view names no default then.
TEST_F(DesktopMailClientsTest, DefaultThatIsLeftOutIsNoDefault) {
  sandbox_.AddRecordingClient("alpha", "Alpha Mail", "{program} %u");
  sandbox_.AddRecordingClient("hidden", "Hidden Mail", "{program} %u", {.hidden = true});
  sandbox_.SetDefault("hidden");
  ASSERT_TRUE(sandbox_.Refresh());
  const auto view = DesktopMailClients();
  ASSERT_TRUE(view);
  EXPECT_EQ(Render(*view), "\\Alpha Mail\\shell\\open\\command = 1:" + Program("alpha") + "\\0\n");
}

TEST_F(DesktopMailClientsTest, MachineHiveShowsTheViewUnlessItHasItsOwnMailKey) {
  InstallClients();
  sandbox_.SetEnv("QUORVEL_MACHINE_HIVE", (sandbox_.root() / "absent.reg").string());
  HiveFileRegistry registry;
  StringArray names;
  EXPECT_TRUE(MRegistryOperations::RegGetKeys(registry, kHkeyLocalMachine, "Software\\Clients\\Mail", names));
  EXPECT_EQ(names, StringArray(0, {"Alpha Mail", "Beta Mail"}));
  EXPECT_EQ(MRegistryOperations::RegQueryValue(registry, kHkeyLocalMachine, "Software\\Clients\\Mail", ""),
            Variant("Beta Mail"));
  EXPECT_EQ(MRegistryOperations::RegQueryValue(registry, kHkeyLocalMachine,
                                               "software\\clients\\mail\\alpha mail\\shell\\open\\command", ""),
            Variant(Program("alpha")));

  const fs::path hive = sandbox_.root() / "machine.reg";
  std::ofstream(hive) << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail]\n";
  sandbox_.SetEnv("QUORVEL_MACHINE_HIVE", hive.string());
  EXPECT_FALSE(MRegistryOperations::RegGetKeys(registry, kHkeyLocalMachine, "Software\\Clients\\Mail", names));
}

TEST_F(DesktopMailClientsTest, ViewGrantsAllRightsWhereTheMachineHiveIsReadOnly) {
  InstallClients();
  // A hive file nobody but root may create; the check runs as nobody, since root may write anywhere.
  const fs::path locked = sandbox_.root() / "locked";
  fs::create_directory(locked);
  const auto readable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec;
  fs::permissions(sandbox_.root(), readable);
  fs::permissions(locked, readable & ~fs::perms::owner_write);
  sandbox_.SetEnv("QUORVEL_MACHINE_HIVE", (locked / "machine.reg").string());
  const pid_t child = fork();
  if (child == 0) {
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    HiveFileRegistry registry;
    HKey key = 0;
    const bool hive_read_only =
        registry.RegOpenKeyExA(kHkeyLocalMachine, "Software", 0, reg_access::kAll, key) == reg_status::kAccessDenied;
    const bool view_granted = registry.RegOpenKeyExA(kHkeyLocalMachine, "Software\\Clients\\Mail\\Beta Mail", 0,
                                                     reg_access::kAll, key) == reg_status::kSuccess;
    _exit(hive_read_only ? (view_granted ? 0 : 1) : 3);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the view refused all rights, 2: cannot become nobody, 3: hive not read-only";
}

// A hive granting read rights only still grants all of them on the desktop's Mail key and below.
class ReadOnlyHive : public TreeRegistry {
 protected:
  std::optional<Hive> LoadHive(HKey) override {
    auto keys = std::make_shared<RegKey>();
    for (const char* path : {"Software\\Clients\\Mail\\Alpha", "Software\\Clients\\Mailbox"}) keys->FindOrCreate(path);
    return Hive{keys, reg_access::kRead, "Software\\Clients\\Mail"};
  }
};

TEST(FullyGrantedPathTest, GrantsAllRightsAtAndBelowThePathOnly) {
  const std::pair<const char*, RegStatus> cases[] = {
      {"Software\\Clients\\Mail", reg_status::kSuccess},
      {"\\SOFTWARE\\clients\\\\MAIL\\alpha\\", reg_status::kSuccess},
      {"Software\\Clients", reg_status::kAccessDenied},
      {"Software\\Clients\\Mailbox", reg_status::kAccessDenied},
  };
  ReadOnlyHive registry;
  for (const auto& [path, status] : cases) {
    HKey key = 0;
    EXPECT_EQ(registry.RegOpenKeyExA(kHkeyLocalMachine, path, 0, reg_access::kAll, key), status) << path;
    registry.RegCloseKey(key);
  }
}

TEST_F(DesktopMailClientsTest, CommandLineHostListsTheDesktopClients) {
  InstallClients();
  sandbox_.SetEnv("QUORVEL_MACHINE_HIVE", (sandbox_.root() / "absent.reg").string());
  sandbox_.SetEnv("QUORVEL_USER_HIVE", (sandbox_.root() / "user.reg").string());
  const fs::path host = fs::read_symlink("/proc/self/exe").parent_path() / "quorvel";
  FILE* out = popen(("'" + host.string() + "' clients 2>/dev/null").c_str(), "r");
  ASSERT_NE(out, nullptr);
  std::string listed;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, out)) listed += buffer;
  EXPECT_EQ(pclose(out), 0);
  EXPECT_EQ(listed, "  Alpha Mail\n* Beta Mail\n");
}

}  // namespace
}  // namespace quorvel::platform
