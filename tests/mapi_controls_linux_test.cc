#include "platform/mapi_controls_linux.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/compose_backends_linux.h"
#include "platform/shell_linux.h"
#include "quorvel/error.h"
#include "quorvel/mail_mapi.h"
#include "tests/sandbox/xdg_sandbox.h"
#include "tests/support/test_support.h"

namespace quorvel::mapi {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using ::testing::HasSubstr;

std::int32_t ErrorNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const AutomationError& error) {
    return error.number();
  }
  return 0;
}

// The back ends alone, for what the sandbox's clients below do not reach: the other clients' forms,
// hostile quoting, empty fields and the limits.
struct BackEndCase {
  const char* what;
  std::string program;
  ComposedMessage message;
  ComposeLaunch launch = {};
  std::int32_t error = 0;
};

TEST(MapiComposeBackends, QuoteEncodeAndPlaceEveryFieldAsEachClientReadsIt) {
  const std::string relative = (fs::current_path() / "rel/a b").string();
  const std::size_t third = platform::kLargestArgument / 3 + 1;  // fits raw, not once each byte is %XX
  const BackEndCase cases[] = {
      {"Thunderbird's kin, nothing to say", "icedove", {}, ProgramLaunch{{"icedove", "-compose", "format=text"}}},
      {"Thunderbird's kin, terminators",
       "betterbird",
       {.subject = "',','", .bcc = {"'x'@y"}},
       ProgramLaunch{{"betterbird", "-compose", "bcc=''x'@y',subject=%27%2C%27%2C%27,format=text"}}},
      {"a recipient ending the quoted list",
       "seamonkey",
       {.to = {"evil',cc='spy@x.org"}},
       {},
       mapi_error::kInvalidRecips},
      {"a recipient ending in a quote",
       "thunderbird",
       {.to = {"a@x.org"}, .cc = {"b@x.org'"}},
       {},
       mapi_error::kInvalidRecips},
      {"a body too long once encoded",
       "thunderbird",
       {.note_text = std::string(third, ',')},
       {},
       mapi_error::kTextTooLarge},
      {"a path no URL can name",
       "thunderbird",
       {.attachment_paths = {std::string("/tmp/a\0b", 8)}},
       {},
       mapi_error::kAttachmentNotFound},
      {"Evolution: file URLs as query values",
       "evolution",
       {.subject = "a&b=c#d",
        .note_text = "x\r\ny",
        .to = {"a@x.org", "b@x.org"},
        .cc = {"c d@x.org"},
        .attachment_paths = {"/tmp/a b,c.txt", "/tmp/\xC3\xA9"}},
       ProgramLaunch{{"evolution",
                      "mailto:a@x.org,b@x.org?cc=c%20d@x.org&subject=a%26b%3Dc%23d&body=x%0D%0Ay"
                      "&attach=file%3A%2F%2F%2Ftmp%2Fa%2520b%2Cc.txt"
                      "&attach=file%3A%2F%2F%2Ftmp%2F%25C3%25A9"}}},
      {"KMail, nothing to say", "kmail", {}, ProgramLaunch{{"kmail", "--composer"}}},
      {"Claws Mail: the URL, then absolute paths",
       "claws-mail",
       {.subject = "Hi?&", .to = {"a@x.org"}, .bcc = {"b@x.org"}, .attachment_paths = {"/tmp/a b.txt", "rel/a b"}},
       ProgramLaunch{{"claws-mail", "--compose", "mailto:a@x.org?bcc=b@x.org&subject=Hi%3F%26", "--attach",
                      "/tmp/a b.txt", relative}}},
      {"Sylpheed, nothing to say",
       "/usr/local/bin/sylpheed",
       {},
       ProgramLaunch{{"/usr/local/bin/sylpheed", "--compose", "mailto:"}}},
      {"named otherwise, if only in case", "/usr/bin/Thunderbird", {}, DesktopHandOff{"mailto:"}},
      {"any other client, a URL too long",
       "mutt",
       {.note_text = std::string(third, '%')},
       {},
       mapi_error::kTextTooLarge},
  };
  for (const auto& c : cases) {
    ComposeLaunch launch = c.launch;  // kept where the back end raises: the error number tells then
    EXPECT_EQ(ErrorNumber([&] { launch = ComposeLaunchFor(c.program, c.message); }), c.error) << c.what;
    EXPECT_EQ(launch, c.launch) << c.what;
  }
}

// The controls for real: the sandbox's desktop, GIO, and a recording program.
class MapiControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::RunAloneUnlessFresh(sandbox_);
  }
  // The only mailto handler, and the default; its program file is named programName.
  void InstallHandler(const std::string& programName) {
    sandbox_.AddRecordingClient("mailer", "Mailer", "{program} %u", {.program_name = programName});
    sandbox_.SetDefault("mailer");
    ASSERT_TRUE(sandbox_.Refresh());
  }
  // Sends a message with every field and two attachments in awkward folders; the program's arguments.
  std::optional<Strings> SendEverything(const std::string& programName) {
    InstallHandler(programName);
    const std::string report = Files() +
                               "/Ann\xC3\xA9"
                               "e 2024/my report.pdf",
                      notes = Files() + "/it's, v2.txt";
    for (const auto& path : {report, notes}) testing::WriteFile(path, "content");
    MailMAPI mapi;
    EXPECT_TRUE(mapi.OpenSession("ann", "secret")) << mapi.GetLog();
    EXPECT_TRUE(mapi.Send({.addrTO = StringArray(0, {"-ann@example.org", "Bob O'Neil <bob@example.org>"}),
                           .addrCC = StringArray(0, {"carol@example.org", "Doe, Jane <jane@example.org>"}),
                           .addrBCC = "dave+tag@example.org",
                           .Subject = "Caf\xC3\xA9 \xE2\x80\x93 Z\xC3\xBCrich: 100% \xC2\xAB"
                                      "offer\xC2\xBB",
                           .Body = "Hello, it's me\r\nLine 2: 50% done; a=b&c\r\n",
                           .ATTACHMENTS = StringArray(1, {report, notes})}))
        << mapi.GetLog();
    EXPECT_TRUE(mapi.CloseSession()) << mapi.GetLog();
    return sandbox_.WaitForRecord("mailer");
  }
  // The sandbox's folder names (mkdtemp's) keep to characters a file URL leaves as they are.
  std::string Files() const { return (sandbox_.root() / "files").string(); }

  testing::XdgSandbox sandbox_;
};

TEST_F(MapiControlsTest, ThunderbirdGetsTheWholeMessageAsOneComposeArgument) {
  EXPECT_EQ(SendEverything("thunderbird"),
            (Strings{"-compose",
                     "to='-ann@example.org,Bob O'Neil <bob@example.org>',"
                     "cc='carol@example.org,Doe, Jane <jane@example.org>',bcc='dave+tag@example.org',"
                     "subject=Caf%C3%A9%20%E2%80%93%20Z%C3%BCrich%3A%20100%25%20%C2%ABoffer%C2%BB,"
                     "body=Hello%2C%20it%27s%20me%0D%0ALine%202%3A%2050%25%20done%3B%20a%3Db%26c%0D%0A,"
                     "attachment='file://" +
                         Files() + "/Ann%C3%A9e%202024/my%20report.pdf,file://" + Files() +
                         "/it%27s%2C%20v2.txt',format=text"}));
}

TEST_F(MapiControlsTest, KMailGetsEachFieldAsOptionsAndTheRecipientsAfterTheEnd) {
  EXPECT_EQ(
      SendEverything("kmail"),
      (Strings{"--composer", "--subject",
               "Caf\xC3\xA9 \xE2\x80\x93 Z\xC3\xBCrich: 100% \xC2\xAB"
               "offer\xC2\xBB",
               "--body", "Hello, it's me\r\nLine 2: 50% done; a=b&c\r\n", "--cc",
               "carol@example.org, Doe, Jane <jane@example.org>", "--bcc", "dave+tag@example.org", "--attach",
               "file://" + Files() + "/Ann%C3%A9e%202024/my%20report.pdf", "--attach",
               "file://" + Files() + "/it's,%20v2.txt", "--", "-ann@example.org", "Bob O'Neil <bob@example.org>"}));
}

// A name that starts like Thunderbird's is any other client.
TEST_F(MapiControlsTest, AnyOtherClientGetsTheMailtoUrlThroughTheDesktopAndNeverAttachments) {
  InstallHandler("thunderbird-beta");
  testing::WriteFile(Files() + "/report.pdf", "content");
  MailMAPI mapi;
  ASSERT_TRUE(mapi.OpenSession("", "")) << mapi.GetLog();
  EXPECT_FALSE(mapi.Send({.addrTO = "ann@example.org", .ATTACHMENTS = Files() + "/report.pdf"}));
  EXPECT_THAT(mapi.GetLog(), HasSubstr("Error: 32026 in Quorvel/MailMAPI/Send at line 100 Not supported: "));
  ASSERT_TRUE(mapi.Send({.addrTO = StringArray(0, {"ann@example.org", "j\xC3\xB6rg@example.org"}),
                         .addrCC = "Doe, Jane <jane@example.org>",
                         .addrBCC = "x&y=z@example.org",
                         .Subject = "100% \xC2\xABna\xC3\xAFve\xC2\xBB #1?",
                         .Body = "l1\r\nl2, 'q' & more"}))
      << mapi.GetLog();
  // The refused message started nothing: the first record is the second message's.
  EXPECT_EQ(sandbox_.WaitForRecord("mailer"),
            Strings{"mailto:ann@example.org,j%C3%B6rg@example.org?cc=Doe%2C%20Jane%20%3Cjane@example.org%3E"
                    "&bcc=x%26y%3Dz@example.org&subject=100%25%20%C2%ABna%C3%AFve%C2%BB%20%231%3F"
                    "&body=l1%0D%0Al2%2C%20%27q%27%20%26%20more"});
  EXPECT_FALSE(sandbox_.HasRecord("mailer"));
}

TEST_F(MapiControlsTest, WithoutAMailtoHandlerTheSessionCannotOpen) {
  MailMAPI mapi;
  EXPECT_FALSE(mapi.OpenSession("", ""));
  EXPECT_THAT(mapi.GetLog(), HasSubstr("Error: 32003 in Quorvel/MailMAPI/OpenSession at line 80 Login has failed: "));
}

// The session table belongs to one registration; a session ends with SignOff or with its control.
TEST_F(MapiControlsTest, SessionsLiveInTheirRegistrationAndEndWithSignOffOrTheirControl) {
  InstallHandler("mailer");
  const Platform platform = SystemPlatform();
  auto session = platform::As<MapiSession>(platform.servers->CreateObject(kSessionProgId));
  auto second = platform::As<MapiSession>(platform.servers->CreateObject(kSessionProgId));
  auto messages = platform::As<MapiMessages>(platform.servers->CreateObject(kMessagesProgId));
  const auto stranger = platform::As<MapiMessages>(SystemPlatform().servers->CreateObject(kMessagesProgId));
  const auto send = [](MapiMessages& m, std::int32_t id, bool dialog = true) {
    return ErrorNumber([&] {
      m.SessionID(id);
      m.Send(dialog);
    });
  };

  session->SignOn();
  second->SignOn();
  const std::int32_t id = session->SessionID(), second_id = second->SessionID();
  EXPECT_TRUE(id != 0 && second_id != 0 && second_id != id) << id << " " << second_id;
  EXPECT_EQ(send(*stranger, id), mapi_error::kNoSession) << "another registration shares no sessions";
  EXPECT_EQ(send(*messages, id, false), mapi_error::kNotSupported);
  messages->AttachmentIndex(0);
  messages->AttachmentPathName((sandbox_.root() / "absent, 'file'").string());
  EXPECT_EQ(send(*messages, id), mapi_error::kAttachmentNotFound);
  messages->Compose();

  session->SignOff();
  EXPECT_EQ(send(*messages, id), mapi_error::kNoSession);
  EXPECT_EQ(ErrorNumber([&] { session->SignOff(); }), mapi_error::kNoSession);
  second.reset();
  EXPECT_EQ(send(*messages, second_id), mapi_error::kNoSession);
  EXPECT_FALSE(sandbox_.HasRecord("mailer"));

  session->SignOn();
  EXPECT_EQ(send(*messages, session->SessionID()), 0);
  EXPECT_EQ(sandbox_.WaitForRecord("mailer"), Strings{"mailto:"});
}

}  // namespace
}  // namespace quorvel::mapi
