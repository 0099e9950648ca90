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

bool SameSecond(const platform::LocalTime& a, const platform::LocalTime& b) {
  return a.second == b.second && a.minute == b.minute && a.hour == b.hour && a.day == b.day && a.month == b.month &&
         a.year == b.year;
}

}  // namespace

// A trail writes many lines within one second: each thread keeps the last stamp it formatted.
const std::string& LogTimestamp(const platform::LocalTime& time) {
  thread_local platform::LocalTime formatted_for{.year = -1};
  thread_local std::string stamp;
  if (stamp.empty() || !SameSecond(time, formatted_for)) {
    const int hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;
    stamp = Stamp(time, hour12) + (time.hour < 12 ? " am" : " pm");
    formatted_for = time;
  }
  return stamp;
}

std::string ErrorTimestamp(const platform::LocalTime& time) { return Stamp(time, time.hour); }

std::string FacadeLine(const platform::LocalTime& time, MessageParts message) {
  const std::string& stamp = LogTimestamp(time);
  std::size_t size = stamp.size() + 1;
  for (const std::string_view part : message) size += part.size();
  std::string line;
  line.reserve(size);
  line += stamp;
  line += '\t';
  for (const std::string_view part : message) line += part;
  return line;
}

void AppendProviderEntry(std::string& log, const platform::LocalTime& time, MessageParts message) {
  log += '\t';
  log += LogTimestamp(time);
  log += "  ";
  for (const std::string_view part : message) log += part;
  log += "\r\n";
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
