#include "platform/settings_store_linux.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/reg_file.h"
#include "platform/registry.h"
#include "platform/registry_linux.h"
#include "quorvel/error.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// Expects the call to raise the numbered error with a description holding `text`.
void ExpectRaises(const std::function<void()>& call, std::int32_t number, const std::string& text = "") {
  try {
    call();
    ADD_FAILURE() << "no error";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), number);
    EXPECT_THAT(error.description(), HasSubstr(text));
  }
}

RegValue Bytes(std::uint32_t type, std::string_view bytes) { return RegValue{type, {bytes.begin(), bytes.end()}}; }
RegValue Text(std::string_view text) { return Bytes(reg_type::kString, std::string(text) + '\0'); }

TEST(RegFileWrite, ReadsBackAsTheSameTree) {
  RegKey tree;
  tree.SetValue("", Text("root default"));
  RegKey& key = tree.FindOrCreate("Software\\Q");
  key.SetValue("", Text("unnamed"));
  key.SetValue("plain", Text("text"));
  key.SetValue("empty text", Text(""));
  key.SetValue("no data", Bytes(reg_type::kString, ""));
  key.SetValue("no NUL", Bytes(reg_type::kString, "abc"));
  key.SetValue(std::string_view("inner NUL", 9), Bytes(reg_type::kString, std::string_view("a\0b\0", 4)));
  key.SetValue("naïve ü😀", Text("日本語"));
  key.SetValue("q\"b\\s\"", Text("C:\\Program Files\\\"x\"\\"));
  key.SetValue("crlf", Text("line 1\r\nline 2"));
  key.SetValue("invalid UTF-8", Text("\xC3("));
  key.SetValue("dword", Bytes(reg_type::kDword, "\x78\x56\x34\x12"));
  key.SetValue("short dword", Bytes(reg_type::kDword, "\x01\x02"));
  key.SetValue("binary", Bytes(reg_type::kBinary, std::string(200, '\xA5')));
  key.SetValue("expand", Bytes(reg_type::kExpandString, std::string_view("%\0\0", 3)));
  key.SetValue("none", Bytes(reg_type::kNone, ""));
  key.SetValue("@", Bytes(0x12345678, "\xFF"));
  tree.FindOrCreate("Software\\Empty Key");
  tree.FindOrCreate("Software\\-x]\\Été");

  const std::string text = WriteRegFile(tree, "HKEY_CURRENT_USER");
  EXPECT_EQ(ParseRegFile(text, "HKEY_CURRENT_USER", "written.reg"), tree) << text;
  EXPECT_TRUE(text.starts_with("Windows Registry Editor Version 5.00\r\n"));
  for (const char* line : {"\r\n[HKEY_CURRENT_USER\\Software\\Q]\r\n@=\"unnamed\"\r\n", "\r\n\"plain\"=\"text\"\r\n",
                           "\r\n\"q\\\"b\\\\s\\\"\"=\"C:\\\\Program Files\\\\\\\"x\\\"\\\\\"\r\n",
                           "\r\n\"dword\"=dword:12345678\r\n", "\r\n\"@\"=hex(12345678):ff\r\n"}) {
    EXPECT_THAT(text, HasSubstr(line));
  }
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
}

TEST(RegFileWrite, RefusesNamesNoLineCanHold) {
  for (const std::string& name :
       {std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3), std::string("\xC3(")}) {
    RegKey values;
    values.FindOrCreate("K").SetValue(name, Text("x"));
    RegKey keys;
    keys.FindOrCreate(name);
    for (const RegKey* tree : {&values, &keys}) {
      ExpectRaises([tree] { WriteRegFile(*tree, "HKEY_CURRENT_USER"); }, error_number::kInvalidProcedureCall);
    }
  }
}

constexpr const char* kSettings = "Software\\VB and VBA Program Settings";

class HiveSettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorvel-settings-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    hive_ = folder_ / "config" / "user.reg";
    if (const char* value = std::getenv("QUORVEL_USER_HIVE")) saved_ = value;
    setenv("QUORVEL_USER_HIVE", hive_.c_str(), 1);
  }
  void TearDown() override {
    if (saved_) {
      setenv("QUORVEL_USER_HIVE", saved_->c_str(), 1);
    } else {
      unsetenv("QUORVEL_USER_HIVE");
    }
    fs::remove_all(folder_);
  }

  void WriteHive(const std::string& text) {
    fs::create_directories(hive_.parent_path());
    std::ofstream(hive_, std::ios::binary) << text;
  }
  std::string HiveBytes() const {
    std::ifstream in(hive_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  RegKey Hive() const { return ReadHiveFile(hive_, "HKEY_CURRENT_USER"); }

  fs::path folder_, hive_;
  std::optional<std::string> saved_;
  HiveSettingsStore store_;
};

TEST_F(HiveSettingsStoreTest, GetAnswersTheDefaultUnlessAStringIsSaved) {
  EXPECT_EQ(store_.GetSetting("App", "Sec", "Key", "none"), "none") << "no hive file";
  WriteHive("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\App\\Sec]\n"
            "\"Text\"=\"saved\"\n\"Number\"=dword:1\n\"Empty\"=\"\"\n");
  static constexpr struct {
    const char *app, *section, *key, *expected;
  } kCases[] = {
      {"App", "Sec", "Text", "saved"},  {"app", "SEC", "text", "saved"}, {"App", "Sec", "Empty", ""},
      {"App", "Sec", "Number", "none"}, {"App", "Sec", "Missing", "none"}, {"App", "Other", "Text", "none"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(store_.GetSetting(c.app, c.section, c.key, "none"), c.expected);
  }
}

TEST_F(HiveSettingsStoreTest, EmptyNamesAreInvalidArguments) {
  for (const auto& [app, section, key] : {std::tuple{"", "S", "K"}, {"A", "", "K"}, {"A", "S", ""}, {"\\", "S", "K"}}) {
    SCOPED_TRACE(std::string(app) + "|" + section + "|" + key);
    ExpectRaises([&] { store_.SaveSetting(app, section, key, "v"); }, error_number::kInvalidProcedureCall);
    ExpectRaises([&] { store_.GetSetting(app, section, key, "v"); }, error_number::kInvalidProcedureCall);
  }
  EXPECT_FALSE(fs::exists(hive_));
}

TEST_F(HiveSettingsStoreTest, SaveChangesOneValueAndKeepsTheRest) {
  const std::string before =
      "Windows Registry Editor Version 5.00\r\n; a comment\r\n[HKCU\\Software\\Other]\r\n\"Bin\"=hex:01,02\r\n"
      "[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\App\\Sec]\r\n\"Keep\"=\"k\"\r\n\"Key\"=\"old\"\r\n";
  WriteHive(before);
  chmod(hive_.c_str(), 0640);
  store_.SaveSetting("App", "Sec", "Key", "new\r\nline");
  store_.SaveSetting("App", "New Sec", "Key", "n");

  RegKey expected = ParseRegFile(before, "HKEY_CURRENT_USER", "before.reg");
  RegKey& section = expected.FindOrCreate(std::string(kSettings) + "\\App\\Sec");
  section.SetValue("Key", Text("new\r\nline"));
  expected.FindOrCreate(std::string(kSettings) + "\\App\\New Sec").SetValue("Key", Text("n"));
  EXPECT_EQ(Hive(), expected);
  EXPECT_EQ(store_.GetSetting("App", "Sec", "Key", ""), "new\r\nline");
  EXPECT_EQ(fs::status(hive_).permissions(), fs::perms(0640)) << "the hive keeps its mode";
}

TEST_F(HiveSettingsStoreTest, FirstSaveMakesAPrivateFolderAndFile) {
  store_.SaveSetting("App", "Sec", "Key", "v");
  EXPECT_EQ(fs::status(hive_.parent_path()).permissions(), fs::perms(0700));
  EXPECT_EQ(fs::status(hive_).permissions(), fs::perms(0600));
  EXPECT_EQ(store_.GetSetting("App", "Sec", "Key", ""), "v");
}

TEST_F(HiveSettingsStoreTest, MalformedHiveRaisesAndIsNeverOverwritten) {
  const std::string broken = "REGEDIT4\n[HKEY_CURRENT_USER\\Software]\n\"x\"=hex:0g\n";
  WriteHive(broken);
  ExpectRaises([&] { store_.SaveSetting("App", "Sec", "Key", "v"); }, kInvalidFileFormat, "user.reg line 3");
  ExpectRaises([&] { store_.GetSetting("App", "Sec", "Key", "d"); }, kInvalidFileFormat, "user.reg line 3");
  EXPECT_EQ(HiveBytes(), broken);
}

// Runs body in a child process; the child reports success by its exit status.
pid_t Fork(const std::function<void()>& body) {
  const pid_t child = fork();
  if (child == 0) {
    try {
      body();
      _exit(0);
    } catch (...) {
      _exit(1);
    }
  }
  return child;
}

TEST_F(HiveSettingsStoreTest, ConcurrentSaversLoseNothing) {
  constexpr int kProcesses = 8;
  constexpr int kKeys = 5;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    children.push_back(Fork([&store = store_, p] {
      for (int k = 0; k < kKeys; ++k) store.SaveSetting("App", "S" + std::to_string(p), "K" + std::to_string(k), "v");
    }));
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcesses; ++p) {
    for (int k = 0; k < kKeys; ++k) {
      EXPECT_EQ(store_.GetSetting("App", "S" + std::to_string(p), "K" + std::to_string(k), "lost"), "v");
    }
  }
}

// Whether a save is under way: a file beside the hive other than its lock, or a hive of another size.
bool SaveUnderWay(const fs::path& hive, std::uintmax_t size) {
  std::error_code error;
  if (fs::file_size(hive, error) != size) return true;
  for (const auto& entry : fs::directory_iterator(hive.parent_path())) {
    if (entry.path() != hive && entry.path().filename() != "user.reg.lock") return true;
  }
  return false;
}

TEST_F(HiveSettingsStoreTest, SaverKilledWhileWritingLeavesTheEarlierHive) {
  const std::string big(1 << 20, 'b');  // long enough to write that the kill lands inside the write
  store_.SaveSetting("App", "Sec", "Earlier", big);
  for (int round = 0; round < 5; ++round) {
    for (const auto& entry : fs::directory_iterator(hive_.parent_path())) {
      if (entry.path() != hive_) fs::remove(entry.path());  // what earlier killed savers left
    }
    const auto size = fs::file_size(hive_);
    const pid_t child = Fork([&store = store_, round] {
      store.SaveSetting("App", "Loop", "N", std::string(round + 1, 'n'));  // a new size every round
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!SaveUnderWay(hive_, size) && std::chrono::steady_clock::now() < deadline) {
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    ASSERT_EQ(store_.GetSetting("App", "Sec", "Earlier", ""), big) << "round " << round;
  }
  store_.SaveSetting("App", "Sec", "After", "saved");
  EXPECT_EQ(store_.GetSetting("App", "Sec", "After", ""), "saved") << "the lock died with its holder";
}

}  // namespace
}  // namespace quorvel::platform
