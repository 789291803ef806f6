#pragma once
// A comm component on a poll loop that the test pumps, with a record of its events.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "components/comm/comm_component.h"
#include "platform/readiness.h"

namespace mscomm_test {

using namespace std::chrono_literals;

// Pumps `loop` until `done` holds or the time passes; returns whether it held.
inline bool PumpUntil(platform::PollReadinessLoop& loop, const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = 3s) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    loop.RunOnce(10ms);
  }
  return true;
}

// Pumps `loop` for `time`; returns the number of callbacks run.
inline int PumpFor(platform::PollReadinessLoop& loop, std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  int run = 0;
  while (std::chrono::steady_clock::now() < end) run += loop.RunOnce(5ms);
  return run;
}

struct CommRig {
  // With no opener, the system's ports; with no rule, port n opens `path`.
  explicit CommRig(std::string path, platform::SerialDeviceOpener* opener = nullptr)
      : comm(std::make_unique<components::comm::CommComponent>(
            loop, opener ? *opener : platform::SystemSerialPorts(),
            [path](int) { return std::optional<std::string>(path); })) {
    comm->SetOnComm([this] {
      events.push_back(comm->CommEvent());
      if (onEvent) onEvent();
    });
  }

  int Count(std::int16_t code) const {
    int n = 0;
    for (auto e : events) n += e == code;
    return n;
  }

  platform::PollReadinessLoop loop;
  std::unique_ptr<components::comm::CommComponent> comm;
  std::vector<std::int16_t> events;
  std::function<void()> onEvent;  // runs inside OnComm, after the event is recorded
};

}  // namespace mscomm_test
