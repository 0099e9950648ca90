#include "platform/reg_file.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/key_tree_builder.h"
#include "platform/registry.h"
#include "platform/text_encoding.h"
#include "quorvel/error.h"

namespace quorvel::platform {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRegedit4Header = "REGEDIT4";
// A message quotes at most this many characters of a name: a line can be megabytes long.
constexpr std::size_t kExcerptLength = 80;

constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kRootAbbreviations{{
    {"HKEY_LOCAL_MACHINE", "HKLM"},
    {"HKEY_CURRENT_USER", "HKCU"},
    {"HKEY_CLASSES_ROOT", "HKCR"},
    {"HKEY_USERS", "HKU"},
}};

[[noreturn]] void Malformed(std::string_view fileName, std::size_t line, std::string_view problem) {
  throw RuntimeError(kInvalidFileFormat,
                     std::string(fileName) + " line " + std::to_string(line) + ": " + std::string(problem));
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether text fits on one line of a hive, as a name or between quotes: lines are valid UTF-8 without
// NUL, and a carriage return would end one. Reading and writing apply this one rule to names.
bool FitsOnALine(std::string_view text) {
  return IsValidUtf8(text) && text.find_first_of("\r\n") == std::string_view::npos;
}

bool IsStringType(std::uint32_t type) {
  return type == reg_type::kString || type == reg_type::kExpandString || type == reg_type::kMultiString;
}

// The start of valid UTF-8 text, cut after kExcerptLength characters with an ellipsis.
std::string Excerpt(std::string_view text) {
  std::size_t end = 0;
  for (std::size_t characters = 0; end < text.size() && characters < kExcerptLength; ++characters) {
    ++end;  // past the character's first byte, then its continuation bytes (10xxxxxx)
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  }
  return end == text.size() ? std::string(text) : std::string(text.substr(0, end)) + "…";
}

std::string_view TrimLeading(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimTrailing(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The value of each byte as a hex digit, -1 for those that are not one.
constexpr std::array<std::int8_t, 256> kHexDigits = [] {
  std::array<std::int8_t, 256> digits{};
  for (int c = 0; c < 256; ++c) {
    digits[c] = c >= '0' && c <= '9'   ? static_cast<std::int8_t>(c - '0')
                : c >= 'a' && c <= 'f' ? static_cast<std::int8_t>(c - 'a' + 10)
                : c >= 'A' && c <= 'F' ? static_cast<std::int8_t>(c - 'A' + 10)
                                       : std::int8_t{-1};
  }
  return digits;
}();

int HexDigit(char c) { return kHexDigits[static_cast<unsigned char>(c)]; }

// The value of 1 to `maxDigits` hex digits, or nullopt when `text` is anything else.
std::optional<std::uint32_t> ParseHexNumber(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

std::size_t LineOfOffset(std::string_view text, std::size_t offset) {
  return static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n')) + 1;
}

// Where the first problem of UTF-16LE text is, and which: a NUL unit or an unpaired surrogate.
struct Utf16Problem {
  std::size_t unit;
  const char* what;
};

char16_t UnitAt(std::string_view bytes, std::size_t unit) {
  return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * unit]) |
                               static_cast<unsigned char>(bytes[2 * unit + 1]) << 8);
}

// The words read below hold UTF-16LE units in their lanes as the machine orders bytes.
static_assert(std::endian::native == std::endian::little, "UTF-16LE read a word at a time");

// Whether the four UTF-16LE units at `units` are ASCII, none NUL: nearly all of a hive's text.
bool IsAsciiWithoutNul(const char* units) {
  std::uint64_t word;
  std::memcpy(&word, units, 8);
  constexpr std::uint64_t kNotAscii = 0xFF80FF80FF80FF80u;
  constexpr std::uint64_t kOnes = 0x0001000100010001u;
  constexpr std::uint64_t kHighBits = 0x8000800080008000u;
  return (word & kNotAscii) == 0 && ((word - kOnes) & ~word & kHighBits) == 0;
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Appends the UTF-8 form of a code point at `out`, returning the end.
char* PutUtf8(char* out, char32_t code_point) {
  if (code_point < 0x80) {
    *out++ = static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    *out++ = static_cast<char>(0xC0 | code_point >> 6);
    *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    *out++ = static_cast<char>(0xE0 | code_point >> 12);
    *out++ = static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | code_point >> 18);
    *out++ = static_cast<char>(0x80 | (code_point >> 12 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code_point >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code_point & 0x3F));
  }
  return out;
}

// UTF-16LE (after its BOM) to UTF-8, in two passes over the units: the first finds the first problem
// and the size, the second writes. An error names the line of the decoded text it stops at: where the
// first NUL or unpaired surrogate stands (GLib's conversion and the Windows one stop there alike), else,
// for an odd byte at the end, the last line.
std::string DecodeUtf16Le(std::string_view bytes, std::string_view fileName) {
  const std::size_t units = bytes.size() / 2;
  const auto line_before = [&](std::size_t unit) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < unit; ++i) line += UnitAt(bytes, i) == u'\n';
    return line;
  };
  std::size_t size = 0;
  std::optional<Utf16Problem> problem;
  for (std::size_t i = 0; i < units; ++i) {
    if (i + 4 <= units && IsAsciiWithoutNul(bytes.data() + 2 * i)) {
      size += 4;
      i += 3;
      continue;
    }
    const char16_t unit = UnitAt(bytes, i);
    if (unit < 0x80) {
      if (unit == 0) {
        problem = Utf16Problem{i, "NUL character"};
        break;
      }
      size += 1;
    } else if (unit < 0x800) {
      size += 2;
    } else if (IsHighSurrogate(unit)) {
      if (i + 1 == units || !IsLowSurrogate(UnitAt(bytes, i + 1))) {
        problem = Utf16Problem{i, "unpaired surrogate"};
        break;
      }
      size += 4;
      ++i;
    } else if (IsLowSurrogate(unit)) {
      problem = Utf16Problem{i, "unpaired surrogate"};
      break;
    } else {
      size += 3;
    }
  }
  if (problem) Malformed(fileName, line_before(problem->unit), problem->what);
  if (bytes.size() % 2 != 0) Malformed(fileName, line_before(units), "truncated UTF-16 text");
  std::string text(size, '\0');
  char* out = text.data();
  for (std::size_t i = 0; i < units; ++i) {
    if (i + 4 <= units && IsAsciiWithoutNul(bytes.data() + 2 * i)) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + 2 * i, 8);
      for (int k = 0; k < 4; ++k) *out++ = static_cast<char>(word >> (16 * k));
      i += 3;
      continue;
    }
    const char16_t unit = UnitAt(bytes, i);
    if (unit < 0x80) {
      *out++ = static_cast<char>(unit);
    } else if (IsHighSurrogate(unit)) {
      out = PutUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (UnitAt(bytes, ++i) - 0xDC00));
    } else {
      out = PutUtf8(out, unit);
    }
  }
  return text;
}

// String data that the version 5 form writes as hex: UTF-16LE to UTF-8 where it stands, NUL units (the
// separators of a multi-string, the terminator) kept as NUL bytes. The `size` bytes at `data` are the
// start of a stretch of text that ends at `end` and is at least 1.5 times as long (the hex text they
// were read from): moved to its end first, they are read ahead of the UTF-8 written from its start,
// which is never more than 1.5 times what it was read from. Returns the UTF-8 size, or nothing when the
// bytes are not UTF-16 (an odd count, an unpaired surrogate).
std::optional<std::size_t> Utf16LeToUtf8InPlace(char* data, std::size_t size, char* end) {
  if (size % 2 != 0) return std::nullopt;
  const std::size_t units = size / 2;
  char* const in = end - size;
  std::memmove(in, data, size);
  const std::string_view bytes(in, size);
  char* out = data;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t unit = UnitAt(bytes, i);
    if (IsHighSurrogate(unit)) {
      if (i + 1 == units || !IsLowSurrogate(UnitAt(bytes, i + 1))) return std::nullopt;
      const char16_t low = UnitAt(bytes, ++i);
      out = PutUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    } else if (IsLowSurrogate(unit)) {
      return std::nullopt;
    } else {
      out = PutUtf8(out, unit);
    }
  }
  return static_cast<std::size_t>(out - data);
}

// Physical lines of the text, without their line ends.
class Lines {
 public:
  explicit Lines(std::string_view text) : rest_(text) {}

  bool Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const auto newline = rest_.find('\n');
    line = rest_.substr(0, newline);
    rest_.remove_prefix(newline == std::string_view::npos ? rest_.size() : newline + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    ++number_;
    return true;
  }
  std::size_t number() const { return number_; }

 private:
  std::string_view rest_;
  std::size_t number_ = 0;
};

// The number of non-empty segments of a key path, counted up to `limit`.
std::size_t KeyDepth(std::string_view path, std::size_t limit) {
  std::size_t depth = 0;
  bool in_segment = false;
  for (const char c : path) {
    if (c == '\\') {
      in_segment = false;
    } else if (!in_segment) {
      in_segment = true;
      if (++depth == limit) break;
    }
  }
  return depth;
}

// Reads the text into the builder's tree, decoding strings and hex data in place: each value's bytes
// are written over the text of its own line (or lines), from their start on, behind where the reading
// is, so the tree views them where they stand. The text is valid UTF-8 without NUL throughout (checked
// or decoded so before), and unescaping takes out only ASCII: a name's only way not to fit on a line
// is a carriage return.
class Parser {
 public:
  Parser(RegKey::Builder& builder, std::size_t start, std::string_view root, std::string_view fileName)
      : builder_(builder),
        lines_(std::string_view(builder.text(), builder.size()).substr(start)),
        root_(root),
        file_name_(fileName) {}

  RegKey Parse() {
    std::string_view line;
    while (lines_.Next(line)) {
      line = TrimTrailing(line);
      if (line.empty()) continue;
      if (line != kVersion5Header && line != kRegedit4Header) Fail("missing header");
      hex_strings_are_utf16_ = line == kVersion5Header;
      break;
    }
    while (lines_.Next(line)) ParseLine(TrimLeading(TrimTrailing(line)));
    return builder_.Finish();
  }

 private:
  enum class HexState { kStart, kAfterByte, kAfterComma };

  [[noreturn]] void Fail(std::string_view problem) const { Malformed(file_name_, lines_.number(), problem); }

  // Where a view into the text stands, to write there.
  char* At(std::string_view text) const { return builder_.text() + (text.data() - builder_.text()); }

  void ParseLine(std::string_view line) {
    if (line.empty() || line.front() == ';') return;
    if (line.front() == '[') return ParseKey(line);
    if (line.front() == '@' || line.front() == '"') return ParseValue(line);
    Fail("not a key, value or comment");
  }

  void ParseKey(std::string_view line) {
    if (line.size() < 2 || line.back() != ']') Fail("unterminated key name");
    std::string_view path = line.substr(1, line.size() - 2);
    const bool remove = path.starts_with('-');
    if (remove) path.remove_prefix(1);
    if (path.find('\r') != std::string_view::npos) Fail("carriage return in a key name");
    const auto slash = path.find('\\');
    if (!NamesRoot(path.substr(0, slash))) {
      Fail("key " + Excerpt(path) + " is not under " + std::string(root_));
    }
    const std::string_view relative = slash == std::string_view::npos ? "" : path.substr(slash + 1);
    const std::size_t depth = KeyDepth(relative, kMaxKeyDepth + 1);
    if (depth > kMaxKeyDepth) Fail("keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
    if (!remove) {
      builder_.OpenKey(relative);
    } else if (depth == 0) {
      Fail("cannot delete the root key " + Excerpt(path));
    } else {
      builder_.DeleteKey(relative);
    }
  }

  bool NamesRoot(std::string_view segment) const {
    if (EqualsIgnoringCase(segment, root_)) return true;
    return std::any_of(kRootAbbreviations.begin(), kRootAbbreviations.end(), [&](const auto& names) {
      return EqualsIgnoringCase(names.first, root_) && EqualsIgnoringCase(names.second, segment);
    });
  }

  void ParseValue(std::string_view line) {
    if (!builder_.HasCurrentKey()) Fail("value outside a key");
    std::string_view name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else {
      name = Unquote(line);
      if (name.find('\r') != std::string_view::npos) Fail("carriage return in a value name");
    }
    line = TrimLeading(line);
    if (!line.starts_with('=')) Fail("missing '=' after the value name");
    line = TrimLeading(line.substr(1));

    char* const data = At(line);  // where the value's bytes go
    if (line.starts_with('"')) {
      const std::string_view text = Unquote(line);
      if (!line.empty()) Fail("unexpected text after the string");
      // Stored with its terminating NUL, as the registry keeps strings: over the closing quote, or
      // behind it when escapes made the text shorter.
      At(text)[text.size()] = '\0';
      builder_.SetValue(name, reg_type::kString, {text.data(), text.size() + 1});
    } else if (line == "-") {
      builder_.RemoveValue(name);
    } else if (line.starts_with("dword:")) {
      const auto number = ParseHexNumber(line.substr(6), 8);
      if (!number) Fail("bad dword");
      for (std::size_t i = 0; i < 4; ++i) data[i] = static_cast<char>(*number >> (8 * i));
      builder_.SetValue(name, reg_type::kDword, {data, 4});
    } else if (const auto type = HexType(line)) {
      const std::size_t first_line = lines_.number();
      char* end = nullptr;
      std::size_t size = ParseHexData(line, data, end);
      if (hex_strings_are_utf16_ && IsStringType(*type)) {
        const auto utf8 = Utf16LeToUtf8InPlace(data, size, end);
        if (!utf8) Malformed(file_name_, first_line, "string data that is not UTF-16");
        size = *utf8;
      }
      builder_.SetValue(name, *type, {data, size});
    } else {
      Fail("bad value data");
    }
  }

  // A double-quoted string at the start of `line`, unescaped where it stands: the view returned starts
  // after the opening quote. `line` is left after the closing quote.
  std::string_view Unquote(std::string_view& line) const {
    const char* const begin = line.data() + 1;
    // Most strings hold no escape and stay as they are.
    std::size_t i = 1;
    while (i < line.size() && line[i] != '"' && line[i] != '\\') ++i;
    if (i < line.size() && line[i] == '"') {
      line.remove_prefix(i + 1);
      return {begin, i - 1};
    }
    char* out = At(line) + i;  // behind the reading: each escape leaves a byte behind
    for (; i < line.size(); ++i) {
      char c = line[i];
      if (c == '"') {
        line.remove_prefix(i + 1);
        return {begin, static_cast<std::size_t>(out - begin)};
      }
      if (c == '\\') {
        if (++i == line.size()) break;
        c = line[i];
        if (c != '\\' && c != '"') Fail("bad escape");
      }
      *out++ = c;
    }
    Fail("unterminated string");
  }

  // The type named by a "hex:" or "hex(N):" prefix, which is removed from `line`.
  static std::optional<std::uint32_t> HexType(std::string_view& line) {
    if (line.starts_with("hex:")) {
      line.remove_prefix(4);
      return reg_type::kBinary;
    }
    if (!line.starts_with("hex(")) return std::nullopt;
    const auto close = line.find("):");
    if (close == std::string_view::npos) return std::nullopt;
    const auto type = ParseHexNumber(line.substr(4, close - 4), 8);
    if (type) line.remove_prefix(close + 2);
    return type;
  }

  // Comma-separated hex bytes, which may continue over following lines after a trailing backslash,
  // written from `out` on (behind the reading: each byte has two digits, and all but the first a comma
  // before them, and the first a "hex:" prefix). Returns how many; `end` is left at the end of the last
  // line's text.
  std::size_t ParseHexData(std::string_view segment, char* out, char*& end) {
    char* const begin = out;
    HexState state = HexState::kStart;
    std::size_t comma_line = 0;
    for (;;) {
      const bool continued = segment.ends_with('\\');
      if (continued) segment = TrimTrailing(segment.substr(0, segment.size() - 1));
      end = At(segment) + segment.size();
      out = ParseHexSegment(segment, out, state, comma_line);
      if (!continued) break;
      if (!lines_.Next(segment)) Fail("continued value at the end of the file");
      segment = TrimTrailing(segment);
    }
    if (state == HexState::kAfterComma) Malformed(file_name_, comma_line, "bad hex data");
    return static_cast<std::size_t>(out - begin);
  }

  char* ParseHexSegment(std::string_view segment, char* out, HexState& state, std::size_t& commaLine) const {
    const char* p = segment.data();
    const char* const end = p + segment.size();
    while (p < end) {
      const char c = *p;
      if (IsBlank(c)) {
        ++p;
        continue;
      }
      if (c == ',') {
        if (state != HexState::kAfterByte) Fail("bad hex data");
        state = HexState::kAfterComma;
        commaLine = lines_.number();
        ++p;
        continue;
      }
      // An item runs to the next comma or blank, and is two hex digits.
      const int high = HexDigit(c);
      const int low = p + 1 < end ? HexDigit(p[1]) : -1;
      if (state == HexState::kAfterByte || high < 0 || low < 0 || (p + 2 < end && p[2] != ',' && !IsBlank(p[2]))) {
        Fail("bad hex data");
      }
      *out++ = static_cast<char>(high << 4 | low);
      state = HexState::kAfterByte;
      p += 2;
    }
    return out;
  }

  RegKey::Builder& builder_;
  Lines lines_;
  std::string_view root_;
  std::string_view file_name_;
  bool hex_strings_are_utf16_ = false;  // so under the version 5 header; REGEDIT4's are bytes
};

// Reads the bytes; `owned`, when given, holds them, and the tree takes them over rather than a copy.
RegKey Parse(std::string_view bytes, std::string* owned, std::string_view root, std::string_view fileName) {
  if (bytes.size() > kMaxHiveFileSize) Malformed(fileName, 1, "file too large");
  std::string text;
  std::size_t start = 0;
  if (bytes.starts_with(kUtf16LeBom)) {
    text = DecodeUtf16Le(bytes.substr(kUtf16LeBom.size()), fileName);
    if (owned) std::string().swap(*owned);  // the UTF-16 bytes go before the tree grows
  } else {
    if (bytes.starts_with(kUtf8Bom)) start = kUtf8Bom.size();
    const std::string_view utf8 = bytes.substr(start);
    if (const std::size_t invalid = InvalidUtf8Offset(utf8); invalid != std::string_view::npos) {
      Malformed(fileName, LineOfOffset(utf8, invalid), "invalid UTF-8");
    }
    text = owned ? std::move(*owned) : std::string(bytes);
  }
  RegKey::Builder builder(std::move(text));
  return Parser(builder, start, root, fileName).Parse();
}

}  // namespace

RegKey ParseRegFile(std::string_view bytes, std::string_view root, std::string_view fileName) {
  return Parse(bytes, nullptr, root, fileName);
}

RegKey ParseOwnedRegFile(std::string bytes, std::string_view root, std::string_view fileName) {
  return Parse(bytes, &bytes, root, fileName);
}

// ---- Writing ----

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Hex data wraps before this column, as the registry editor's exports do.
constexpr std::size_t kHexLineWidth = 76;

void RequireWritableName(std::string_view name) {
  if (!FitsOnALine(name)) {
    throw RuntimeError(error_number::kInvalidProcedureCall,
                       "a key or value name holds a line break, a NUL or invalid UTF-8");
  }
}

void RequireReadableDepth(std::size_t depth) {
  if (depth > kMaxKeyDepth) {
    throw RuntimeError(error_number::kInvalidProcedureCall,
                       "keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
  }
}

void RequireReadableSize(const std::string& text) {
  if (text.size() > kMaxHiveFileSize) {
    throw RuntimeError(
        error_number::kInvalidProcedureCall,
        "the hive would be larger than the " + std::to_string(kMaxHiveFileSize >> 20) + " MiB a hive file may hold");
  }
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

// The text of a string value that reads back byte for byte when written in quotes.
std::optional<std::string_view> QuotableText(const RegValueView& value) {
  if (value.type != reg_type::kString || value.data.empty() || value.data.back() != 0) return std::nullopt;
  const std::string_view text(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1);
  if (!FitsOnALine(text)) return std::nullopt;
  return text;
}

// Whether bytes are UTF-8 between NULs, which is what has a UTF-16 form.
bool IsUtf8BetweenNuls(std::string_view text) {
  for (;;) {
    const std::size_t invalid = InvalidUtf8Offset(text);
    if (invalid == std::string_view::npos) return true;
    if (text[invalid] != '\0') return false;
    text.remove_prefix(invalid + 1);
  }
}

bool HasUtf16Form(const RegValueView& value) {
  return IsUtf8BetweenNuls({reinterpret_cast<const char*>(value.data.data()), value.data.size()});
}

// The UTF-16LE bytes of UTF-8 text that may hold NULs (IsUtf8BetweenNuls).
std::vector<std::uint8_t> Utf16LeOfUtf8(std::span<const std::uint8_t> utf8) {
  std::vector<std::uint8_t> out;
  out.reserve(utf8.size() * 2);
  const auto append_unit = [&out](char32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  };
  for (std::size_t i = 0; i < utf8.size();) {
    const std::uint8_t lead = utf8[i];
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code_point = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) code_point = code_point << 6 | (utf8[i + k] & 0x3F);
    i += length;
    if (code_point < 0x10000) {
      append_unit(code_point);
    } else {
      code_point -= 0x10000;
      append_unit(0xD800 | code_point >> 10);
      append_unit(0xDC00 | (code_point & 0x3FF));
    }
  }
  return out;
}

// Whether every string the writer gives as hex has a UTF-16 form, as the version 5 header asks.
bool HexStringsHaveUtf16Form(const RegKey& key, std::size_t depth) {
  RequireReadableDepth(depth);
  for (const auto& [name, value] : key.values()) {
    if (IsStringType(value.type) && !QuotableText(value) && !HasUtf16Form(value)) return false;
  }
  for (const auto& [name, subkey] : key.subkeys()) {
    if (!HexStringsHaveUtf16Form(subkey, depth + 1)) return false;
  }
  return true;
}

void AppendHexBytes(std::string& out, std::span<const std::uint8_t> data, std::size_t column) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0) {
      out += ',';
      if (++column + 3 > kHexLineWidth) {
        out += "\\\r\n  ";
        column = 2;
      }
    }
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 15];
    column += 2;
  }
}

class HiveWriter {
 public:
  explicit HiveWriter(bool hexStringsAreUtf16) : hex_strings_are_utf16_(hexStringsAreUtf16) {}

  std::string Write(const RegKey& hive, std::string_view root) {
    out_ = hex_strings_are_utf16_ ? kVersion5Header : kRegedit4Header;
    out_ += kLineEnd;
    AppendKey(hive, std::string(root), 0);
    return std::move(out_);
  }

 private:
  // A key that only holds subkeys is implied by their paths, which keeps the text linear in the tree
  // however deep it nests; the root needs a line only for its values.
  void AppendKey(const RegKey& key, const std::string& path, std::size_t depth) {
    RequireReadableDepth(depth);
    if (!key.values().empty() || (depth > 0 && key.subkeys().empty())) {
      out_.append(kLineEnd).append("[").append(path).append("]").append(kLineEnd);
      RequireReadableSize(out_);
      for (const auto& [name, value] : key.values()) AppendValue(name, value);
    }
    for (const auto& [name, subkey] : key.subkeys()) {
      RequireWritableName(name);
      AppendKey(subkey, path + "\\" + std::string(name), depth + 1);
    }
  }

  void AppendValue(std::string_view name, const RegValueView& value) {
    RequireWritableName(name);
    const std::size_t line_start = out_.size();
    if (name.empty()) {
      out_ += '@';
    } else {
      AppendQuoted(out_, name);
    }
    out_ += '=';
    char prefix[32];
    if (const auto text = QuotableText(value)) {
      AppendQuoted(out_, *text);
    } else if (value.type == reg_type::kDword && value.data.size() == 4) {
      std::uint32_t number = 0;
      for (std::size_t i = 0; i < 4; ++i) number |= std::uint32_t{value.data[i]} << (8 * i);
      std::snprintf(prefix, sizeof prefix, "dword:%08x", number);
      out_ += prefix;
    } else {
      if (value.type == reg_type::kBinary) {
        out_ += "hex:";
      } else {
        std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        out_ += prefix;
      }
      const bool as_utf16 = hex_strings_are_utf16_ && IsStringType(value.type);
      if (as_utf16) {
        AppendHexBytes(out_, Utf16LeOfUtf8(value.data), out_.size() - line_start);
      } else {
        AppendHexBytes(out_, value.data, out_.size() - line_start);
      }
    }
    out_ += kLineEnd;
    RequireReadableSize(out_);
  }

  const bool hex_strings_are_utf16_;
  std::string out_;
};

}  // namespace

std::string WriteRegFile(const RegKey& hive, std::string_view root) {
  return HiveWriter(HexStringsHaveUtf16Form(hive, 0)).Write(hive, root);
}

}  // namespace quorvel::platform
