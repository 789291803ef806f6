#pragma once
// The window's side of the engine for tests: a message queue without a window system and a
// WM_SERIAL_EVENT handler that takes each notification and, unless told otherwise, answers it.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include "platform/window_messages.h"
#include "serial/engine/serial_port.h"

namespace serial_test {

class WindowSide {
 public:
  WindowSide() {
    queue.SetHandler([this](const platform::WindowMessage& message) {
      EXPECT_EQ(message.number, serial::WM_SERIAL_EVENT);
      EXPECT_EQ(message.second, 0);
      auto* port = reinterpret_cast<serial::SerialPort*>(message.first);
      std::optional<serial::SerialNotification> notification = port->TakeNotification();
      ASSERT_TRUE(notification.has_value()) << "one notification per message";
      seen.push_back(std::move(*notification));
      if (answer) port->Acknowledge();
    });
  }

  // Delivers messages until `done` holds or the time has passed; returns `done()`.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      if (left.count() <= 0) return done();
      queue.WaitAndPump(std::min(left, std::chrono::milliseconds(50)));
    }
    return true;
  }
  // Delivers what comes during `time`.
  void PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
  }

  platform::InProcessMessageQueue queue;
  std::vector<serial::SerialNotification> seen;
  bool answer = true;
};

}  // namespace serial_test
