#include "platform/linux/program_start.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

#include "platform/linux/shell.h"
#include "quorvel/error.h"
#include "tests/support/test_support.h"

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using quorvel::testing::ReadFile;
using quorvel::testing::WriteFile;
using ::testing::ThrowsMessage;

// The processes whose parent is this one, zombies included.
std::set<pid_t> Children() {
  std::set<pid_t> children;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string stat = ReadFile(entry.path() / "stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 1));  // past the name, which may hold blanks
    char state = 0;
    pid_t parent = 0;
    if (fields >> state >> parent && parent == getpid()) children.insert(std::stoi(entry.path().filename()));
  }
  return children;
}

// GLib starts the program from an intermediate child and reaps that; a watched program is reaped by
// its watch, at once or when it ends after the grace. So no child of ours is left behind, not even a
// zombie, in a host that runs for days. (What the program receives: cli_hives.)
TEST(SpawningProgramStarter, LeavesNoChild) {
  const std::set<pid_t> before = Children();
  SpawningProgramStarter starter;
  starter.StartCommandLine("true");
  EXPECT_EQ(starter.StartWatched({"false"}), 1);
  EXPECT_EQ(starter.StartWatched({"sleep", "0.5"}), std::nullopt);  // runs on past the grace
  const auto none_left = [&] {
    const std::set<pid_t> after = Children();
    return std::includes(before.begin(), before.end(), after.begin(), after.end());
  };
  for (int tries = 0; tries < 100 && !none_left(); ++tries) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(none_left()) << "a child remains";
}

// Whatever stops a start, it is 53 with the runtime's text alone; the caller's trail names the command.
TEST(SpawningProgramStarter, FailuresRaiseOrderlyErrors) {
  const quorvel::testing::TempDir dir;
  const fs::path not_executable = dir / "mail";
  WriteFile(not_executable, "#!/bin/sh\n");
  SpawningProgramStarter starter;
  for (const auto& [line, error] : {std::pair{"  "s, "Error 53: File not found"s},
                                    {R"("/nonexistent/my mail" -x)", "Error 53: File not found"},
                                    {not_executable.string(), "Error 53: File not found"},
                                    {dir.path().string(), "Error 53: File not found"},
                                    {"true " + std::string(kLargestArgument + 1, 'a'),
                                     "Error 5: Invalid procedure call or argument: argument too long"}}) {
    EXPECT_THAT([&] { starter.StartCommandLine(line); }, ThrowsMessage<AutomationError>(error));
  }
  const std::vector<std::string> argv = {"/nonexistent/mail", "a"};
  EXPECT_THAT([&] { starter.StartProgram(argv); }, ThrowsMessage<AutomationError>("Error 53: File not found"));
}

}  // namespace
}  // namespace quorvel::platform
