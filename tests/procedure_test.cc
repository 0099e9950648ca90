#include "log/procedure.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <new>

#include "tests/doubles/fixed_clock.h"

namespace quorvel::log {
namespace {

using ::testing::HasSubstr;

// Error chains, exemptions and entry lines are pinned by the provider scenarios; this is what no
// provider shows: a C++ exception that is not an automation error.
TEST(ProcedureTest, OtherExceptionsBecomeAutomationErrors) {
  SessionLog log{std::make_shared<testing::FixedClock>(), {" - Entered", ErrorCodeForm::kDecimal}};
  Procedure p(log, "Lib/Send");
  EXPECT_FALSE(p.Keep([&]() -> bool { throw std::bad_alloc(); }));
  EXPECT_FALSE(p.Keep([&]() -> bool { throw std::out_of_range("index 7"); }));
  EXPECT_THAT(log.GetLog(), HasSubstr("Error: 7 in Lib/Send at line 0 Out of memory\r\n"));
  EXPECT_THAT(log.GetLog(), HasSubstr("Error: 51 in Lib/Send at line 0 Internal error: index 7\r\n"));
}

}  // namespace
}  // namespace quorvel::log
