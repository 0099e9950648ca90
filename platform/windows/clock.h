// The system's local time.
#pragma once

#include "quorvel/clock.h"

namespace quorvel::platform {

class SystemClock : public Clock {
 public:
  LocalTime Now() override;
};

}  // namespace quorvel::platform
