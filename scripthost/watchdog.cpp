#include "scripthost/watchdog.h"

namespace scripthost {

Watchdog::Watchdog(std::chrono::milliseconds limit, std::chrono::milliseconds grace,
                   std::function<void()> onExpiry, std::function<void()> onStuck)
    : onExpiry_(std::move(onExpiry)), onStuck_(std::move(onStuck)) {
  thread_ = std::thread([this, limit, grace] { Run(limit, grace); });
}

Watchdog::~Watchdog() {
  {
    std::lock_guard lock(mutex_);
    cancel_ = true;
  }
  cancelled_.notify_all();
  thread_.join();
}

void Watchdog::Run(std::chrono::milliseconds limit, std::chrono::milliseconds grace) {
  std::unique_lock lock(mutex_);
  if (cancelled_.wait_for(lock, limit, [this] { return cancel_; })) return;
  lock.unlock();
  onExpiry_();
  lock.lock();
  if (cancelled_.wait_for(lock, grace, [this] { return cancel_; })) return;
  onStuck_();
}

}  // namespace scripthost
