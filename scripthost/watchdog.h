#pragma once
// The --timeout limit: a thread that waits for the limit and then asks the script to stop. A
// script stuck where the engine cannot interrupt it (a member call that never returns, a read of
// standard input that never ends) is ended after a short grace period.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace scripthost {

class Watchdog {
 public:
  // `onExpiry` runs on the watchdog's thread when the limit passes; `onStuck` runs there when
  // the watchdog is still not cancelled `grace` later, and must end the process.
  Watchdog(std::chrono::milliseconds limit, std::chrono::milliseconds grace,
           std::function<void()> onExpiry, std::function<void()> onStuck);
  // Cancels the watch and joins the thread.
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  void Run(std::chrono::milliseconds limit, std::chrono::milliseconds grace);

  std::mutex mutex_;
  std::condition_variable cancelled_;
  bool cancel_ = false;
  std::function<void()> onExpiry_;
  std::function<void()> onStuck_;
  std::thread thread_;
};

}  // namespace scripthost
