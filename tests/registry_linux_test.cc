#include "platform/registry_linux.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/registry_operations.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class HiveFileRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorvel-hive-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    for (const char* name : {"QUORVEL_MACHINE_HIVE", "QUORVEL_USER_HIVE", "XDG_CONFIG_HOME"}) {
      if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (const char* name : {"QUORVEL_MACHINE_HIVE", "QUORVEL_USER_HIVE", "XDG_CONFIG_HOME"}) unsetenv(name);
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    fs::remove_all(folder_);
  }

  fs::path Write(const fs::path& relative, const std::string& text) {
    const fs::path path = folder_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  fs::path folder_;
  std::vector<std::pair<std::string, std::string>> saved_;
  HiveFileRegistry registry_;
};

constexpr const char* kMachineHive =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail]\r\n"
    "@=\"Evolution\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail\\Evolution]\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail\\Mozilla Thunderbird]\r\n";

TEST_F(HiveFileRegistryTest, ReadsTheMachineHiveNamedByTheEnvironment) {
  setenv("QUORVEL_MACHINE_HIVE", Write("machine.reg", kMachineHive).c_str(), 1);
  StringArray names;
  EXPECT_TRUE(MRegistryOperations::RegGetKeys(registry_, kHkeyLocalMachine, "Software\\Clients\\Mail", names));
  EXPECT_EQ(names, StringArray(0, {"Evolution", "Mozilla Thunderbird"}));
  EXPECT_EQ(MRegistryOperations::RegQueryValue(registry_, kHkeyLocalMachine, "software\\clients\\mail", ""),
            Variant("Evolution"));
}

TEST_F(HiveFileRegistryTest, UserHiveFollowsTheConfigHome) {
  setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  Write("quorvel/user.reg", "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Quorvel]\n\"Carrier\"=\"MAPI\"\n");
  EXPECT_EQ(MRegistryOperations::RegQueryValue(registry_, kHkeyCurrentUser, "Software\\Quorvel", "Carrier"),
            Variant("MAPI"));
  setenv("QUORVEL_USER_HIVE", (folder_ / "absent.reg").c_str(), 1);
  HKey key = 0;
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, "Software\\Quorvel", key), reg_status::kFileNotFound);
  EXPECT_EQ(registry_.RegOpenKeyA(kHkeyCurrentUser, "", key), reg_status::kSuccess) << "a missing file is an empty hive";
  registry_.RegCloseKey(key);
  EXPECT_EQ(registry_.RegOpenKeyA(0x80000000, "", key), reg_status::kInvalidHandle);
}

TEST_F(HiveFileRegistryTest, UnreadableHivesRaiseErrorsNamingTheFile) {
  struct Case {
    const char* name;
    std::string contents;  // empty: make a folder instead of a file
    std::int32_t number;
    const char* text;
  };
  const Case cases[] = {
      {"broken.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"x\"=hex:0g\n", 321, "broken.reg line 4"},
      {"folder.reg", "", 75, "folder.reg: not a regular file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = c.contents.empty() ? folder_ / c.name : Write(c.name, c.contents);
    if (c.contents.empty()) fs::create_directory(path);
    setenv("QUORVEL_MACHINE_HIVE", path.c_str(), 1);
    HKey key = 0;
    try {
      registry_.RegOpenKeyA(kHkeyLocalMachine, "Software", key);
      ADD_FAILURE() << "the open answered";
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.number(), c.number);
      EXPECT_THAT(error.description(), HasSubstr(c.text));
    }
  }
}

// Runs the check as an unprivileged user, since the superuser may write any file.
int RunAsNobody(const std::function<bool()>& check) {
  const pid_t child = fork();
  if (child == 0) {
    if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(check() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(HiveFileRegistryTest, ReadOnlyHiveRefusesAnOpenAskingForMore) {
  const fs::path path = Write("machine.reg", kMachineHive);
  chmod(folder_.c_str(), 0755);
  chmod(path.c_str(), 0644);
  if (getuid() != 0) chmod(path.c_str(), 0444);
  setenv("QUORVEL_MACHINE_HIVE", path.c_str(), 1);
  const int status = RunAsNobody([] {
    HiveFileRegistry registry;
    HKey key = 0;
    const bool refused = registry.RegOpenKeyExA(kHkeyLocalMachine, "Software\\Clients\\Mail", 0, 0x3F, key) ==
                         reg_status::kAccessDenied;
    const bool readable = registry.RegOpenKeyExA(kHkeyLocalMachine, "Software\\Clients\\Mail", 0,
                                                 reg_access::kRead, key) == reg_status::kSuccess;
    const bool listable = registry.RegOpenKeyA(kHkeyLocalMachine, "Software\\Clients\\Mail", key) == 0;
    return refused && readable && listable;
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(HiveIsWritable(folder_ / "new" / "user.reg")) << "a hive not yet made in a writable folder";
}

}  // namespace
}  // namespace quorvel::platform
