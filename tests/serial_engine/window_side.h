#pragma once
// The window's side of the engine for tests: a message queue without a window system and a
// WM_SERIAL_EVENT handler that looks the named port up among the live ones, takes each
// notification and, unless told otherwise, answers it.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "platform/window_messages.h"
#include "serial/engine/serial_port.h"

namespace serial_test {

// The live ports of a test by id, as a window knows its own port.
class LivePorts {
 public:
  static void Add(serial::SerialPort* port) {
    std::lock_guard lock(Mutex());
    Ports()[port->Id()] = port;
  }
  static void Remove(serial::SerialPort* port) {
    std::lock_guard lock(Mutex());
    Ports().erase(port->Id());
  }
  static serial::SerialPort* Find(std::uintptr_t id) {
    std::lock_guard lock(Mutex());
    auto it = Ports().find(id);
    return it == Ports().end() ? nullptr : it->second;
  }

 private:
  static std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
  }
  static std::map<std::uintptr_t, serial::SerialPort*>& Ports() {
    static std::map<std::uintptr_t, serial::SerialPort*> ports;
    return ports;
  }
};

// A port that a WindowSide can find by the id its messages carry.
class WatchedPort : public serial::SerialPort {
 public:
  template <typename... Args>
  explicit WatchedPort(Args&&... args) : serial::SerialPort(std::forward<Args>(args)...) {
    LivePorts::Add(this);
  }
  ~WatchedPort() { LivePorts::Remove(this); }
};

class WindowSide {
 public:
  WindowSide() {
    queue.SetHandler([this](const platform::WindowMessage& message) {
      EXPECT_EQ(message.number, serial::WM_SERIAL_EVENT);
      EXPECT_EQ(message.second, 0);
      serial::SerialPort* port = LivePorts::Find(message.first);
      if (port == nullptr) {
        ++dropped;  // its port has gone
        return;
      }
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
  int dropped = 0;  // messages whose port had gone
};

}  // namespace serial_test
