#include "platform/mapi_controls_linux.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <regex>

#include "platform/compose_backends_linux.h"
#include "platform/program_start.h"
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

// The error's number and description, 0 and "" for none.
std::pair<std::int32_t, std::string> Raised(const std::function<void()>& action) {
  try {
    action();
  } catch (const AutomationError& error) {
    return {error.number(), error.description()};
  }
  return {0, ""};
}

// A text of the case file, with its placeholders filled in (see its "about").
std::string CaseText(const nlohmann::json& value) {
  std::string text = value.get<std::string>();
  if (text.starts_with("${LONG:")) return std::string(platform::kLargestArgument / 3 + 1, text[7]);
  if (text.starts_with("${CWD}")) return fs::current_path().string() + text.substr(6);
  return text;
}

Strings CaseTexts(const nlohmann::json& values) {
  Strings texts;
  for (const auto& value : values) texts.push_back(CaseText(value));
  return texts;
}

// The back ends alone, case by case from tests/cases/compose_backends.json.
TEST(MapiComposeBackends, QuoteEncodeAndPlaceEveryFieldAsEachClientReadsIt) {
  testing::ScopedEnv env;
  env.Set("XDG_RUNTIME_DIR", "/run/user/7");
  env.Set("HOME", "/home/ann");
  const auto file =
      nlohmann::json::parse(testing::ReadFile(std::string(QUORVEL_TEST_CASES) + "/compose_backends.json"));
  for (const auto& c : file.at("cases")) {
    SCOPED_TRACE(c.at("what").get<std::string>());
    const auto& m = c.at("message");
    const auto text = [&](const char* key) { return m.contains(key) ? CaseText(m[key]) : std::string(); };
    const auto texts = [&](const char* key) { return m.contains(key) ? CaseTexts(m[key]) : Strings(); };
    const MailHandler handler{c["handler"]["id"], c["handler"]["name"], CaseTexts(c["handler"]["exec"])};
    const ComposedMessage message{text("subject"), text("body"), texts("to"),
                                  texts("cc"),     texts("bcc"), texts("attachments")};
    ComposeLaunch expected;
    if (c.contains("argv")) expected = ProgramLaunch{CaseTexts(c["argv"])};
    if (c.contains("url")) expected = DesktopHandOff{CaseText(c["url"])};
    std::vector<std::pair<std::string, std::string>> bodies;
    const auto write_body = [&](const std::string& folder, const std::string& body) {
      bodies.emplace_back(folder, body);
      return "/body files/" + std::to_string(bodies.size());
    };
    ComposeLaunch launch = expected;  // kept where the back end raises: the error number tells then
    const auto [number, description] = Raised([&] { launch = ComposeLaunchFor(handler, message, write_body); });
    EXPECT_EQ(number, c.value("error", 0));
    EXPECT_THAT(description, HasSubstr(c.value("says", "")));
    EXPECT_EQ(launch, expected);
    for (const auto& [folder, body] : bodies) {
      EXPECT_EQ(body, message.note_text);
      const bool flatpak = handler.exec.front() == "flatpak";
      EXPECT_EQ(folder, flatpak ? "/run/user/7/app/org.mozilla.Thunderbird/quorvel" : "/run/user/7/quorvel");
    }
  }
}

// The controls for real: the sandbox's desktop, GIO, and a recording program.
class MapiControlsTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::RunAloneUnlessFresh(sandbox_); }
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

// The body file's path from Thunderbird's argument, "" where it has none.
std::string BodyFile(const std::string& composeArgument) {
  std::smatch found;
  if (!std::regex_search(composeArgument, found, std::regex(",message=([^,]*),"))) return "";
  return found[1];
}

TEST_F(MapiControlsTest, ThunderbirdGetsTheWholeMessageAsOneComposeArgument) {
  const auto record = SendEverything("thunderbird");
  ASSERT_TRUE(record && record->size() == 2);
  const std::string body_file = BodyFile((*record)[1]);
  EXPECT_THAT(body_file, ::testing::MatchesRegex((sandbox_.runtime_dir() / "quorvel/body-[^/]+\\.txt").string()));
  EXPECT_EQ(testing::ReadFile(body_file), "Hello, it's me\r\nLine 2: 50% done; a=b&c\r\n");
  EXPECT_EQ(*record, (Strings{"-compose",
                              "to='-ann@example.org,Bob O'Neil <bob@example.org>',"
                              "cc='carol@example.org,Doe, Jane <jane@example.org>',bcc='dave+tag@example.org',"
                              "subject=Caf%C3%A9%20%E2%80%93%20Z%C3%BCrich%3A%20100%25%20%C2%ABoffer%C2%BB,"
                              "message=" +
                                  body_file +
                                  ","
                                  "attachment='file://" +
                                  Files() + "/Ann%C3%A9e%202024/my%20report.pdf,file://" + Files() +
                                  "/it%27s%2C%20v2.txt',format=text"}));
}

// Far over the argument limit once encoded; the file is private, and a day-old one goes.
TEST_F(MapiControlsTest, ThunderbirdReadsAnyBodyFromAPrivateFile) {
  InstallHandler("thunderbird");
  const fs::path folder = sandbox_.runtime_dir() / "quorvel";
  fs::create_directories(folder);  // as the user's own hand made it, open to others
  const fs::path old_file = folder / "body-OLD000.txt", recent_file = folder / "body-NEW000.txt";
  testing::WriteFile(old_file, "old");
  testing::WriteFile(recent_file, "recent");
  fs::last_write_time(old_file, fs::file_time_type::clock::now() - std::chrono::hours(25));
  std::string body;
  for (int i = 0; body.size() < 200'000; ++i) body += "Line " + std::to_string(i) + ": 50% done, caf\xC3\xA9\r\n";
  MailMAPI mapi;
  ASSERT_TRUE(mapi.OpenSession("", "")) << mapi.GetLog();
  ASSERT_TRUE(mapi.Send({.addrTO = "ann@example.org", .Subject = "Big", .Body = body})) << mapi.GetLog();
  const auto record = sandbox_.WaitForRecord("mailer");
  ASSERT_TRUE(record && record->size() == 2);
  const std::string body_file = BodyFile((*record)[1]);
  EXPECT_THAT(body_file, ::testing::MatchesRegex(folder.string() + "/body-[^/]+\\.txt"));
  EXPECT_EQ(testing::ReadFile(body_file), body);
  EXPECT_EQ(fs::status(body_file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
  EXPECT_FALSE(fs::exists(old_file));
  EXPECT_TRUE(fs::exists(recent_file));
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

// Entries as Flatpak and Snap install Thunderbird, their programs standing in on PATH: started the way
// the entry says, the body where the sandbox reads it, named by the entry in every refusal.
class SandboxedClientTest : public MapiControlsTest {
 protected:
  std::optional<Strings> Send(const std::string& id, const std::string& exec, const std::string& stand_in,
                              const std::string& refusedAttachment) {
    sandbox_.AddRecordingClient(id, "Thunderbird Packaged", exec, {.program_name = stand_in});
    sandbox_.SetEnv("PATH", sandbox_.ProgramPath(id).parent_path().string() + ":" + std::getenv("PATH"));
    sandbox_.SetDefault(id);
    EXPECT_TRUE(sandbox_.Refresh());
    testing::WriteFile(refusedAttachment, "content");
    MailMAPI mapi;
    EXPECT_TRUE(mapi.OpenSession("", "")) << mapi.GetLog();
    EXPECT_FALSE(mapi.Send({.addrTO = "ann@example.org", .ATTACHMENTS = refusedAttachment}));
    EXPECT_THAT(mapi.GetLog(), HasSubstr("Not supported: Thunderbird Packaged runs in a "));
    EXPECT_TRUE(mapi.Send({.addrTO = "ann@example.org", .Body = "Hi"})) << mapi.GetLog();
    return sandbox_.WaitForRecord(id);
  }
};

TEST_F(SandboxedClientTest, Flatpak) {
  const auto record = Send("org.mozilla.Thunderbird",
                           "flatpak run --branch=stable --arch=x86_64 --command=thunderbird --file-forwarding "
                           "org.mozilla.Thunderbird @@u %u @@",
                           "flatpak", Files() + "/report.pdf");
  ASSERT_TRUE(record && record->size() == 8);
  const std::string body_file = BodyFile("," + (*record)[7]);
  EXPECT_THAT(body_file,
              ::testing::MatchesRegex(
                  (sandbox_.runtime_dir() / "app/org.mozilla.Thunderbird/quorvel/body-[^/]+\\.txt").string()));
  EXPECT_EQ(testing::ReadFile(body_file), "Hi");
  EXPECT_EQ(*record, (Strings{"run", "--branch=stable", "--arch=x86_64", "--command=thunderbird", "--file-forwarding",
                              "org.mozilla.Thunderbird", "-compose",
                              "to='ann@example.org',message=" + body_file + ",format=text"}));
}

TEST_F(SandboxedClientTest, Snap) {
  const std::string hint = "BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/thunderbird_thunderbird.desktop";
  const auto record = Send("thunderbird_thunderbird", "env " + hint + " /snap/bin/thunderbird %u", "env",
                           (sandbox_.home() / ".hidden/report.pdf").string());
  ASSERT_TRUE(record && record->size() == 4);
  const std::string body_file = BodyFile("," + (*record)[3]);
  EXPECT_THAT(body_file,
              ::testing::MatchesRegex((sandbox_.runtime_dir() / "snap.thunderbird/quorvel/body-[^/]+\\.txt").string()));
  EXPECT_EQ(*record, (Strings{hint, "/snap/bin/thunderbird", "-compose",
                              "to='ann@example.org',message=" + body_file + ",format=text"}));
}

}  // namespace
}  // namespace quorvel::mapi
