#include "platform/reg_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

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

// The UTF-16 units of little-endian bytes; an odd last byte is left out.
std::u16string Utf16LeUnits(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  return units;
}

// UTF-16LE (after its BOM) to UTF-8. An error names the line of the decoded text it stops at.
std::string DecodeUtf16Le(std::string_view bytes, std::string_view fileName) {
  const std::u16string units = Utf16LeUnits(bytes);
  const auto line_before = [&units](std::size_t unit) {
    return static_cast<std::size_t>(
               std::count(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(unit), u'\n')) +
           1;
  };
  std::size_t read = 0;
  std::optional<std::string> text = Utf16ToUtf8(units, read);
  if (!text) Malformed(fileName, line_before(read), "unpaired surrogate");
  // The conversion stops at a NUL unit, which a text file never holds, and before a high surrogate
  // that ends the text.
  if (read < units.size())
    Malformed(fileName, line_before(read), units[read] == 0 ? "NUL character" : "unpaired surrogate");
  if (bytes.size() % 2 != 0) Malformed(fileName, line_before(units.size()), "truncated UTF-16 text");
  return std::move(*text);
}

// String data that the version 5 form writes as hex: UTF-16LE to UTF-8, NUL units (the separators of a
// multi-string, the terminator) kept as NUL bytes. Nothing when the bytes are not UTF-16.
std::optional<std::vector<std::uint8_t>> Utf8OfUtf16Le(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  const std::u16string units = Utf16LeUnits({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  std::vector<std::uint8_t> utf8;
  for (std::u16string_view rest = units;;) {
    const auto nul = rest.find(u'\0');
    if (const auto segment = rest.substr(0, nul); !segment.empty()) {
      std::size_t read = 0;
      const std::optional<std::string> text = Utf16ToUtf8(segment, read);
      if (!text || read != segment.size()) return std::nullopt;
      utf8.insert(utf8.end(), text->begin(), text->end());
    }
    if (nul == std::u16string_view::npos) return utf8;
    utf8.push_back(0);
    rest.remove_prefix(nul + 1);
  }
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

class Parser {
 public:
  Parser(std::string_view text, std::string_view root, std::string_view fileName)
      : lines_(text), root_(root), file_name_(fileName) {}

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
    return std::move(hive_);
  }

 private:
  enum class HexState { kStart, kAfterByte, kAfterComma };

  [[noreturn]] void Fail(std::string_view problem) const { Malformed(file_name_, lines_.number(), problem); }

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
    if (!FitsOnALine(path)) Fail("carriage return in a key name");
    const auto slash = path.find('\\');
    if (!NamesRoot(path.substr(0, slash))) {
      Fail("key " + Excerpt(path) + " is not under " + std::string(root_));
    }
    const std::string_view relative = slash == std::string_view::npos ? "" : path.substr(slash + 1);
    const std::size_t depth = SplitKeyPath(relative).size();
    if (depth > kMaxKeyDepth) Fail("keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
    current_ = nullptr;
    if (!remove) {
      current_ = &hive_.FindOrCreate(relative);
    } else if (depth == 0) {
      Fail("cannot delete the root key " + Excerpt(path));
    } else {
      hive_.Remove(relative);
    }
  }

  bool NamesRoot(std::string_view segment) const {
    if (EqualsIgnoringCase(segment, root_)) return true;
    return std::any_of(kRootAbbreviations.begin(), kRootAbbreviations.end(), [&](const auto& names) {
      return EqualsIgnoringCase(names.first, root_) && EqualsIgnoringCase(names.second, segment);
    });
  }

  void ParseValue(std::string_view line) {
    if (!current_) Fail("value outside a key");
    std::string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else {
      name = ParseQuoted(line);
      if (!FitsOnALine(name)) Fail("carriage return in a value name");
    }
    line = TrimLeading(line);
    if (!line.starts_with('=')) Fail("missing '=' after the value name");
    line = TrimLeading(line.substr(1));

    if (line.starts_with('"')) {
      const std::string text = ParseQuoted(line);
      if (!line.empty()) Fail("unexpected text after the string");
      // Stored with its terminating NUL, as the registry keeps strings.
      current_->SetValue(name, RegValue{reg_type::kString, {text.c_str(), text.c_str() + text.size() + 1}});
    } else if (line == "-") {
      current_->RemoveValue(name);
    } else if (line.starts_with("dword:")) {
      const auto number = ParseHexNumber(line.substr(6), 8);
      if (!number) Fail("bad dword");
      std::vector<std::uint8_t> data(4);
      for (std::size_t i = 0; i < 4; ++i) data[i] = static_cast<std::uint8_t>(*number >> (8 * i));
      current_->SetValue(name, RegValue{reg_type::kDword, std::move(data)});
    } else if (const auto type = HexType(line)) {
      const std::size_t first_line = lines_.number();
      std::vector<std::uint8_t> data = ParseHexData(line);
      if (hex_strings_are_utf16_ && IsStringType(*type)) {
        auto utf8 = Utf8OfUtf16Le(data);
        if (!utf8) Malformed(file_name_, first_line, "string data that is not UTF-16");
        data = std::move(*utf8);
      }
      current_->SetValue(name, RegValue{*type, std::move(data)});
    } else {
      Fail("bad value data");
    }
  }

  // A double-quoted string at the start of `line`, unescaped; `line` is left after its closing quote.
  std::string ParseQuoted(std::string_view& line) const {
    std::string text;
    for (std::size_t i = 1; i < line.size(); ++i) {
      char c = line[i];
      if (c == '"') {
        line.remove_prefix(i + 1);
        return text;
      }
      if (c == '\\') {
        if (++i == line.size()) break;
        c = line[i];
        if (c != '\\' && c != '"') Fail("bad escape");
      }
      text.push_back(c);
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

  // Comma-separated hex bytes, which may continue over following lines after a trailing backslash.
  std::vector<std::uint8_t> ParseHexData(std::string_view segment) {
    std::vector<std::uint8_t> data;
    HexState state = HexState::kStart;
    std::size_t commaLine = 0;
    for (;;) {
      const bool continued = segment.ends_with('\\');
      if (continued) segment = TrimTrailing(segment.substr(0, segment.size() - 1));
      ParseHexSegment(segment, data, state, commaLine);
      if (!continued) break;
      if (!lines_.Next(segment)) Fail("continued value at the end of the file");
      segment = TrimTrailing(segment);
    }
    if (state == HexState::kAfterComma) Malformed(file_name_, commaLine, "bad hex data");
    return data;
  }

  void ParseHexSegment(std::string_view segment, std::vector<std::uint8_t>& data, HexState& state,
                       std::size_t& commaLine) const {
    for (segment = TrimLeading(segment); !segment.empty(); segment = TrimLeading(segment)) {
      if (segment.front() == ',') {
        if (state != HexState::kAfterByte) Fail("bad hex data");
        state = HexState::kAfterComma;
        commaLine = lines_.number();
        segment.remove_prefix(1);
        continue;
      }
      const auto item = segment.substr(0, segment.find_first_of(", \t"));
      const auto byte = ParseHexNumber(item, 2);
      if (state == HexState::kAfterByte || !byte || item.size() != 2) Fail("bad hex data");
      data.push_back(static_cast<std::uint8_t>(*byte));
      state = HexState::kAfterByte;
      segment.remove_prefix(item.size());
    }
  }

  Lines lines_;
  std::string_view root_;
  std::string_view file_name_;
  bool hex_strings_are_utf16_ = false;  // so under the version 5 header; REGEDIT4's are bytes
  RegKey hive_;
  RegKey* current_ = nullptr;  // the key value lines go to; null before the first key and after a deletion
};

}  // namespace

RegKey ParseRegFile(std::string_view bytes, std::string_view root, std::string_view fileName) {
  if (bytes.size() > kMaxHiveFileSize) Malformed(fileName, 1, "file too large");
  std::string decoded;
  std::string_view text = bytes;
  if (bytes.starts_with(kUtf16LeBom)) {
    decoded = DecodeUtf16Le(bytes.substr(kUtf16LeBom.size()), fileName);
    text = decoded;
  } else {
    if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
    if (const std::size_t invalid = InvalidUtf8Offset(text); invalid != std::string_view::npos) {
      Malformed(fileName, LineOfOffset(text, invalid), "invalid UTF-8");
    }
  }
  return Parser(text, root, fileName).Parse();
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
std::optional<std::string_view> QuotableText(const RegValue& value) {
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

bool HasUtf16Form(const RegValue& value) {
  return IsUtf8BetweenNuls({reinterpret_cast<const char*>(value.data.data()), value.data.size()});
}

// The UTF-16LE bytes of UTF-8 text that may hold NULs (IsUtf8BetweenNuls).
std::vector<std::uint8_t> Utf16LeOfUtf8(const std::vector<std::uint8_t>& utf8) {
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

void AppendHexBytes(std::string& out, const std::vector<std::uint8_t>& data, std::size_t column) {
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
      AppendKey(subkey, path + "\\" + name, depth + 1);
    }
  }

  void AppendValue(const std::string& name, const RegValue& value) {
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
      AppendHexBytes(out_, as_utf16 ? Utf16LeOfUtf8(value.data) : value.data, out_.size() - line_start);
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
