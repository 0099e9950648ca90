// Clock seam: the local date and time the trail stamps its lines with.
#pragma once

namespace quorvel::platform {

struct LocalTime {
  int year = 2000;
  int month = 1;  // 1 to 12
  int day = 1;
  int hour = 0;  // 0 to 23
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
};

// The system's local time.
class SystemClock : public Clock {
 public:
  LocalTime Now() override;
};

}  // namespace quorvel::platform
