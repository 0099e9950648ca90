#include "platform/program_start_linux.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "platform/shell_linux.h"
#include "quorvel/error.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, SplitsAtBlanksOutsideQuotesOnly) {
  static const struct {
    const char* line;
    Args expected;
  } kCases[] = {
      {"", {}},
      {" \t ", {}},
      {"prog", {"prog"}},
      {"  prog   a\tb  ", {"prog", "a", "b"}},
      {R"("C:\Program Files\mail.exe" /m "a b")", {R"(C:\Program Files\mail.exe)", "/m", "a b"}},
      {R"(x "" y)", {"x", "", "y"}},
      {R"("")", {""}},
      {R"(a"b c"d)", {"ab cd"}},
      {R"(back\slash "end\" 'single quoted')", {R"(back\slash)", R"(end\)", "'single", "quoted'"}},
      {"$HOME ~ *.txt `id` a;b", {"$HOME", "~", "*.txt", "`id`", "a;b"}},
      {R"("unterminated a)", {"unterminated a"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(SplitCommandLine(c.line), c.expected);
  }
}

// The processes whose parent is this one, zombies included.
std::set<pid_t> Children() {
  std::set<pid_t> children;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "stat");
    std::string stat;
    if (!std::getline(in, stat) || stat.rfind(')') == std::string::npos) continue;
    char state = 0;
    int parent = 0;
    std::istringstream(stat.substr(stat.rfind(')') + 1)) >> state >> parent;
    if (parent == getpid()) children.insert(std::stoi(entry.path().filename().string()));
  }
  return children;
}

class SpawningProgramStarterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quorvel-start-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    fs::create_directory(folder_ / "my programs");
  }
  void TearDown() override { fs::remove_all(folder_); }

  // A script that records its process, its parent and its arguments, NUL-separated, in `record`;
  // the rename shows a complete record.
  fs::path RecordingScript() {
    const fs::path script = folder_ / "my programs" / "record args.sh";
    const std::string part = "'" + (folder_ / "record.part").string() + "'";
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\0' \"$$\" \"$PPID\" \"$@\" > " << part << " && mv " << part << " '"
                          << (folder_ / "record").string() << "'\n";
    fs::permissions(script, fs::perms(0755));
    return script;
  }
  Args WaitForRecord() {
    for (int wait = 0; wait < 1000 && !fs::exists(folder_ / "record"); ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(folder_ / "record", std::ios::binary);
    Args fields;
    for (std::string field; std::getline(in, field, '\0');) fields.push_back(field);
    return fields;
  }

  fs::path folder_;
  SpawningProgramStarter starter_;
};

TEST_F(SpawningProgramStarterTest, StartsTheProgramWithItsArgumentsAndLeavesNoChild) {
  const std::set<pid_t> before = Children();
  starter_.StartCommandLine("\"" + RecordingScript().string() +
                            R"(" plain "two words" back\slash 'single' "" $HOME ~)");
  const std::set<pid_t> after = Children();
  EXPECT_TRUE(std::includes(before.begin(), before.end(), after.begin(), after.end())) << "a child remains";

  const Args record = WaitForRecord();
  ASSERT_EQ(record.size(), 9u);
  EXPECT_EQ(Args(record.begin() + 2, record.end()),
            (Args{"plain", "two words", R"(back\slash)", "'single'", "", "$HOME", "~"}));
  const pid_t program = std::stoi(record[0]);
  EXPECT_NE(std::stoi(record[1]), getpid()) << "started from an intermediate child";
  EXPECT_EQ(waitpid(program, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(SpawningProgramStarterTest, FailuresRaiseOrderlyErrors) {
  const fs::path not_executable = folder_ / "my programs" / "plain file";
  std::ofstream(not_executable) << "#!/bin/sh\n";
  const std::string quoted = "\"" + not_executable.string() + "\" --flag";
  const struct {
    const char* label;
    std::string line;
    std::int32_t number;
    std::string description;
  } kCases[] = {
      {"empty", "", 53, "File not found: "},
      {"blank", "  ", 53, "File not found:   "},
      {"missing path", R"("/nonexistent/my mail" -x)", 53, R"(File not found: "/nonexistent/my mail" -x)"},
      {"not on PATH", "quorvel-no-such-program arg", 53, "File not found: quorvel-no-such-program arg"},
      {"not executable", quoted, 53, "File not found: " + quoted},
      {"argument too long", "true " + std::string(kLargestArgument + 1, 'a'), 5,
       "Invalid procedure call or argument: argument too long"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    try {
      starter_.StartCommandLine(c.line);
      ADD_FAILURE() << "started";
    } catch (const AutomationError& error) {
      EXPECT_EQ(error.number(), c.number);
      EXPECT_EQ(error.description(), c.description);
    }
  }
  try {
    starter_.StartProgram({"/nonexistent/mail", "a"});
    ADD_FAILURE() << "started";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.description(), "File not found: /nonexistent/mail");
  }
}

}  // namespace
}  // namespace quorvel::platform
