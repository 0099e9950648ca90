#include "quorvel/email.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/doubles/fake_registry.h"
#include "tests/doubles/fixed_clock.h"
#include "tests/doubles/recording_context.h"

namespace quorvel {
namespace {

using platform::kHkeyLocalMachine;
using ::testing::ElementsAre;
using testing::StringValue;

constexpr const char* kMailKey = "Software\\Clients\\Mail";
constexpr const char* kStamp = "04 Dec 26 01:07:09 am\t";

class GetMailClientsTest : public ::testing::Test {
 protected:
  std::shared_ptr<testing::FakeRegistry> registry_ = std::make_shared<testing::FakeRegistry>();
  Email email_{Platform{registry_, std::make_shared<testing::FixedClock>()}};
  StringArray clients_ = StringArray(3, {"as passed"});
  std::string default_ = "as passed";

  platform::RegKey& MailKey() { return registry_->Keys(kHkeyLocalMachine).FindOrCreate(kMailKey); }

  std::shared_ptr<testing::RecordingContext> UseContext(std::set<std::string> lacking = {}) {
    auto context = std::make_shared<testing::RecordingContext>("Host App", std::move(lacking));
    email_.SetApplicationContext(context);
    return context;
  }
};

TEST_F(GetMailClientsTest, ThreeClientsGiveSevenLines) {
  for (const char* name : {"Mozilla Thunderbird", "Evolution", "KMail"}) MailKey().FindOrCreate(name);
  MailKey().SetValue("", StringValue("Mozilla Thunderbird"));
  const auto context = UseContext();

  EXPECT_TRUE(email_.GetMailClients(clients_, default_));
  EXPECT_EQ(clients_, StringArray(0, {"Evolution", "KMail", "Mozilla Thunderbird"}));
  EXPECT_EQ(default_, "Mozilla Thunderbird");
  EXPECT_EQ(context->lines, (std::vector<std::string>{
                                std::string(kStamp) + "Quorvel/EMail/GetMailClients - Entry",
                                std::string(kStamp) + "HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail",
                                std::string(kStamp) + " - Evolution",
                                std::string(kStamp) + " - KMail",
                                std::string(kStamp) + " - Mozilla Thunderbird",
                                std::string(kStamp) + "Default Client: Mozilla Thunderbird",
                                std::string(kStamp) + "Quorvel/EMail/GetMailClients - Normal exit",
                            }));
}

TEST_F(GetMailClientsTest, NoKeyLeavesTheArgumentsUntouched) {
  const auto context = UseContext();
  EXPECT_FALSE(email_.GetMailClients(clients_, default_));
  EXPECT_EQ(clients_, StringArray(3, {"as passed"}));
  EXPECT_EQ(default_, "as passed");
  EXPECT_THAT(context->lines, ElementsAre(std::string(kStamp) + "Quorvel/EMail/GetMailClients - Entry",
                                          std::string(kStamp) + "Quorvel/EMail/GetMailClients - Normal exit"));
}

TEST_F(GetMailClientsTest, DefaultMissingOrRefusedIsEmptyText) {
  MailKey().FindOrCreate("Evolution");
  const auto context = UseContext();
  EXPECT_TRUE(email_.GetMailClients(clients_, default_));
  EXPECT_EQ(default_, "");
  EXPECT_EQ(context->lines.at(3), std::string(kStamp) + "Default Client: ");

  // A user without write rights on the machine-wide key cannot open it for the default's read.
  MailKey().SetValue("", StringValue("Evolution"));
  registry_->Grant(kHkeyLocalMachine, platform::reg_access::kRead);
  default_ = "as passed";
  EXPECT_TRUE(email_.GetMailClients(clients_, default_));
  EXPECT_EQ(clients_, StringArray(0, {"Evolution"}));
  EXPECT_EQ(default_, "");
}

TEST_F(GetMailClientsTest, RegistryErrorTakesTheEmailErrorTrail) {
  MailKey().FindOrCreate("Evolution");
  registry_->FailOpens(kHkeyLocalMachine, AutomationError(321, "Invalid file format: m.reg line 4: bad hex data"));
  const auto context = UseContext();
  EXPECT_FALSE(email_.GetMailClients(clients_, default_));
  EXPECT_EQ(clients_, StringArray(3, {"as passed"}));
  const std::string current = "[321|Invalid file format: m.reg line 4: bad hex data|MRegistryOperations/RegGetKeys]";
  EXPECT_THAT(context->calls,
              ElementsAre(std::string("SessionLogAdd ") + kStamp + "Quorvel/EMail/GetMailClients - Entry",
                          "AppErrorPreserve Quorvel/EMail/GetMailClients Initialize " + current,
                          "AppErrorLog -1 -1 " + current));
  EXPECT_EQ(CurrentError().number, 0);
}

TEST_F(GetMailClientsTest, WithoutAContextError91ReachesTheHost) {
  MailKey().FindOrCreate("Evolution");
  try {
    email_.GetMailClients(clients_, default_);
    FAIL() << "GetMailClients answered";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), 91);
  }
  EXPECT_EQ(clients_, StringArray(3, {"as passed"}));
}

TEST_F(GetMailClientsTest, ContextLackingSessionLogAddGets438Reported) {
  MailKey().FindOrCreate("Evolution");
  const auto context = UseContext({"SessionLogAdd"});
  EXPECT_FALSE(email_.GetMailClients(clients_, default_));
  const std::string current = "[438|Object doesn't support this property or method|Quorvel]";
  EXPECT_THAT(context->calls, ElementsAre("AppErrorPreserve Quorvel/EMail/GetMailClients Initialize " + current,
                                          "AppErrorLog -1 -1 " + current));
}

TEST_F(GetMailClientsTest, ContextLackingTheErrorTrailRaisesToTheHost) {
  registry_->FailOpens(kHkeyLocalMachine, AutomationError(321, "broken"));
  UseContext({"AppErrorPreserve"});
  try {
    email_.GetMailClients(clients_, default_);
    FAIL() << "GetMailClients answered";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), 438);
  }
}

TEST(EmailContext, ApplicationNameBecomesTheDisplayTitle) {
  Email email{Platform{std::make_shared<testing::FakeRegistry>(), std::make_shared<testing::FixedClock>()}};
  email.SetApplicationContext(std::make_shared<testing::RecordingContext>("First"));
  email.SetApplicationContext(std::make_shared<testing::RecordingContext>("Second"));
  EXPECT_EQ(LibraryDisplayTitle(), "Second");
  EXPECT_THROW(email.SetApplicationContext(nullptr), AutomationError);
  EXPECT_EQ(LibraryDisplayTitle(), "Second");
  EXPECT_THROW(email.SetApplicationContext(std::make_shared<testing::RecordingContext>("x", std::set<std::string>{"ApplicationName"})),
               AutomationError);
}

}  // namespace
}  // namespace quorvel
