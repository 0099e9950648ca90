// shellapi.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/windows/first_moments.h"
#include "platform/windows/program_start.h"
#include "platform/windows/shell.h"
#include "platform/windows/wide_text.h"
#include "quorvel/error.h"

namespace quorvel::platform {
namespace {

using namespace std::string_literals;

// What the C runtime's parsing (CommandLineToArgvW's) makes of the quoted arguments: the arguments back.
// By row: blanks need quotes; a quote is escaped and the backslashes before it doubled; others stay.
TEST(SystemProgramStarter, QuotesArgumentsForTheCRuntime) {
  const std::string kArguments[][3] = {{"", "two words", "tab\there"},
                                       {R"(say "hi")", R"(a\\"b)", R"(\\server\share\"x")"},
                                       {R"(C:\my mail\)", R"(C:\mail\box)", "mailto:ann@example.org?subject=Grüße"}};
  std::vector<std::string> sent, back;
  for (const auto& row : kArguments) sent.insert(sent.end(), std::begin(row), std::end(row));
  std::string line = "mail.exe";
  for (const std::string& argument : sent) line += " " + QuotedArgument(argument);
  int count = 0;
  wchar_t** parsed = CommandLineToArgvW(Widen(line).c_str(), &count);
  for (int i = 1; i < count; ++i) back.push_back(Narrow(parsed[i]));
  LocalFree(parsed);
  EXPECT_EQ(back, sent);
}

// The watch answers a program's failure once it has ended, and nothing for one that ended well or runs
// on. Each program is made to have ended or to run on (held suspended) before it is watched: how long
// Wine takes to start one is no part of the test.
TEST(SystemProgramStarter, WatchSeesOnlyAFailure) {
  const auto watched = [](const std::wstring& command, bool ended) {
    std::wstring line = command;
    STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, ended ? CREATE_NO_WINDOW : CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process)) {
      return std::optional<int>(-1);
    }
    if (ended) WaitForSingleObject(process.hProcess, INFINITE);
    const std::optional<int> failure = FailureWithinGrace(process.hProcess);
    TerminateProcess(process.hProcess, 0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return failure;
  };
  EXPECT_EQ(watched(L"cmd /c exit 3", true), 3);
  EXPECT_EQ(watched(L"cmd /c exit 0", true), std::nullopt);
  EXPECT_EQ(watched(L"cmd /c exit 3", false), std::nullopt);
}

// A program that cannot start is 53, a line Windows would refuse 5.
TEST(SystemProgramStarter, ReportsFailuresAtTheStart) {
  SystemProgramStarter starter;
  EXPECT_EQ(starter.StartWatched({"cmd", "/c", "exit", "0"}), std::nullopt);
  const std::pair<std::vector<std::string>, int> kRefused[] = {
      {{"quorvel-no-such-program"}, 53}, {{"cmd", "a\0"s}, 5}, {{"cmd", std::string(kLongestCommandLine, 'a')}, 5}};
  for (const auto& [argv, number] : kRefused) {
    EXPECT_THAT([&] { starter.StartProgram(argv); },
                ::testing::Throws<AutomationError>(::testing::Property(&AutomationError::number, number)));
  }
}

TEST(SystemShell, AnswersTheShellsCodeForASchemeWithoutHandler) {
  EXPECT_EQ(SystemShell().ShellExecuteA("open", "quorvel-no-handler:x"), shell_answer::kNoAssociation);
}

}  // namespace
}  // namespace quorvel::platform
