#pragma once
// The local clock, behind an interface so that tests can stand at any moment (midnight, say).

namespace platform {

struct LocalTime {
  int year = 0;    // four digits
  int month = 0;   // 1-12
  int day = 0;     // 1-31
  int hour = 0;    // 0-23
  int minute = 0;  // 0-59
  int second = 0;  // 0-59 (60 in a leap second)
};

class Clock {
 public:
  virtual ~Clock() = default;
  // One reading of the local date and time.
  virtual LocalTime Now() const = 0;
};

// The system's local clock.
const Clock& SystemClock();

}  // namespace platform
