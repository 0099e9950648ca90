#include "platform/shell_linux.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>

#include "tests/sandbox/xdg_sandbox.h"

namespace quorvel::platform {
namespace {

using Strings = std::vector<std::string>;
using testing::ClientOptions;
using testing::ClientProgram;
using testing::XdgSandbox;

class DesktopShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!sandbox_.fresh_process()) GTEST_SKIP() << "GIO already read another sandbox; run each test alone";
  }
  // The only mailto handler, and the default.
  void InstallHandler(const ClientOptions& options = {}) {
    sandbox_.AddRecordingClient("mailer", "Mailer", "{program} %u", options);
    sandbox_.SetDefault("mailer");
    ASSERT_TRUE(sandbox_.Refresh());
  }

  XdgSandbox sandbox_;
  DesktopShell shell_;
};

TEST_F(DesktopShellTest, HandsTheUrlToTheDefaultHandlerAsItsOneArgumentUnchanged) {
  InstallHandler();
  const std::string to = "mailto:ann@example.com";
  const std::string urls[] = {
      to,
      to + "?subject=Lunch at noon&cc=bob@example.com&body=Bring a friend",
      to + "?subject=100%25%20off&body=50% done",
      to + "?body=line one\r\nline two",
      to + "?subject=Caf\xC3\xA9 \xF0\x9F\x98\x80",
      to + "?body=\"it's\" $HOME `date` \\ ; | *",
      to + "?body=" + std::string(100 * 1024, 'x'),
      to + "?body=" + std::string(kLargestArgument - to.size() - 6, 'y'),  // exactly the limit
  };
  for (const auto& url : urls) {
    SCOPED_TRACE(url.substr(0, 80));
    ASSERT_EQ(shell_.ShellExecuteA("open", url), shell_answer::kStarted);
    EXPECT_EQ(sandbox_.WaitForRecord("mailer"), Strings{url});
  }
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD) << "the handler must not be left as our child";
}

TEST_F(DesktopShellTest, RefusesWhatNoHandlerTakesAndStartsNothing) {
  InstallHandler();
  struct Case {
    const char* operation;
    std::string url;
    std::intptr_t answer;
  };
  const Case cases[] = {
      {"open", "mailto:" + std::string(kLargestArgument - 6, 'z'), shell_answer::kOutOfResources},
      {"open", "no scheme here", shell_answer::kNoAssociation},
      {"open", "", shell_answer::kNoAssociation},
      {"open", "https://example.com/", shell_answer::kNoAssociation},
      {"print", "mailto:ann@example.com", shell_answer::kNoAssociation},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url.substr(0, 40));
    EXPECT_EQ(shell_.ShellExecuteA(c.operation, c.url), c.answer);
  }
  // The default verb and any case of "open" and of the scheme are taken.
  ASSERT_EQ(shell_.ShellExecuteA("", "MAILTO:first"), shell_answer::kStarted);
  EXPECT_EQ(sandbox_.WaitForRecord("mailer"), Strings{"MAILTO:first"}) << "a refused URL was started";
  ASSERT_EQ(shell_.ShellExecuteA("Open", "mailto:second"), shell_answer::kStarted);
  EXPECT_EQ(sandbox_.WaitForRecord("mailer"), Strings{"mailto:second"});
}

// GIO offers no entry whose program it cannot find, so this is no handler at all.
TEST_F(DesktopShellTest, HandlerWhoseProgramIsMissingIsNotStartedAndTheSizeIsCheckedFirst) {
  InstallHandler({.program = ClientProgram::kMissing});
  EXPECT_LE(shell_.ShellExecuteA("open", "mailto:ann@example.com"), 32);
  EXPECT_EQ(shell_.ShellExecuteA("open", std::string(kLargestArgument + 1, 'm')), shell_answer::kOutOfResources);
}

TEST_F(DesktopShellTest, HandlerThatCannotBeStartedAnswersFileNotFound) {
  InstallHandler({.working_directory = "/nonexistent/folder"});
  EXPECT_EQ(shell_.ShellExecuteA("open", "mailto:ann@example.com"), shell_answer::kFileNotFound);
  EXPECT_FALSE(sandbox_.HasRecord("mailer"));
}

}  // namespace
}  // namespace quorvel::platform
