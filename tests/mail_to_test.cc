#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "facade/email_impl.h"
#include "quorvel/platform.h"
#include "tests/doubles/fake_registry.h"
#include "tests/doubles/fake_shell.h"
#include "tests/doubles/fixed_clock.h"
#include "tests/doubles/recording_context.h"

namespace quorvel {

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class MailToTest : public ::testing::Test {
 protected:
  std::shared_ptr<testing::FakeShell> shell_ = std::make_shared<testing::FakeShell>();
  std::shared_ptr<testing::RecordingContext> context_ = std::make_shared<testing::RecordingContext>();
  facade::EmailImpl email_{Platform{.registry = std::make_shared<testing::FakeRegistry>(),
                                    .clock = std::make_shared<testing::FixedClock>(),
                                    .versions = nullptr,
                                    .shell = shell_,
                                    .file_system = nullptr}};

  void SetUp() override { email_.SetApplicationContext(context_); }

  std::string UrlFor(const Message& message) {
    shell_->opened.clear();
    EXPECT_TRUE(email_.MailTo(message));
    EXPECT_EQ(shell_->opened.size(), 1u);
    return shell_->opened.empty() ? "" : shell_->opened[0].substr(5);  // after "open "
  }
};

TEST_F(MailToTest, ComposesTheUrl) {
  struct Case {
    const char* label;
    Message message;
    const char* alternate;
    const char* url;
  };
  const StringArray two(0, {"a@x.org", "b@x.org"});
  const Case cases[] = {
      {"two To and a subject",
       {.addrTO = two, .Subject = "Hello", .ATTACHMENTS = ""},
       "",
       "mailto:a@x.org,b@x.org?Subject=Hello"},
      {"nothing but To", {.addrTO = "a@x.org", .ATTACHMENTS = ""}, "", "mailto:a@x.org"},
      {"blank subject", {.addrTO = "a@x.org", .Subject = "   "}, "", "mailto:a@x.org"},
      {"body trimmed, & and line breaks kept",
       {.addrTO = "a@x.org", .Subject = "S", .Body = "  one & two\r\nthree  "},
       "",
       "mailto:a@x.org?Subject=S&Body=one & two\r\nthree"},
      {"& in the body is the first", {.addrTO = "a@x.org", .Body = "x&y"}, "", "mailto:a@x.org?Body=x&y"},
      {"alternate message, empty body",
       {.addrTO = "a@x.org", .ATTACHMENTS = "/tmp/log.txt"},
       "Attach the log & send",
       "mailto:a@x.org?Body=Attach the log & send"},
      {"attachments in the lead-in",
       {.addrTO = "a@x.org",
        .Subject = "S",
        .Body = "Hi",
        .ATTACHMENTS = StringArray(0, {"/tmp/a.log", " ", "/tmp/b.log"})},
       "",
       "mailto:a@x.org?Subject=S&Body=BEFORE SENDING PLEASE ATTACH THE SESSION LOG FILE: /tmp/a.log,/tmp/b.log.  Hi"},
      {"& inside a To address", {.addrTO = "a&b@x.org", .Subject = "S"}, "", "mailto:a?b@x.org&Subject=S"},
      {"copies",
       {.addrTO = "a@x.org", .addrCC = StringArray(0, {"c@x.org", "d@x.org"}), .addrBCC = "e@x.org"},
       "",
       "mailto:a@x.org?CC=c@x.org,d@x.org&BCC=e@x.org"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    email_.AlternateAttachmentMessage(c.alternate);
    EXPECT_EQ(UrlFor(c.message), c.url);
  }
}

TEST_F(MailToTest, OmittedAttachmentsAndEmptyCopiesLogTheirShapeAndGoOn) {
  EXPECT_EQ(UrlFor({.addrTO = "a@x.org", .Body = "Hi"}), "mailto:a@x.org?Body=Hi");
  const std::string stamp = "04 Dec 26 01:07:09 am\t";
  EXPECT_THAT(
      context_->lines,
      ElementsAre(stamp + "Quorvel/EMail/MailTo - Entry",
                  stamp + "Quorvel/EMail/StringArrayVar Unknown Type: &Body=BEFORE SENDING PLEASE ATTACH THE "
                          "SESSION LOG FILE:  ",
                  stamp + "Quorvel/EMail/StringArrayVar Unknown Type: &CC= ",
                  stamp + "Quorvel/EMail/StringArrayVar Unknown Type: &BCC= ",
                  stamp + "Quorvel/EMail/MailTo mailto:a@x.org?Body=Hi", stamp + "Quorvel/EMail/MailTo - Normal Exit"));
}

TEST_F(MailToTest, ShellRefusalIsIgnoredButAFailureTakesTheErrorTrail) {
  shell_->answer = platform::shell_answer::kNoAssociation;
  EXPECT_EQ(UrlFor({.addrTO = "a@x.org"}), "mailto:a@x.org");

  shell_->failure = AutomationError(5, "Invalid procedure call or argument");
  EXPECT_FALSE(email_.MailTo({.addrTO = "a@x.org"}));
  EXPECT_THAT(context_->calls, ::testing::Contains(HasSubstr("AppErrorPreserve Quorvel/EMail/MailTo Initialize [5|")));
  EXPECT_THAT(context_->calls.back(), HasSubstr("AppErrorLog -1 -1 [5|"));

  context_->calls.clear();
  EXPECT_FALSE(email_.MailTo({.addrTO = StringArray()}));
  EXPECT_THAT(context_->calls.back(), HasSubstr("AppErrorLog -1 -1 [9|Subscript out of range|"));
}

}  // namespace
}  // namespace quorvel
