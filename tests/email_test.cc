// GetMailClients is covered by the email_* scenarios; this is what a transcript cannot show.
#include "quorvel/email.h"

#include <gtest/gtest.h>

#include "tests/doubles/fake_registry.h"
#include "tests/doubles/fixed_clock.h"
#include "tests/doubles/recording_context.h"

namespace quorvel {
namespace {

TEST(EmailContext, ApplicationNameBecomesTheDisplayTitle) {
  Email email{Platform{.registry = std::make_shared<testing::FakeRegistry>(),
                       .clock = std::make_shared<testing::FixedClock>()}};
  email.SetApplicationContext(std::make_shared<testing::RecordingContext>("First"));
  email.SetApplicationContext(std::make_shared<testing::RecordingContext>("Second"));
  EXPECT_EQ(LibraryDisplayTitle(), "Second");
  EXPECT_THROW(email.SetApplicationContext(nullptr), AutomationError);
  EXPECT_EQ(LibraryDisplayTitle(), "Second");
  const std::set<std::string> lacking{"ApplicationName"};
  EXPECT_THROW(email.SetApplicationContext(std::make_shared<testing::RecordingContext>("x", lacking)), AutomationError);
}

}  // namespace
}  // namespace quorvel
