#include <gtest/gtest.h>
#include <windows.h>

#include <string_view>

#include "platform/windows/wide_text.h"

namespace quorvel::platform {
namespace {

using namespace std::string_view_literals;

// MAPILogon's user name and password: what the ANSI code page cannot hold is refused, never sent as
// another text (best fit would make "ā" an "a").
TEST(ToAnsiCodePageTest, KeepsWhatThePageHoldsAndRefusesTheRest) {
  if (GetACP() != 1252) GTEST_SKIP() << "the cases are Windows-1252's; the code page is " << GetACP();
  EXPECT_EQ(ToAnsiCodePage("Café"), "Caf\xE9");
  EXPECT_EQ(ToAnsiCodePage(""), "");
  for (const std::string_view refused : {"日本"sv, "ā"sv, "\xC3"sv, "a\0b"sv}) {
    EXPECT_EQ(ToAnsiCodePage(refused), std::nullopt) << refused;
  }
}

}  // namespace
}  // namespace quorvel::platform
