#pragma once
// A clock that stands wherever a test puts it (at midnight, say), and counts its readings.

#include <deque>
#include <utility>

#include "platform/clock.h"

namespace testing_support {

class FakeClock : public platform::Clock {
 public:
  explicit FakeClock(platform::LocalTime start = {2007, 3, 5, 12, 0, 0}) : current_(start) {}

  // Moves the clock; every reading from now on gives this moment.
  void Set(const platform::LocalTime& time) {
    current_ = time;
    upcoming_.clear();
  }
  // Each coming reading gives the next of these moments; after the last the clock stays there.
  void ThenReadings(std::deque<platform::LocalTime> readings) { upcoming_ = std::move(readings); }

  int readings() const { return readings_; }

  platform::LocalTime Now() const override {
    ++readings_;
    if (!upcoming_.empty()) {
      current_ = upcoming_.front();
      upcoming_.pop_front();
    }
    return current_;
  }

 private:
  mutable platform::LocalTime current_;
  mutable std::deque<platform::LocalTime> upcoming_;
  mutable int readings_ = 0;
};

}  // namespace testing_support
