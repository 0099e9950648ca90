#include "platform/reg_file.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"
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
  throw AutomationError(kInvalidFileFormat, "Invalid file format: " + std::string(fileName) + " line " +
                                                std::to_string(line) + ": " + std::string(problem));
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

void AppendUtf8(std::string& out, char32_t c) {
  const auto put = [&out](char32_t byte) { out.push_back(static_cast<char>(byte)); };
  if (c < 0x80) {
    put(c);
    return;
  }
  const int continuations = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  constexpr char32_t kLeadMarks[] = {0, 0xC0, 0xE0, 0xF0};
  put(kLeadMarks[continuations] | c >> (6 * continuations));
  for (int shift = 6 * (continuations - 1); shift >= 0; shift -= 6) put(0x80 | (c >> shift & 0x3F));
}

// UTF-16LE (after its BOM) to UTF-8; line numbers in errors count lines of the text decoded so far.
std::string DecodeUtf16Le(std::string_view bytes, std::string_view fileName) {
  std::string text;
  text.reserve(bytes.size() / 2 * 3);
  const auto unit = [&bytes](std::size_t i) -> char32_t {
    return static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
  };
  const std::size_t end = bytes.size() & ~std::size_t{1};
  for (std::size_t i = 0; i < end; i += 2) {
    char32_t c = unit(i);
    if (c >= 0xD800 && c <= 0xDFFF) {
      const char32_t low = (c <= 0xDBFF && i + 2 < end) ? unit(i + 2) : 0;
      if (low < 0xDC00 || low > 0xDFFF) {
        Malformed(fileName, LineOfOffset(text, text.size()), "unpaired surrogate");
      }
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    AppendUtf8(text, c);
  }
  if (end != bytes.size()) Malformed(fileName, LineOfOffset(text, text.size()), "truncated UTF-16 text");
  return text;
}

// Offset of the first byte that does not start a well-formed UTF-8 sequence, or npos.
std::size_t InvalidUtf8Offset(std::string_view text) {
  const auto at = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = at(i);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    // The second byte's bounds exclude overlong forms, surrogates and code points past U+10FFFF.
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
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
      return i;
    }
    if (length > text.size() - i) return i;
    for (std::size_t k = 1; k < length; ++k) {
      if (at(i + k) < (k == 1 ? low : 0x80) || at(i + k) > (k == 1 ? high : 0xBF)) return i;
    }
    i += length;
  }
  return std::string_view::npos;
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
    if (const auto bad = InvalidUtf8Offset(text); bad != std::string_view::npos) {
      Malformed(fileName, LineOfOffset(text, bad), "invalid UTF-8");
    }
  }
  return Parser(text, root, fileName).Parse();
}

}  // namespace quorvel::platform
