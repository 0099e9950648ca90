#include "log/procedure.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <new>

#include "tests/doubles/fixed_clock.h"

namespace quorvel::trail {
namespace {

using ::testing::HasSubstr;

constexpr TrailStyle kStyle{" - Entered", ErrorCodeForm::kDecimal};

// Error chains, exemptions and entry lines are pinned by the provider scenarios; these are what no
// provider shows yet.
class ProcedureTest : public ::testing::Test {
 protected:
  std::shared_ptr<testing::FixedClock> clock_ = std::make_shared<testing::FixedClock>();
  SessionLog log_{clock_, kStyle};
};

TEST_F(ProcedureTest, OtherExceptionsBecomeAutomationErrors) {
  Procedure p(log_, "Lib/Send");
  EXPECT_FALSE(p.Keep([&]() -> bool { throw std::bad_alloc(); }));
  EXPECT_FALSE(p.Keep([&]() -> bool { throw std::out_of_range("index 7"); }));
  EXPECT_THAT(log_.GetLog(), HasSubstr("Error: 7 in Lib/Send at line 0 Out of memory\r\n"));
  EXPECT_THAT(log_.GetLog(), HasSubstr("Error: 51 in Lib/Send at line 0 Internal error: index 7\r\n"));
}

}  // namespace
}  // namespace quorvel::trail
