// MailEudora on the real platform: a hive naming a recording program as Eudora's command, the real
// temp folder, program start and settings store, inside a private desktop.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/settings_store_linux.h"
#include "quorvel/mail_eudora.h"
#include "tests/doubles/recording_context.h"
#include "tests/sandbox/xdg_sandbox.h"
#include "tests/support/test_support.h"

namespace quorvel {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// Registers the command as Eudora's in a machine hive of the sandbox.
void RegisterEudora(testing::XdgSandbox& sandbox, const std::string& command) {
  const auto hive = sandbox.root() / "machine.reg";
  testing::WriteFile(hive,
                     "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail\\Eudora\\shell\\open\\command]\n"
                     "@=\"" +
                         command + "\"\n");
  sandbox.SetEnv("QUORVEL_MACHINE_HIVE", hive.string());
}

TEST(MailEudoraLinux, WritesTheFileStartsTheCommandAndAsksThenNotifies) {
  testing::XdgSandbox sandbox;
  sandbox.AddRecordingClient("eudora", "Eudora", "{program}");
  const auto temp = sandbox.root() / "tmp";
  std::filesystem::create_directories(temp);
  sandbox.SetEnv("TMPDIR", temp.string());
  RegisterEudora(sandbox, sandbox.ProgramPath("eudora").string() + " -m");

  auto context = std::make_shared<testing::RecordingContext>("Host App");
  context->msgbox_answers = {6};
  MailEudora eudora;
  eudora.SetApplicationContext(context);
  const Message message{.addrTO = StringArray(0, {"ann@example.org", " bob@example.org "}),
                        .Subject = "Grüße, \"quoted\"",
                        .Body = "  line one\r\nline two  ",
                        .ATTACHMENTS = ""};
  ASSERT_TRUE(eudora.Send(message)) << eudora.GetLog();

  const auto arguments = sandbox.WaitForRecord("eudora");
  ASSERT_TRUE(arguments);
  ASSERT_EQ(arguments->size(), 2u);
  EXPECT_EQ((*arguments)[0], "-m");
  const std::filesystem::path message_file = (*arguments)[1];
  EXPECT_EQ(message_file.parent_path(), temp);
  EXPECT_THAT(message_file.filename().string(), StartsWith("Quo"));
  EXPECT_EQ(message_file.extension(), ".msg");
  EXPECT_EQ(testing::ReadFile(message_file),
            "To: ann@example.org;  bob@example.org \r\nFrom: \r\nSubject: Grüße, \"quoted\"\r\nCc: \r\nBcc: \r\n"
            "X-Attachments: \r\n\r\nline one\r\nline two");
  EXPECT_THAT(context->calls.back(), HasSubstr("Please confirm it is there by answering Yes"));

  // Once the carrier is on record, a send without attachments only notifies.
  platform::HiveSettingsStore().SaveSetting("Host App", "Email", "Carrier", "Eudora Command Line");
  context->calls.clear();
  EXPECT_TRUE(eudora.Send(message));
  EXPECT_THAT(context->calls,
              ElementsAre("MsgBox There is a mail item in your Eudora output mailbox 0 Send mail by Eudora"));
  EXPECT_TRUE(sandbox.WaitForRecord("eudora"));
}

TEST(MailEudoraLinux, MissingProgramIsAnErrorLine) {
  testing::XdgSandbox sandbox;
  RegisterEudora(sandbox, "/nonexistent/eudora");
  sandbox.SetEnv("TMPDIR", sandbox.root().string());
  MailEudora eudora;
  eudora.SetApplicationContext(std::make_shared<testing::RecordingContext>());
  EXPECT_FALSE(eudora.Send({.addrTO = "ann@example.org"}));
  EXPECT_THAT(eudora.GetLog(), HasSubstr("Error: 53 in Quorvel/MailEudora/Send at line 100 File not found\r\n"));
}

}  // namespace
}  // namespace quorvel
