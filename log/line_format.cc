#include "log/line_format.h"

#include <array>
#include <cstdio>

namespace quorvel::log {

namespace {
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string Stamp(const platform::LocalTime& time, int hour) {
  char text[32];
  const int month = (time.month >= 1 && time.month <= 12) ? time.month - 1 : 0;
  std::snprintf(text, sizeof text, "%02d %s %02d %02d:%02d:%02d", time.day % 100, kMonths[month],
                ((time.year % 100) + 100) % 100, hour % 100, time.minute % 100, time.second % 100);
  return text;
}
}  // namespace

std::string LogTimestamp(const platform::LocalTime& time) {
  const int hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;
  return Stamp(time, hour12) + (time.hour < 12 ? " am" : " pm");
}

std::string ErrorTimestamp(const platform::LocalTime& time) { return Stamp(time, time.hour); }

std::string FacadeLine(const platform::LocalTime& time, std::string_view message) {
  std::string line = LogTimestamp(time);
  line += '\t';
  line += message;
  return line;
}

std::string ProviderEntry(const platform::LocalTime& time, std::string_view message) {
  std::string entry = "\t" + LogTimestamp(time) + "  ";
  entry += message;
  entry += "\r\n";
  return entry;
}

std::string ErrorEntry(const platform::LocalTime& time, ErrorCodeForm form, const ErrorLineFields& error) {
  std::string entry = ErrorTimestamp(time) + "  Error: " + std::to_string(error.number);
  if (form == ErrorCodeForm::kDecimalAndHex) entry += "(" + HexCode(error.number) + ")";
  entry += " in ";
  entry += error.tag;
  entry += " at line " + std::to_string(error.line) + " ";
  entry += error.description;
  entry += "\r\n";
  return entry;
}

std::string HexCode(std::int32_t number) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<std::uint32_t>(number));
  return text;
}

}  // namespace quorvel::log
