#pragma once
// What WScript.Sleep runs while it waits: the apartment's readiness loop, through which the
// controls' sockets and ports deliver their events. Wake() ends a wait early from any thread.

#include <chrono>

namespace scripthost {

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Waits up to `timeout` for events and delivers those that are ready; returns after one round.
  virtual void PumpOnce(std::chrono::milliseconds timeout) = 0;
  virtual void Wake() = 0;
};

}  // namespace scripthost
