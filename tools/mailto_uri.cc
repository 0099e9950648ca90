#include "tools/mailto_uri.h"

#include <algorithm>
#include <cctype>

namespace quorvel::tools {

namespace {
constexpr std::string_view kScheme = "mailto:";

std::string Lowercase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      decoded += text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
    if (high < 0 || low < 0) throw InvalidMailtoUri("a '%' not followed by two hexadecimal digits");
    decoded += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return decoded;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const auto end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

// Addresses are separated by commas once decoded; empty ones are dropped.
void AddAddresses(std::vector<std::string>& list, std::string_view encoded) {
  const std::string decoded = PercentDecoded(encoded);
  for (const auto address : Split(decoded, ',')) {
    if (!address.empty()) list.emplace_back(address);
  }
}

void SetOnce(std::optional<std::string>& field, const std::string& key, std::string value) {
  if (field) throw InvalidMailtoUri("\"" + key + "\" is given twice");
  field = std::move(value);
}
}  // namespace

bool IsMailtoUri(const std::string& text) { return Lowercase(text.substr(0, kScheme.size())) == kScheme; }

MailtoUri ParseMailtoUri(const std::string& uri) {
  MailtoUri parsed;
  const std::string_view rest = std::string_view(uri).substr(kScheme.size());
  const auto question = rest.find('?');
  AddAddresses(parsed.to, rest.substr(0, question));
  if (question == std::string_view::npos) return parsed;
  for (const auto field : Split(rest.substr(question + 1), '&')) {
    if (field.empty()) continue;
    const auto equals = field.find('=');
    if (equals == std::string_view::npos) {
      throw InvalidMailtoUri("\"" + std::string(field) + "\" has no '='");
    }
    const std::string key = Lowercase(PercentDecoded(field.substr(0, equals)));
    const std::string_view value = field.substr(equals + 1);
    if (key == "to") {
      AddAddresses(parsed.to, value);
    } else if (key == "cc") {
      AddAddresses(parsed.cc, value);
    } else if (key == "bcc") {
      AddAddresses(parsed.bcc, value);
    } else if (key == "subject") {
      SetOnce(parsed.subject, key, PercentDecoded(value));
    } else if (key == "body") {
      SetOnce(parsed.body, key, PercentDecoded(value));
    }
  }
  return parsed;
}

}  // namespace quorvel::tools
