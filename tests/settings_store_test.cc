#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

#include "platform/reg_file.h"
#include "platform/registry.h"
#include "platform/registry_linux.h"
#include "platform/settings_store_linux.h"
#include "quorvel/error.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using quorvel::testing::WriteFile;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

RegValue Bytes(std::uint32_t type, std::string_view bytes) { return RegValue{type, {bytes.begin(), bytes.end()}}; }
RegValue Text(std::string_view text) { return Bytes(reg_type::kString, std::string(text) + '\0'); }

// Every kind of value, and every string the quotes cannot hold, must read back as written.
TEST(RegFileWrite, ReadsBackAsTheSameTree) {
  RegKey tree;
  tree.SetValue("", Text("root default"));
  const std::pair<std::string, RegValue> kValues[] = {
      {"", Text("unnamed")},
      {"empty text", Text("")},
      {"naïve ü😀", Text("日本語")},
      {"q\"b\\s\"", Text("C:\\Program Files\\\"x\"\\")},
      {"crlf", Text("line 1\r\nline 2")},
      {"no data", Bytes(reg_type::kString, "")},
      {"no NUL", Bytes(reg_type::kString, "abc")},
      {"inner NUL", Bytes(reg_type::kString, "a\0b\0"s)},
      {"dword", Bytes(reg_type::kDword, "\x78\x56\x34\x12")},
      {"short dword", Bytes(reg_type::kDword, "\x01\x02")},
      {"binary", Bytes(reg_type::kBinary, std::string(200, '\xA5'))},
      {"none", Bytes(reg_type::kNone, "")},
      {"expand", Bytes(reg_type::kExpandString, "%\0\0"s)},
      {"@", Bytes(0x12345678, "\xFF")},
  };
  for (const auto& [name, value] : kValues) tree.FindOrCreate("Software\\Q").SetValue(name, value);
  tree.FindOrCreate("Software\\Empty Key");
  tree.FindOrCreate("Software\\-x]\\Été");

  const std::string text = WriteRegFile(tree, "HKEY_CURRENT_USER");
  EXPECT_EQ(ParseRegFile(text, "HKEY_CURRENT_USER", "written.reg"), tree) << text;
  // The forms the registry editor itself writes, so that it reads ours.
  EXPECT_THAT(text, StartsWith("Windows Registry Editor Version 5.00\r\n"));
  for (const char* line : {"\r\n[HKEY_CURRENT_USER\\Software\\Q]\r\n@=\"unnamed\"\r\n",
                           "\r\n\"q\\\"b\\\\s\\\"\"=\"C:\\\\Program Files\\\\\\\"x\\\"\\\\\"\r\n",
                           "\r\n\"dword\"=dword:12345678\r\n", "\r\n\"@\"=hex(12345678):ff\r\n"}) {
    EXPECT_THAT(text, HasSubstr(line));
  }
  EXPECT_THAT(text, ::testing::Not(::testing::ContainsRegex("[^\n]{81}"))) << "longer lines than the editor writes";
}

class HiveSettingsStoreTest : public ::testing::Test {
 protected:
  HiveSettingsStoreTest() { env_.Set("QUORVEL_USER_HIVE", hive_.string()); }

  quorvel::testing::TempDir dir_;
  quorvel::testing::ScopedEnv env_;
  const fs::path hive_ = dir_ / "config" / "user.reg";
  HiveSettingsStore store_;
};

TEST_F(HiveSettingsStoreTest, GetAnswersTheDefaultUnlessAStringIsSaved) {
  EXPECT_EQ(store_.GetSetting("App", "Sec", "Key", "none"), "none") << "no hive file";
  WriteFile(hive_,
            "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\App\\Sec]\n"
            "\"Text\"=\"saved\"\n\"Number\"=dword:1\n\"Empty\"=\"\"\n");
  const std::tuple<const char*, const char*, const char*, const char*> kCases[] = {
      {"App", "Sec", "Text", "saved"},  {"app", "SEC", "text", "saved"},   {"App", "Sec", "Empty", ""},
      {"App", "Sec", "Number", "none"}, {"App", "Sec", "Missing", "none"}, {"App", "Other", "Text", "none"},
  };
  for (const auto& [app, section, key, expected] : kCases) {
    EXPECT_EQ(store_.GetSetting(app, section, key, "none"), expected) << key;
  }
}

// Empty names name no key, so reading them fails too (`true`); the hive's lines cannot hold a line break, a NUL or
// invalid UTF-8, so only saving such names fails, and reading them merely finds nothing.
TEST_F(HiveSettingsStoreTest, NamesNoHiveCanHoldAreInvalidArguments) {
  const auto invalid = ThrowsMessage<AutomationError>(StartsWith("Error 5: Invalid procedure call"));
  const std::tuple<std::string, std::string, std::string, bool> kCases[] = {
      {"", "S", "K", true},      {"A", "", "K", true},      {"A", "S", "", true},       {"\\", "S", "K", true},
      {"A", "S", "a\nb", false}, {"A", "a\rb", "K", false}, {"A", "S", "a\0b"s, false}, {"\xC3(", "S", "K", false},
  };
  for (const auto& [app, section, key, empty] : kCases) {
    SCOPED_TRACE(app + "|" + section + "|" + key);
    EXPECT_THAT([&] { store_.SaveSetting(app, section, key, "v"); }, invalid);
    if (!empty) continue;
    EXPECT_THAT([&] { store_.GetSetting(app, section, key, "v"); }, invalid);
  }
  EXPECT_FALSE(fs::exists(hive_));
}

// The first save makes the folder and the hive private; later ones change one value and keep the rest of the
// hive, the mode its owner gave it included, and one that changes nothing leaves the file alone.
TEST_F(HiveSettingsStoreTest, SaveChangesOneValueAndKeepsTheRest) {
  store_.SaveSetting("App", "Sec", "Key", "first");
  EXPECT_EQ(fs::status(hive_.parent_path()).permissions(), fs::perms(0700));
  EXPECT_EQ(fs::status(hive_).permissions(), fs::perms(0600));
  const std::string before =
      "Windows Registry Editor Version 5.00\r\n; a comment\r\n[HKCU\\Software\\Other]\r\n\"Bin\"=hex:01,02\r\n"
      "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\App\\Sec]\r\n\"Keep\"=\"k\"\r\n\"Key\"=\"old\"\r\n";
  WriteFile(hive_, before);
  fs::permissions(hive_, fs::perms(0640));
  store_.SaveSetting("App", "Sec", "Key", "new");
  store_.SaveSetting("App", "New Sec", "Key", "n");

  RegKey expected = ParseRegFile(before, "HKEY_CURRENT_USER", "before.reg");
  expected.FindOrCreate("Software\\VB and VBA Program Settings\\App\\Sec").SetValue("Key", Text("new"));
  expected.FindOrCreate("Software\\VB and VBA Program Settings\\App\\New Sec").SetValue("Key", Text("n"));
  EXPECT_EQ(ReadHiveFile(hive_, "HKEY_CURRENT_USER"), expected);
  EXPECT_EQ(fs::status(hive_).permissions(), fs::perms(0640));

  struct stat written {};
  ASSERT_EQ(stat(hive_.c_str(), &written), 0);
  store_.SaveSetting("App", "Sec", "Key", "new");
  struct stat again {};
  ASSERT_EQ(stat(hive_.c_str(), &again), 0);
  EXPECT_EQ(again.st_ino, written.st_ino) << "saving the value already there replaced the hive";
}

TEST_F(HiveSettingsStoreTest, MalformedHiveRaisesAndIsNeverOverwritten) {
  const std::string broken = "REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n\"x\"=hex:0g\n";
  WriteFile(hive_, broken);
  const auto raises = ThrowsMessage<AutomationError>(::testing::MatchesRegex("Error 321: .*user\\.reg line 3.*"));
  EXPECT_THAT([&] { store_.SaveSetting("App", "Sec", "Key", "v"); }, raises);
  EXPECT_THAT([&] { store_.GetSetting("App", "Sec", "Key", "d"); }, raises);
  EXPECT_EQ(quorvel::testing::ReadFile(hive_), broken);
}

// Runs body in a child process, which exits with 0 when body returns (an error escaping it aborts the child).
pid_t Fork(const std::function<void()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    body();
    _exit(0);
  }
  return child;
}

TEST_F(HiveSettingsStoreTest, ConcurrentSaversLoseNothing) {
  constexpr int kProcesses = 8, kKeysEach = 5;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(Fork([this, p] {
      for (int k = 0; k < kKeysEach; ++k) store_.SaveSetting("App", "Sec", std::to_string(p * kKeysEach + k), "v");
    }));
  }
  for (const pid_t child : children) {
    int status = -1;
    EXPECT_TRUE(waitpid(child, &status, 0) == child && status == 0) << "a saver failed";
  }
  for (int key = 0; key < kProcesses * kKeysEach; ++key) {
    EXPECT_EQ(store_.GetSetting("App", "Sec", std::to_string(key), "lost"), "v");
  }
}

// The hive's size and the number of files beside it: a save under way changes one or the other.
std::pair<std::uintmax_t, std::ptrdiff_t> Footprint(const fs::path& hive) {
  return {fs::file_size(hive), std::distance(fs::directory_iterator(hive.parent_path()), {})};
}

TEST_F(HiveSettingsStoreTest, SaverKilledWhileWritingLeavesTheEarlierHive) {
  const std::string big(1 << 20, 'b');  // long enough to write that the kill lands inside the write
  store_.SaveSetting("App", "Sec", "Earlier", big);
  for (int round = 0; round < 5; ++round) {
    const auto before = Footprint(hive_);
    // A value of a new size every round, so that the hive's size shows when the save is done.
    const pid_t child = Fork([this, round] { store_.SaveSetting("App", "Loop", "N", std::string(round + 1, 'n')); });
    for (int spin = 0; spin < 1'000'000 && Footprint(hive_) == before; ++spin) continue;
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_EQ(store_.GetSetting("App", "Sec", "Earlier", ""), big) << "round " << round;
  }
  store_.SaveSetting("App", "Sec", "After", "saved");
  EXPECT_EQ(store_.GetSetting("App", "Sec", "After", ""), "saved") << "the lock died with its holder";
}

// A save never writes what the reader would refuse, and keeps the hive it had.
TEST_F(HiveSettingsStoreTest, SaveNeverWritesAHiveTheReaderRefuses) {
  store_.SaveSetting("App", "Sec", "Key", "kept");
  const std::string before = quorvel::testing::ReadFile(hive_);
  EXPECT_EQ(std::count(before.begin(), before.end(), '['), 1) << "keys that only hold subkeys need no line:\n"
                                                              << before;
  std::string deep_app = "a";
  for (std::size_t level = 0; level < kMaxKeyDepth; ++level) deep_app += "\\a";
  const std::pair<std::string, std::string> kRefused[] = {
      {deep_app, "v"}, {"App", std::string(23 << 20, '\n')},  // passes 64 MiB once written as hex
  };
  for (const auto& [app, value] : kRefused) {
    EXPECT_THAT([&] { store_.SaveSetting(app, "Sec", "Other", value); },
                ThrowsMessage<AutomationError>(StartsWith("Error 5: ")));
    EXPECT_EQ(quorvel::testing::ReadFile(hive_), before);
  }
  EXPECT_EQ(store_.GetSetting("App", "Sec", "Key", ""), "kept");
}

// A save honours what the registry does: a hive this user may not write stays as it is, and a hive reached
// through a link is written at the link's target, the link staying.
TEST_F(HiveSettingsStoreTest, SaveHonoursReadOnlyAndLinkedHives) {
  const fs::path target = dir_ / "elsewhere" / "real.reg";
  WriteFile(target, "REGEDIT4\n");
  fs::create_directories(hive_.parent_path());
  fs::create_symlink(target, hive_);
  store_.SaveSetting("App", "Sec", "Key", "linked");
  EXPECT_TRUE(fs::is_symlink(hive_));
  EXPECT_THAT(quorvel::testing::ReadFile(target), HasSubstr("\"Key\"=\"linked\""));
  fs::remove(target);
  EXPECT_THAT([&] { store_.SaveSetting("App", "Sec", "Key", "dangling"); },
              ThrowsMessage<AutomationError>(StartsWith("Error 75: ")));
  EXPECT_TRUE(fs::is_symlink(hive_) && !fs::exists(target));

  fs::remove(hive_);
  WriteFile(hive_, "REGEDIT4\n");
  // As nobody, owning the folder and the read-only hive, since the superuser may write any file.
  chmod(dir_.path().c_str(), 0755);
  chmod(hive_.c_str(), 0444);
  if (getuid() == 0) {
    for (const fs::path& path : {hive_.parent_path(), hive_}) ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
  }
  const int status = quorvel::testing::RunAsNobody([this] {
    try {
      store_.SaveSetting("App", "Sec", "Key", "new");
    } catch (const AutomationError& error) {
      return error.number() == 75 && error.description().ends_with("user.reg: Permission denied");
    }
    return false;
  });
  EXPECT_EQ(status, 0) << "the save was not refused with 75 naming the hive";
  EXPECT_EQ(quorvel::testing::ReadFile(hive_), "REGEDIT4\n");
}

TEST_F(HiveSettingsStoreTest, SaveRemovesTemporaryHivesKilledSaversLeft) {
  store_.SaveSetting("App", "Sec", "Key", "v");
  const auto an_hour_ago = fs::file_time_type::clock::now() - std::chrono::hours(1);
  const struct {
    const char* name;
    bool old;
    bool stays;
  } kFiles[] = {
      {"user.reg.saving-Ab3xYz", true, false},
      {"user.reg.saving-Qq12Rs", false, true},  // may be a save under way elsewhere
      {"user.reg.backup", true, true},
      {"other.reg.saving-Ab3xYz", true, true},
  };
  for (const auto& file : kFiles) {
    WriteFile(hive_.parent_path() / file.name, "REGEDIT4\n");
    if (file.old) fs::last_write_time(hive_.parent_path() / file.name, an_hour_ago);
  }
  store_.SaveSetting("App", "Sec", "Key", "w");
  for (const auto& file : kFiles) EXPECT_EQ(fs::exists(hive_.parent_path() / file.name), file.stays) << file.name;
}

}  // namespace
}  // namespace quorvel::platform
