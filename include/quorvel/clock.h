// The clock seam: the local date and time the trail stamps its lines with. A host may supply its own
// (Platform::clock), for example to stamp lines in another time zone.
#pragma once

#include "quorvel/export.h"

namespace quorvel::platform {

struct LocalTime {
  int year = 2000;
  int month = 1;  // 1 to 12
  int day = 1;
  int hour = 0;  // 0 to 23
  int minute = 0;
  int second = 0;
};

class QUORVEL_EXPORT Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
};

}  // namespace quorvel::platform
