#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvel::platform {
namespace {

using namespace std::string_literals;
constexpr auto kValid = std::string_view::npos;

// Each system validates UTF-8 with its own code (GLib on Linux, ours on Windows): both must refuse the
// same bytes at the same place, the edges of every sequence length included.
TEST(TextEncoding, RefusesWhatIsNotUtf8WhereItStarts) {
  // clang-format off
  const std::pair<std::string, std::size_t> cases[] = {
      {"caf\xC3\xA9", kValid}, {"\xF0\x9F\x93\xA7", kValid}, {"\xF4\x8F\xBF\xBF", kValid},
      {"\xED\x9F\xBF", kValid}, {"ab\0c"s, 2}, {"a\xC1\xBF", 1}, {"\xE0\x9F\xBF", 0}, {"\xED\xA0\x80", 0},
      {"x\xF0\x8F\xBF\xBF", 1}, {"\xF4\x90\x80\x80", 0}, {"\xF5\x80\x80\x80", 0}, {"ok\xE2\x82", 2},
      {"\xE2\x28\xA1", 0}, {"\x80", 0}};
  // clang-format on
  for (const auto& [text, offset] : cases) EXPECT_EQ(InvalidUtf8Offset(text), offset) << testing::PrintToString(text);
  EXPECT_EQ(Utf8Characters("a\xC3\xA9\xF0\x9F\x93\xA7"), 3u);
  EXPECT_EQ(Utf8Characters("a\xC3"), 2u) << "bytes, when the text is not UTF-8";
}

TEST(TextEncoding, DecodesUtf16UpToTheFirstNulOrAnUnpairedSurrogate) {
  std::size_t read = 0;
  EXPECT_EQ(Utf16ToUtf8(u"a\u00E9\U0001F4E7\0z"s, read), "a\xC3\xA9\xF0\x9F\x93\xA7");
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(Utf16ToUtf8(u"ab\xDC00z", read), std::nullopt);
  EXPECT_EQ(read, 2u);
}

}  // namespace
}  // namespace quorvel::platform
