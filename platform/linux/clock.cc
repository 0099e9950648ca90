#include "platform/system_clock.h"

#include <ctime>

namespace quorvel::platform {

LocalTime SystemClock::Now() {
  // Converted once a second: a send asks for the time at every line of its trail, and the
  // conversion through the time zone costs more than the rest of a line.
  thread_local std::time_t converted = -1;
  thread_local LocalTime local_time{};
  const std::time_t now = std::time(nullptr);
  if (now != converted) {
    std::tm local{};
    localtime_r(&now, &local);
    local_time = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    converted = now;
  }
  return local_time;
}

}  // namespace quorvel::platform
