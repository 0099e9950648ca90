#include "providers/mapi/mapi_controls_linux.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/shell_linux.h"
#include "providers/mapi/compose_backends.h"
#include "quorvel/error.h"
#include "quorvel/mail_mapi.h"
#include "tests/sandbox/xdg_sandbox.h"

namespace quorvel::mapi {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using testing::XdgSandbox;

std::int32_t ErrorNumber(const std::function<void()>& action) {
  try {
    action();
  } catch (const AutomationError& error) {
    return error.number();
  }
  return 0;
}

// --- The back ends alone: what each client is handed, byte for byte. ---

struct BackEndCase {
  const char* what;
  std::string program;
  ComposedMessage message;
  ComposeLaunch launch = DesktopHandOff{};
  std::int32_t error = 0;  // when nonzero, the launch is not looked at
};

TEST(MapiComposeBackends, QuoteEncodeAndPlaceEveryFieldAsEachClientReadsIt) {
  const std::string relative = (fs::current_path() / "rel/at ive.txt").string();
  const std::size_t third = platform::kLargestArgument / 3 + 1;  // fits raw, not once each byte is %XX
  const BackEndCase cases[] = {
      {"Thunderbird: quoted recipients taken literally, texts and file URLs encoded",
       "/usr/lib/thunderbird/thunderbird",
       {.subject = "Re: 100% sure, isn't it? Caf\xC3\xA9 \xE2\x9C\x93",
        .note_text = "Line 1, 'quoted'\r\nLine 2 & a=b; 50%\r\n",
        .to = {"a@x.org", "\"Doe, Jane\" <jane@x.org>", "O'Neil <o@x.org>"},
        .cc = {"c@x.org"},
        .bcc = {"b%1@x.org"},
        .attachment_paths = {"/tmp/a b/Ann\xC3\xA9" "e,1.txt", "/tmp/it's.pdf"}},
       ProgramLaunch{{"/usr/lib/thunderbird/thunderbird", "-compose",
                      "to='a@x.org,\"Doe, Jane\" <jane@x.org>,O'Neil <o@x.org>',cc='c@x.org',bcc='b%1@x.org',"
                      "subject=Re%3A%20100%25%20sure%2C%20isn%27t%20it%3F%20Caf%C3%A9%20%E2%9C%93,"
                      "body=Line%201%2C%20%27quoted%27%0D%0ALine%202%20%26%20a%3Db%3B%2050%25%0D%0A,"
                      "attachment='file:///tmp/a%20b/Ann%C3%A9e%2C1.txt,file:///tmp/it%27s.pdf',format=text"}}},
      {"Thunderbird's kin: nothing to say but the format", "icedove", {},
       ProgramLaunch{{"icedove", "-compose", "format=text"}}},
      {"Thunderbird's kin: a subject made of terminators", "betterbird",
       {.subject = "',','", .bcc = {"'x'@y"}},
       ProgramLaunch{{"betterbird", "-compose", "bcc=''x'@y',subject=%27%2C%27%2C%27,format=text"}}},
      {"Thunderbird: a recipient that would end the quoted list", "seamonkey",
       {.to = {"evil',cc='spy@x.org"}}, {}, mapi_error::kInvalidRecips},
      {"Thunderbird: a recipient ending in a quote", "thunderbird",
       {.to = {"a@x.org"}, .cc = {"b@x.org'"}}, {}, mapi_error::kInvalidRecips},
      {"Thunderbird: a body that outgrows one argument once encoded", "thunderbird",
       {.note_text = std::string(third, ',')}, {}, kTextTooLargeError},
      {"Thunderbird: an attachment path no URL can name", "thunderbird",
       {.attachment_paths = {std::string("/tmp/a\0b", 8)}}, {}, mapi_error::kAttachmentNotFound},
      {"Evolution: one mailto: URL, each file URL a query value of its own", "evolution",
       {.subject = "a&b=c#d", .note_text = "x\r\ny", .to = {"a@x.org", "b@x.org"}, .cc = {"c d@x.org"},
        .attachment_paths = {"/tmp/a b,c.txt", "/tmp/\xC3\xA9"}},
       ProgramLaunch{{"evolution", "mailto:a@x.org,b@x.org?cc=c%20d@x.org&subject=a%26b%3Dc%23d&body=x%0D%0Ay"
                                   "&attach=file%3A%2F%2F%2Ftmp%2Fa%2520b%2Cc.txt"
                                   "&attach=file%3A%2F%2F%2Ftmp%2F%25C3%25A9"}}},
      {"KMail: options as given, file URLs repeated, To last after --", "/usr/bin/kmail",
       {.subject = "S, 'q' 100%", .note_text = "a\r\nb", .to = {"-dash@x.org", "b@x.org"},
        .cc = {"c@x.org", "\"Doe, J\" <j@x.org>"}, .attachment_paths = {"/tmp/x y.txt", "/tmp/\xC3\xA9.pdf"}},
       ProgramLaunch{{"/usr/bin/kmail", "--composer", "--subject", "S, 'q' 100%", "--body", "a\r\nb", "--cc",
                      "c@x.org, \"Doe, J\" <j@x.org>", "--attach", "file:///tmp/x%20y.txt", "--attach",
                      "file:///tmp/%C3%A9.pdf", "--", "-dash@x.org", "b@x.org"}}},
      {"KMail: an empty message still opens the composer", "kmail", {}, ProgramLaunch{{"kmail", "--composer"}}},
      {"Claws Mail: the URL without attachments, then the absolute paths", "claws-mail",
       {.subject = "Hi?&", .to = {"a@x.org"}, .bcc = {"b@x.org"},
        .attachment_paths = {"/tmp/a b.txt", "rel/at ive.txt"}},
       ProgramLaunch{{"claws-mail", "--compose", "mailto:a@x.org?bcc=b@x.org&subject=Hi%3F%26", "--attach",
                      "/tmp/a b.txt", relative}}},
      {"Sylpheed: nothing but the empty URL", "/usr/local/bin/sylpheed", {},
       ProgramLaunch{{"/usr/local/bin/sylpheed", "--compose", "mailto:"}}},
      {"any other client: the RFC 6068 URL for the desktop", "/opt/bin/thunderbird-beta",
       {.subject = "100% \xC2\xABna\xC3\xAFve\xC2\xBB #1?", .note_text = "l1\r\nl2, 'q' & more",
        .to = {"a@x.org", "j\xC3\xB6rg@x.org"}, .cc = {"Doe, Jane <jane@x.org>"}, .bcc = {"x&y=z@x.org", "w@x.org"}},
       DesktopHandOff{"mailto:a@x.org,j%C3%B6rg@x.org?cc=Doe%2C%20Jane%20%3Cjane@x.org%3E&bcc=x%26y%3Dz@x.org,w@x.org"
                      "&subject=100%25%20%C2%ABna%C3%AFve%C2%BB%20%231%3F&body=l1%0D%0Al2%2C%20%27q%27%20%26%20more"}},
      {"a handler without a program: the empty URL", "", {}, DesktopHandOff{"mailto:"}},
      {"any other client with an attachment", "Thunderbird", {.attachment_paths = {"/tmp/a"}}, {},
       mapi_error::kNotSupported},
      {"any other client: a URL longer than one argument", "mutt", {.note_text = std::string(third, '%')}, {},
       kTextTooLargeError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.error != 0) {
      EXPECT_EQ(ErrorNumber([&] { ComposeLaunchFor(c.program, c.message); }), c.error);
    } else {
      EXPECT_EQ(ComposeLaunchFor(c.program, c.message), c.launch);
    }
  }
}

// --- The controls for real: the sandbox's desktop, GIO, and a recording program. ---

// A sandbox path in a URL: the temporary folder's name holds only characters a URL keeps.
std::string UrlSafe(const fs::path& path) {
  const std::string text = path.string();
  EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/-._"),
            std::string::npos);
  return text;
}

class MapiControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!sandbox_.fresh_process()) GTEST_SKIP() << "GIO already read another sandbox; run each test alone";
  }
  // The only mailto handler, and the default.
  void InstallHandler(const std::string& desktopId, const std::optional<std::string>& programName = std::nullopt) {
    sandbox_.AddRecordingClient(desktopId, "Mail " + desktopId, "{program} %u", {.program_name = programName});
    sandbox_.SetDefault(desktopId);
    ASSERT_TRUE(sandbox_.Refresh());
  }
  std::string MakeFile(const std::string& relative) {
    const fs::path path = sandbox_.root() / "files" / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "content";
    return path.string();
  }
  std::string Files() { return UrlSafe(sandbox_.root() / "files"); }

  XdgSandbox sandbox_;
};

TEST_F(MapiControlsTest, ThunderbirdGetsTheWholeMessageAsOneComposeArgument) {
  InstallHandler("org.mozilla.Thunderbird", "thunderbird");
  const std::string report = MakeFile("Ann\xC3\xA9" "e 2024/my report.pdf");
  const std::string notes = MakeFile("it's, v2.txt");
  MailMAPI mapi;
  ASSERT_TRUE(mapi.OpenSession("ann", "secret")) << mapi.GetLog();
  ASSERT_TRUE(mapi.Send({.addrTO = StringArray(0, {"ann@example.org", "Bob O'Neil <bob@example.org>"}),
                         .addrCC = "carol@example.org",
                         .addrBCC = "dave+tag@example.org",
                         .Subject = "Caf\xC3\xA9 \xE2\x80\x93 Z\xC3\xBCrich: 100% \xC2\xAB" "offer\xC2\xBB",
                         .Body = "Hello, it's me\r\nLine 2: 50% done; a=b&c\r\n",
                         .ATTACHMENTS = StringArray(1, {report, notes})}))
      << mapi.GetLog();
  EXPECT_TRUE(mapi.CloseSession());

  EXPECT_EQ(sandbox_.WaitForRecord("org.mozilla.Thunderbird"),
            (Strings{"-compose",
                     "to='ann@example.org,Bob O'Neil <bob@example.org>',"
                     "cc='carol@example.org',bcc='dave+tag@example.org',"
                     "subject=Caf%C3%A9%20%E2%80%93%20Z%C3%BCrich%3A%20100%25%20%C2%ABoffer%C2%BB,"
                     "body=Hello%2C%20it%27s%20me%0D%0ALine%202%3A%2050%25%20done%3B%20a%3Db%26c%0D%0A,"
                     "attachment='file://" + Files() + "/Ann%C3%A9e%202024/my%20report.pdf,file://" + Files() +
                         "/it%27s%2C%20v2.txt',format=text"}));
  EXPECT_EQ(mapi.GetLog().find("Error:"), std::string::npos) << mapi.GetLog();
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD) << "the client must not be left as our child";
}

// Each client whose command line takes attachments, from its own row.
struct RowCase {
  const char* program;
  std::function<Strings(const std::string& files)> argv;
};

void PrintTo(const RowCase& c, std::ostream* out) { *out << c.program; }

class MapiRowClientTest : public MapiControlsTest, public ::testing::WithParamInterface<RowCase> {};

const char kRowUrl[] =
    "mailto:ann@example.org,-bob@example.org?cc=Doe%2C%20Jane%20%3Cjane@example.org%3E"
    "&subject=Z%C3%BCrich%2C%20100%25%20%27sure%27%3F&body=Hi%2C%0D%0Asee%20the%202%20files%20%26%20reply.";

std::string Escaped(std::string text) {
  for (std::size_t at = text.find('/'); at != std::string::npos; at = text.find('/', at)) text.replace(at, 1, "%2F");
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MapiRowClientTest,
    ::testing::Values(
        RowCase{"claws-mail",
                [](const std::string& files) {
                  return Strings{"--compose", kRowUrl, "--attach", files + "/Ann\xC3\xA9" "e 2024/my report.pdf",
                                 files + "/it's, v2.txt"};
                }},
        RowCase{"kmail",
                [](const std::string& files) {
                  return Strings{"--composer", "--subject", "Z\xC3\xBCrich, 100% 'sure'?", "--body",
                                 "Hi,\r\nsee the 2 files & reply.", "--cc", "Doe, Jane <jane@example.org>", "--attach",
                                 "file://" + files + "/Ann%C3%A9e%202024/my%20report.pdf", "--attach",
                                 "file://" + files + "/it's,%20v2.txt", "--", "ann@example.org", "-bob@example.org"};
                }},
        RowCase{"evolution",
                [](const std::string& files) {
                  return Strings{std::string(kRowUrl) + "&attach=file%3A%2F%2F" + Escaped(files) +
                                 "%2FAnn%25C3%25A9e%25202024%2Fmy%2520report.pdf&attach=file%3A%2F%2F" +
                                 Escaped(files) + "%2Fit%27s%2C%2520v2.txt"};
                }}),
    [](const ::testing::TestParamInfo<RowCase>& info) {
      std::string name = info.param.program;
      std::erase(name, '-');
      return name;
    });

TEST_P(MapiRowClientTest, ClientGetsItsOwnCommandLineWithTheAttachments) {
  InstallHandler("client", GetParam().program);
  const std::string report = MakeFile("Ann\xC3\xA9" "e 2024/my report.pdf");
  const std::string notes = MakeFile("it's, v2.txt");
  MailMAPI mapi;
  ASSERT_TRUE(mapi.OpenSession("", "")) << mapi.GetLog();
  ASSERT_TRUE(mapi.Send({.addrTO = StringArray(0, {"ann@example.org", "-bob@example.org"}),
                         .addrCC = "Doe, Jane <jane@example.org>",
                         .Subject = "Z\xC3\xBCrich, 100% 'sure'?",
                         .Body = "Hi,\r\nsee the 2 files & reply.",
                         .ATTACHMENTS = StringArray(0, {report, notes})}))
      << mapi.GetLog();
  EXPECT_TRUE(mapi.CloseSession());
  EXPECT_EQ(sandbox_.WaitForRecord("client"), GetParam().argv(Files()));
}

TEST_F(MapiControlsTest, AnyOtherClientGetsTheMailtoUrlThroughTheDesktopAndNeverAttachments) {
  InstallHandler("mailer");
  const std::string report = MakeFile("report.pdf");
  MailMAPI mapi;
  ASSERT_TRUE(mapi.OpenSession("", "")) << mapi.GetLog();

  EXPECT_FALSE(mapi.Send({.addrTO = "ann@example.org", .Subject = "With a file", .ATTACHMENTS = report}));
  EXPECT_NE(mapi.GetLog().find("Error: 32026 in Quorvel/MailMAPI/Send at line 100 Not supported: "), std::string::npos)
      << mapi.GetLog();

  ASSERT_TRUE(mapi.Send({.addrTO = StringArray(0, {"ann@example.org", "j\xC3\xB6rg@example.org"}),
                         .addrCC = "Doe, Jane <jane@example.org>",
                         .addrBCC = "x&y=z@example.org",
                         .Subject = "100% \xC2\xABna\xC3\xAFve\xC2\xBB #1?",
                         .Body = "l1\r\nl2, 'q' & more"}))
      << mapi.GetLog();
  EXPECT_TRUE(mapi.CloseSession());
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
  EXPECT_NE(mapi.GetLog().find("Error: 32003 in Quorvel/MailMAPI/OpenSession at line 80 Login has failed: "),
            std::string::npos)
      << mapi.GetLog();
}

// The session table belongs to one registration; a session ends with SignOff or with its control.
TEST_F(MapiControlsTest, SessionsLiveInTheirRegistrationAndEndWithSignOffOrTheirControl) {
  InstallHandler("mailer");
  const Platform platform = SystemPlatform();
  const auto create = [](const Platform& p, const char* progId) { return p.servers->CreateObject(progId); };
  auto session = platform::As<MapiSession>(create(platform, kSessionProgId));
  auto second = platform::As<MapiSession>(create(platform, kSessionProgId));
  auto messages = platform::As<MapiMessages>(create(platform, kMessagesProgId));
  const auto stranger = platform::As<MapiMessages>(create(SystemPlatform(), kMessagesProgId));
  const auto send = [](MapiMessages& m, std::int32_t id, bool dialog) {
    return ErrorNumber([&] {
      m.SessionID(id);
      m.Send(dialog);
    });
  };

  EXPECT_EQ(session->SessionID(), 0);
  EXPECT_EQ(send(*messages, 0, true), mapi_error::kNoSession);
  session->SignOn();
  second->SignOn();
  const std::int32_t id = session->SessionID();
  const std::int32_t second_id = second->SessionID();
  EXPECT_NE(id, 0);
  EXPECT_NE(second_id, id);
  EXPECT_EQ(send(*stranger, id, true), mapi_error::kNoSession) << "another registration shares no sessions";
  EXPECT_EQ(send(*messages, id, false), mapi_error::kNotSupported);
  messages->AttachmentIndex(0);
  messages->AttachmentPathName((sandbox_.root() / "absent, 'file'").string());
  EXPECT_EQ(send(*messages, id, true), mapi_error::kAttachmentNotFound);
  messages->Compose();

  session->SignOff();
  EXPECT_EQ(session->SessionID(), 0);
  EXPECT_EQ(send(*messages, id, true), mapi_error::kNoSession);
  EXPECT_EQ(ErrorNumber([&] { session->SignOff(); }), mapi_error::kNoSession);
  second.reset();
  EXPECT_EQ(send(*messages, second_id, true), mapi_error::kNoSession);
  EXPECT_FALSE(sandbox_.HasRecord("mailer"));

  session->SignOn();
  EXPECT_EQ(send(*messages, session->SessionID(), true), 0);
  EXPECT_EQ(sandbox_.WaitForRecord("mailer"), Strings{"mailto:"});
}

}  // namespace
}  // namespace quorvel::mapi
