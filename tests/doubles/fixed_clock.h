#pragma once

#include "quorvel/clock.h"

namespace quorvel::testing {

class FixedClock : public platform::Clock {
 public:
  explicit FixedClock(platform::LocalTime time = {2026, 12, 4, 1, 7, 9}) : time_(time) {}
  platform::LocalTime Now() override { return time_; }

 private:
  platform::LocalTime time_;
};

}  // namespace quorvel::testing
