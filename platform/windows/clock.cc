#include "platform/system_clock.h"

#include <windows.h>

namespace quorvel::platform {

LocalTime SystemClock::Now() {
  SYSTEMTIME local{};
  GetLocalTime(&local);
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

}  // namespace quorvel::platform
