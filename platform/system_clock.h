// The system's local time: each system implements this class in platform/<system>/clock.cc.
#pragma once

#include "quorvel/clock.h"

namespace quorvel::platform {

class SystemClock : public Clock {
 public:
  LocalTime Now() override;
};

}  // namespace quorvel::platform
