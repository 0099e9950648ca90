#include "log/line_format.h"

#include <gtest/gtest.h>

namespace quorvel::trail {
namespace {

struct StampCase {
  platform::LocalTime time;
  const char* log_form;
  const char* error_form;
};

TEST(LineFormat, TimeStampsInBothForms) {
  const StampCase cases[] = {
      {{2026, 12, 4, 0, 0, 5}, "04 Dec 26 12:00:05 am", "04 Dec 26 00:00:05"},
      {{2026, 12, 4, 12, 0, 5}, "04 Dec 26 12:00:05 pm", "04 Dec 26 12:00:05"},
      {{2009, 1, 31, 1, 7, 9}, "31 Jan 09 01:07:09 am", "31 Jan 09 01:07:09"},
      {{2000, 6, 1, 13, 30, 0}, "01 Jun 00 01:30:00 pm", "01 Jun 00 13:30:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.log_form);
    EXPECT_EQ(LogTimestamp(c.time), c.log_form);
    EXPECT_EQ(ErrorTimestamp(c.time), c.error_form);
  }
}

constexpr platform::LocalTime kTime{2026, 12, 4, 1, 7, 9};

TEST(LineFormat, ErrorLinesInBothForms) {
  struct Case {
    std::int32_t number;
    const char* description;
    const char* decimal;
    const char* with_hex;
  };
  const Case cases[] = {
      {91, "Object variable or With block variable not set",
       "04 Dec 26 01:07:09  Error: 91 in Tag/Send at line 30 Object variable or With block variable not set\r\n",
       "04 Dec 26 01:07:09  Error: 91(5B) in Tag/Send at line 30 Object variable or With block variable not set\r\n"},
      {-2147221229, "The operation failed.",
       "04 Dec 26 01:07:09  Error: -2147221229 in Tag/Send at line 30 The operation failed.\r\n",
       "04 Dec 26 01:07:09  Error: -2147221229(80040113) in Tag/Send at line 30 The operation failed.\r\n"},
      {5, "", "04 Dec 26 01:07:09  Error: 5 in Tag/Send at line 30 \r\n",
       "04 Dec 26 01:07:09  Error: 5(5) in Tag/Send at line 30 \r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    const ErrorLineFields fields{c.number, "Tag/Send", 30, c.description};
    EXPECT_EQ(ErrorEntry(kTime, ErrorCodeForm::kDecimal, fields), c.decimal);
    EXPECT_EQ(ErrorEntry(kTime, ErrorCodeForm::kDecimalAndHex, fields), c.with_hex);
  }
}

}  // namespace
}  // namespace quorvel::trail
