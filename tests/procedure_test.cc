#include "log/procedure.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <new>

#include "tests/doubles/fixed_clock.h"
#include "tests/doubles/recording_context.h"

namespace quorvel::trail {
namespace {

using ::testing::HasSubstr;

constexpr TrailStyle kStyle{" - Entered", ErrorCodeForm::kDecimal};

class ProcedureTest : public ::testing::Test {
 protected:
  std::shared_ptr<testing::FixedClock> clock_ = std::make_shared<testing::FixedClock>();
  SessionLog log_{clock_, kStyle};

  // Three procedures, each calling the next at its line 20; the innermost fails at its line 30.
  void Inner() {
    Procedure p(log_, "Lib/Inner");
    p.PassOn([&] {
      p.Enter();
      p.Line(30);
      throw AutomationError(32002, "Unspecified failure", "Control");
    });
  }
  void Middle() {
    Procedure p(log_, "Lib/Middle");
    p.PassOn([&] {
      p.Line(10);
      p.Enter();
      p.Line(20);
      Inner();
      p.Exit();
    });
  }
  bool Outer() {
    Procedure p(log_, "Lib/Outer");
    return p.Keep([&] {
      p.Enter();
      p.Line(20);
      Middle();
      p.Exit();
      return true;
    });
  }
};

TEST_F(ProcedureTest, ErrorChainRunsInnermostFirstWithEachTagAndLine) {
  EXPECT_FALSE(Outer());
  EXPECT_EQ(log_.GetLog(),
            "\t04 Dec 26 01:07:09 am  Lib/Outer - Entered\r\n"
            "\t04 Dec 26 01:07:09 am  Lib/Middle - Entered\r\n"
            "\t04 Dec 26 01:07:09 am  Lib/Inner - Entered\r\n"
            "04 Dec 26 01:07:09  Error: 32002 in Lib/Inner at line 30 Unspecified failure\r\n"
            "04 Dec 26 01:07:09  Error: 32002 in Lib/Middle at line 20 Unspecified failure\r\n"
            "04 Dec 26 01:07:09  Error: 32002 in Lib/Outer at line 20 Unspecified failure\r\n");
}

TEST_F(ProcedureTest, PassedOnErrorCarriesTheTagAndLineAsItsSource) {
  try {
    Middle();
    FAIL() << "the error was not passed on";
  } catch (const AutomationError& error) {
    EXPECT_EQ(error.number(), 32002);
    EXPECT_EQ(error.description(), "Unspecified failure");
    EXPECT_EQ(error.source(), "Lib/Middle at line 20");
  }
  EXPECT_EQ(CurrentError().number, 0) << "the current error ends with the trap";
}

TEST_F(ProcedureTest, ExemptErrorAnswersWithoutAnErrorLine) {
  Procedure p(log_, "Lib/Send");
  int seen_line = 0;
  const bool result = p.Keep(
      [&]() -> bool {
        p.Line(110);
        throw AutomationError(32001, "User cancelled process");
      },
      [&](const AutomationError& error, int line) -> std::optional<bool> {
        seen_line = line;
        if (error.number() == 32001) return true;
        return std::nullopt;
      });
  EXPECT_TRUE(result);
  EXPECT_EQ(seen_line, 110);
  EXPECT_EQ(log_.GetLog(), "");
}

TEST_F(ProcedureTest, OtherExceptionsBecomeAutomationErrors) {
  Procedure p(log_, "Lib/Send");
  EXPECT_FALSE(p.Keep([&]() -> bool { throw std::bad_alloc(); }));
  EXPECT_FALSE(p.Keep([&]() -> bool { throw std::out_of_range("index 7"); }));
  EXPECT_THAT(log_.GetLog(), HasSubstr("Error: 7 in Lib/Send at line 0 Out of memory\r\n"));
  EXPECT_THAT(log_.GetLog(), HasSubstr("Error: 51 in Lib/Send at line 0 Internal error: index 7\r\n"));
}

TEST_F(ProcedureTest, VerboseForwardingSendsTheBareMessageOnlyWhileAContextIsSet) {
  auto context = std::make_shared<testing::RecordingContext>();
  SessionLog log(clock_, {" - Entered", ErrorCodeForm::kDecimalAndHex});
  log.LogLine("before");
  log.ForwardVerboseTo(context);
  Procedure p(log, "Lib/Send");
  EXPECT_FALSE(p.Keep([&]() -> bool {
    p.Enter();
    p.Line(40);
    throw RuntimeError(91);
  }));
  EXPECT_EQ(context->calls, std::vector<std::string>{"SessionLogAddVerbose Lib/Send - Entered"});
  EXPECT_THAT(log.GetLog(), HasSubstr("Error: 91(5B) in Lib/Send at line 40 Object variable"));
}

}  // namespace
}  // namespace quorvel::trail
