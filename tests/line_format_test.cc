#include "log/line_format.h"

#include <gtest/gtest.h>

namespace quorvel::trail {
namespace {

// Time stamps and the decimal form are pinned by the scenarios (their clocks include midnight, noon and
// the afternoon); the form with the hexadecimal code is what no provider writes yet.
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
