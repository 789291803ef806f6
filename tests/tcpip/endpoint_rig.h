#pragma once
// The endpoints' surroundings without a window: a poll loop for socket readiness and an
// in-process message queue whose repaint step can be given a job (to stand for a toolkit that
// runs other sockets' notifiers, or a user who clicks, while a blocking wait repaints).

#include <chrono>
#include <functional>
#include <vector>

#include "platform/readiness.h"
#include "platform/window_messages.h"

namespace tcpip_test {

class RigQueue final : public platform::MessageQueue {
 public:
  void Post(const platform::WindowMessage& message) override { inner_.Post(message); }
  void SetHandler(Handler handler) override { inner_.SetHandler(std::move(handler)); }
  void DeclareTransportMessage(unsigned number) override { inner_.DeclareTransportMessage(number); }
  void PumpMessages() override { inner_.PumpMessages(); }
  void Hold() override { inner_.Hold(); }
  void Release() override { inner_.Release(); }
  void ProcessRepaints() override {
    ++repaints_;
    if (onRepaint) onRepaint();
  }
  int Repaints() const { return repaints_; }
  // Messages posted and not yet delivered (held back by a wait, for instance).
  std::size_t Waiting() const { return inner_.Waiting(); }
  std::function<void()> onRepaint;

 private:
  platform::InProcessMessageQueue inner_;
  int repaints_ = 0;
};

struct EndpointRig {
  RigQueue queue;
  platform::PollReadinessLoop loop;
  std::vector<platform::WindowMessage> seen;

  EndpointRig() {
    queue.SetHandler([this](const platform::WindowMessage& m) { seen.push_back(m); });
  }

  // Runs the loop and delivers messages until `done` holds or the time has passed.
  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
      queue.PumpMessages();
      if (done()) return true;
      if (std::chrono::steady_clock::now() >= end) return false;
      loop.RunOnce(std::chrono::milliseconds(10));
    }
  }

  // Runs the loop for a short while so that anything due is posted and delivered.
  void Settle(std::chrono::milliseconds time = std::chrono::milliseconds(50)) {
    RunUntil([] { return false; }, time);
  }

  int Count(unsigned number) const {
    int n = 0;
    for (const auto& m : seen) n += m.number == number;
    return n;
  }
};

}  // namespace tcpip_test
