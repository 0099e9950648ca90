#include "platform/linux/settings_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "platform/reg_file.h"
#include "platform/registry.h"
#include "quorvel/error.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using quorvel::testing::WriteFile;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

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
  WriteFile(hive_, "REGEDIT4\n");  // changed by another hand since it was read
  store_.SaveSetting("App", "Sec", "Text", "saved");
  EXPECT_EQ(HiveSettingsStore().GetSetting("App", "Sec", "Text", "none"), "saved");
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

// Runs body in a child process, which exits with 0 when body returns (an error escaping it aborts the child).
pid_t Fork(const std::function<void()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    body();
    _exit(0);
  }
  return child;
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

}  // namespace
}  // namespace quorvel::platform
