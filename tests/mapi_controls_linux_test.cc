#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>

#include "platform/linux/shell.h"
#include "platform/services.h"
#include "providers/mapi/linux/compose_backends.h"
#include "providers/mapi/linux/desktop_mapi_controls.h"
#include "quorvel/error.h"
#include "quorvel/platform.h"
#include "tests/sandbox/xdg_sandbox.h"
#include "tests/support/test_support.h"

namespace quorvel::mapi {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using ::testing::HasSubstr;

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
    const std::string body = text("body");
    const ComposedMessage message{text("subject"), body, texts("to"), texts("cc"), texts("bcc"), texts("attachments")};
    ComposeLaunch expected;
    if (c.contains("argv"))
      expected = ProgramLaunch{CaseTexts(c["argv"]), CaseTexts(c.value("not_handed_over", Strings{}))};
    if (c.contains("url")) expected = DesktopHandOff{CaseText(c["url"])};
    const auto write_body = [&](const std::string& folder, std::string_view written) {
      EXPECT_EQ(written, body);
      return folder + "/body file";
    };
    const auto copy_attachment = [](const std::string& folder, const std::string& path) {
      return CopiedFile{folder + "/copy of " + path.substr(path.rfind('/') + 1)};
    };
    ComposeLaunch launch = expected;  // kept where the back end raises: the error number tells then
    const auto [number, description] =
        Raised([&] { launch = ComposeLaunchFor(handler, message, write_body, copy_attachment); });
    EXPECT_EQ(number, c.value("error", 0));
    EXPECT_THAT(description, HasSubstr(c.value("says", "")));
    EXPECT_EQ(launch, expected);
  }
}

// The controls for real on a private desktop: a session table belongs to one registration, and a
// session ends with SignOff or with its control.
class MapiControlsTest : public testing::XdgSandboxTest {};

TEST_F(MapiControlsTest, SessionsLiveInTheirRegistrationAndEndWithSignOffOrTheirControl) {
  const Platform platform = SystemPlatform();
  auto session = platform::As<MapiSession>(platform.services->servers->CreateObject(kSessionProgId));
  auto second = platform::As<MapiSession>(platform.services->servers->CreateObject(kSessionProgId));
  auto messages = platform::As<MapiMessages>(platform.services->servers->CreateObject(kMessagesProgId));
  const auto stranger = platform::As<MapiMessages>(SystemPlatform().services->servers->CreateObject(kMessagesProgId));
  const auto send = [](MapiMessages& m, std::int32_t id, bool dialog = true) {
    return Raised([&] {
             m.SessionID(id);
             m.Send(dialog);
           })
        .first;
  };

  session->SignOn();
  second->SignOn();
  const std::int32_t id = session->SessionID(), second_id = second->SessionID();
  EXPECT_TRUE(id != 0 && second_id != 0 && second_id != id) << id << " " << second_id;
  EXPECT_EQ(send(*stranger, id), mapi_error::kNoSession) << "another registration shares no sessions";
  EXPECT_EQ(send(*messages, id, false), mapi_error::kNotSupported);
  messages->AttachmentIndex(0);
  messages->AttachmentPathName((root() / "absent, 'file'").string());
  EXPECT_EQ(send(*messages, id), mapi_error::kAttachmentNotFound);
  messages->Compose();

  session->SignOff();
  EXPECT_EQ(send(*messages, id), mapi_error::kNoSession);
  EXPECT_EQ(Raised([&] { session->SignOff(); }).first, mapi_error::kNoSession);
  second.reset();
  EXPECT_EQ(send(*messages, second_id), mapi_error::kNoSession);

  session->SignOn();
  EXPECT_EQ(send(*messages, session->SessionID()), 0);
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD) << "the desktop's handler must not be left as our child";
}

}  // namespace
}  // namespace quorvel::mapi
