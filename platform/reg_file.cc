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

constexpr std::size_t kMaxFileSize = std::size_t{64} * 1024 * 1024;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

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

// UTF-16LE (after its BOM) to UTF-8. An error names the line of the decoded text it stops at.
std::string DecodeUtf16Le(std::string_view bytes, std::string_view fileName) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  }
  const auto line_before = [&units](std::size_t unit) {
    return static_cast<std::size_t>(
               std::count(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(unit), u'\n')) +
           1;
  };
  std::size_t read = 0;
  std::optional<std::string> text = Utf16ToUtf8(units, read);
  if (!text) Malformed(fileName, line_before(read), "unpaired surrogate");
  // The conversion stops at a NUL unit, which a text file never holds.
  if (read < units.size()) Malformed(fileName, line_before(read), "NUL character");
  if (bytes.size() % 2 != 0) Malformed(fileName, line_before(units.size()), "truncated UTF-16 text");
  return std::move(*text);
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
      if (line != "Windows Registry Editor Version 5.00" && line != "REGEDIT4") Fail("missing header");
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
    const auto slash = path.find('\\');
    if (!NamesRoot(path.substr(0, slash))) {
      Fail("key " + std::string(path) + " is not under " + std::string(root_));
    }
    const std::string_view relative = slash == std::string_view::npos ? "" : path.substr(slash + 1);
    current_ = nullptr;
    if (!remove) {
      current_ = &hive_.FindOrCreate(relative);
    } else if (SplitKeyPath(relative).empty()) {
      Fail("cannot delete the root key " + std::string(path));
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
      current_->SetValue(name, RegValue{*type, ParseHexData(line)});
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
  RegKey hive_;
  RegKey* current_ = nullptr;  // the key value lines go to; null before the first key and after a deletion
};

}  // namespace

RegKey ParseRegFile(std::string_view bytes, std::string_view root, std::string_view fileName) {
  if (bytes.size() > kMaxFileSize) Malformed(fileName, 1, "file too large");
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

// Text a line can hold between quotes: the parser reads line by line, and refuses invalid UTF-8 and NUL.
bool FitsOnALine(std::string_view text) {
  return IsValidUtf8(text) && text.find_first_of("\r\n") == std::string_view::npos;
}

void RequireWritableName(std::string_view name) {
  if (!FitsOnALine(name)) {
    throw RuntimeError(error_number::kInvalidProcedureCall,
                       "a key or value name holds a line break, a NUL or invalid UTF-8");
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

void AppendValue(std::string& out, const std::string& name, const RegValue& value) {
  RequireWritableName(name);
  const std::size_t line_start = out.size();
  if (name.empty()) {
    out += '@';
  } else {
    AppendQuoted(out, name);
  }
  out += '=';
  char prefix[32];
  if (const auto text = QuotableText(value)) {
    AppendQuoted(out, *text);
  } else if (value.type == reg_type::kDword && value.data.size() == 4) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4; ++i) number |= std::uint32_t{value.data[i]} << (8 * i);
    std::snprintf(prefix, sizeof prefix, "dword:%08x", number);
    out += prefix;
  } else {
    if (value.type == reg_type::kBinary) {
      out += "hex:";
    } else {
      std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
      out += prefix;
    }
    AppendHexBytes(out, value.data, out.size() - line_start);
  }
  out += kLineEnd;
}

// The root's own line is written only when it has values, since every key below names its full path.
void AppendKey(std::string& out, const RegKey& key, const std::string& path, bool isRoot) {
  if (!isRoot || !key.values().empty()) {
    out.append(kLineEnd).append("[").append(path).append("]").append(kLineEnd);
    for (const auto& [name, value] : key.values()) AppendValue(out, name, value);
  }
  for (const auto& [name, subkey] : key.subkeys()) {
    RequireWritableName(name);
    AppendKey(out, subkey, path + "\\" + name, false);
  }
}

}  // namespace

std::string WriteRegFile(const RegKey& hive, std::string_view root) {
  std::string out = "Windows Registry Editor Version 5.00";
  out += kLineEnd;
  AppendKey(out, hive, std::string(root), true);
  return out;
}

}  // namespace quorvel::platform
