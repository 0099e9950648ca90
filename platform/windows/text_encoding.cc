// Windows has no UTF-8 validator that says where text goes wrong, so these walk the text themselves.
#include "platform/text_encoding.h"

#include "platform/windows/wide_text.h"

namespace quorvel::platform {

namespace {
bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }
}  // namespace

std::size_t InvalidUtf8Offset(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    // The sequence's length, and the range its second byte must fall in so that it is neither
    // overlong, nor a surrogate, nor past U+10FFFF.
    std::size_t length = 1;
    unsigned char low = 0x80, high = 0xBF;
    if (lead == 0) return at;
    if (lead < 0x80) {
      ++at;
      continue;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return at;
    }
    if (at + length > text.size()) return at;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < low || second > high) return at;
    for (std::size_t i = 2; i < length; ++i) {
      if (!IsContinuation(static_cast<unsigned char>(text[at + i]))) return at;
    }
    at += length;
  }
  return std::string_view::npos;
}

std::size_t Utf8Characters(std::string_view text) {
  if (!IsValidUtf8(text)) return text.size();
  std::size_t characters = 0;
  for (const char byte : text) characters += IsContinuation(static_cast<unsigned char>(byte)) ? 0 : 1;
  return characters;
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view units, std::size_t& unitsRead) {
  std::size_t at = 0;
  while (at < units.size() && units[at] != u'\0') {
    if (IsHighSurrogate(units[at]) && at + 1 < units.size() && IsLowSurrogate(units[at + 1])) {
      at += 2;
    } else if (IsHighSurrogate(units[at]) || IsLowSurrogate(units[at])) {
      unitsRead = at;
      return std::nullopt;
    } else {
      ++at;
    }
  }
  unitsRead = at;
  return Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(units.data()), at));
}

}  // namespace quorvel::platform
