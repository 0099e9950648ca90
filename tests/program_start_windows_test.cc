#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include "platform/windows/program_start.h"
#include "platform/windows/shell.h"
#include "platform/windows/wide_text.h"
#include "quorvel/error.h"

namespace quorvel::platform {
namespace {

// Each argument as quoted, and what the C runtime's parsing makes of the quoted line: the arguments back.
TEST(SystemProgramStarter, QuotesArgumentsForTheCRuntime) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain", "plain"},
      {"", R"("")"},
      {"two words", R"("two words")"},
      {"tab\there", "\"tab\there\""},
      {R"(say "hi")", R"("say \"hi\"")"},
      {R"(C:\mail\box)", R"(C:\mail\box)"},
      {R"(C:\my mail\)", R"("C:\my mail\\")"},
      {R"(a\\"b)", R"("a\\\\\"b")"},
      {R"(\\server\share\"x")", R"("\\server\share\\\"x\"")"},
      {"mailto:ann@example.org?subject=Grüße", "mailto:ann@example.org?subject=Grüße"},
  };
  std::string line = R"("C:\Program Files\Mail\mail.exe")";
  for (const auto& [argument, quoted] : cases) {
    EXPECT_EQ(QuotedArgument(argument), quoted) << argument;
    line += " " + QuotedArgument(argument);
  }
  int count = 0;
  wchar_t** parsed = CommandLineToArgvW(Widen(line).c_str(), &count);
  ASSERT_EQ(count, static_cast<int>(std::size(cases)) + 1);
  EXPECT_EQ(Narrow(parsed[0]), R"(C:\Program Files\Mail\mail.exe)");
  for (int i = 1; i < count; ++i) EXPECT_EQ(Narrow(parsed[i]), cases[i - 1].first);
  LocalFree(parsed);
}

// A program found on PATH that fails at once is reported; one that cannot start is 53, and a command
// line Windows would refuse is 5.
TEST(SystemProgramStarter, ReportsFailuresAtTheStart) {
  SystemProgramStarter starter;
  EXPECT_EQ(starter.StartWatched({"cmd", "/c", "exit", "3"}), 3);
  EXPECT_EQ(starter.StartWatched({"cmd", "/c", "exit", "0"}), std::nullopt);
  const std::pair<std::vector<std::string>, int> refused[] = {
      {{}, 53},
      {{"quorvel-no-such-program"}, 53},
      {{"C:\\no such folder\\mail.exe", "a"}, 53},
      {{""}, 53},
      {{"cmd", "a" + std::string(1, '\0')}, 5},
      {{"cmd", std::string(kLongestCommandLine, 'a')}, 5},
  };
  for (const auto& [argv, number] : refused) {
    const std::string program = argv.empty() ? "nothing" : argv[0];
    try {
      starter.StartProgram(argv);
      ADD_FAILURE() << "started " << program;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), number) << program;
    }
  }
}

TEST(SystemShell, AnswersTheShellsCodeForASchemeWithoutHandler) {
  EXPECT_EQ(SystemShell().ShellExecuteA("open", "quorvel-no-handler:x"), shell_answer::kNoAssociation);
}

}  // namespace
}  // namespace quorvel::platform
