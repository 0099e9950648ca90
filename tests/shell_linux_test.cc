#include "platform/shell_linux.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>

#include "tests/sandbox/xdg_sandbox.h"

namespace quorvel::platform {
namespace {

using Strings = std::vector<std::string>;

class DesktopShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::RunAloneUnlessFresh(sandbox_);
  }
  // The only mailto handler, and the default.
  void InstallHandler(const testing::ClientOptions& options = {}) {
    sandbox_.AddRecordingClient("mailer", "Mailer", "{program} %u", options);
    sandbox_.SetDefault("mailer");
    ASSERT_TRUE(sandbox_.Refresh());
  }

  testing::XdgSandbox sandbox_;
  DesktopShell shell_;
};

TEST_F(DesktopShellTest, HandsTheUrlUnchangedToTheSchemesHandlerAndRefusesWhatNoneTakes) {
  InstallHandler();
  const std::string to = "mailto:ann@example.com";
  const struct {
    const char* operation;
    std::string url;
    std::intptr_t answer = shell_answer::kStarted;
  } cases[] = {
      // Refusals first: one started anyway would show as the next started URL's record.
      {"open", "mailto:" + std::string(kLargestArgument - 6, 'z'), shell_answer::kOutOfResources},
      {"open", "no scheme here", shell_answer::kNoAssociation},
      {"open", "https://example.com/", shell_answer::kNoAssociation},
      {"print", to, shell_answer::kNoAssociation},
      {"", "MAILTO:" + to.substr(7)},  // the default verb, and the scheme in any case
      {"Open", to + "?subject=Caf\xC3\xA9 \xF0\x9F\x98\x80 at noon&cc=bob@example.com&body=50%25 off, 100% done"},
      {"open", to + "?body=line one\r\nline two \"it's\" $HOME `date` \\ ; | *"},
      {"open", to + "?body=" + std::string(100 * 1024, 'x')},
      {"open", to + "?body=" + std::string(kLargestArgument - to.size() - 6, 'y')},  // exactly the limit
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.operation + (": " + c.url.substr(0, 80)));
    ASSERT_EQ(shell_.ShellExecuteA(c.operation, c.url), c.answer);
    if (c.answer == shell_answer::kStarted) {
      EXPECT_EQ(sandbox_.WaitForRecord("mailer"), Strings{c.url});
    }
  }
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD) << "the handler must not be left as our child";
}

TEST_F(DesktopShellTest, HandlerThatCannotBeStartedAnswersFileNotFound) {
  InstallHandler({.working_directory = "/nonexistent/folder"});
  EXPECT_EQ(shell_.ShellExecuteA("open", "mailto:ann@example.com"), shell_answer::kFileNotFound);
  EXPECT_FALSE(sandbox_.HasRecord("mailer"));
}

}  // namespace
}  // namespace quorvel::platform
