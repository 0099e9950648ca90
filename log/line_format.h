// The exact text of every line of the trail: time stamps, the facade line, the provider entry and
// the error line in both of its forms.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "quorvel/clock.h"

namespace quorvel::log {

// "dd mmm yy hh:nn:ss am/pm", the hour on the 12-hour clock (midnight and noon are 12); valid until
// this thread's next call.
const std::string& LogTimestamp(const platform::LocalTime& time);
// "dd mmm yy hh:nn:ss", the hour on the 24-hour clock.
std::string ErrorTimestamp(const platform::LocalTime& time);

// A message given in parts, so that a long one (a message body) is copied once, into its line.
using MessageParts = std::initializer_list<std::string_view>;

// What the facade hands to the context: time stamp, TAB, message.
std::string FacadeLine(const platform::LocalTime& time, MessageParts message);

// Appends one entry of a provider's session log: TAB, time stamp, two blanks, message, CR LF.
void AppendProviderEntry(std::string& log, const platform::LocalTime& time, MessageParts message);

enum class ErrorCodeForm {
  kDecimal,        // "Error: 91 in"
  kDecimalAndHex,  // "Error: 91(5B) in"
};

struct ErrorLineFields {
  std::int32_t number;
  std::string_view tag;
  int line;
  std::string_view description;
};
// "<time>  Error: <number> in <tag> at line <line> <description>" and CR LF, without indent.
std::string ErrorEntry(const platform::LocalTime& time, ErrorCodeForm form, const ErrorLineFields& error);

// Upper-case hexadecimal without leading zeros; a negative number as its 32-bit two's complement.
std::string HexCode(std::int32_t number);

}  // namespace quorvel::log
