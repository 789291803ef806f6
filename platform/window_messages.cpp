#include "platform/window_messages.h"

namespace platform {

bool PostedMessages::Push(const WindowMessage& message) {
  bool wasEmpty;
  {
    std::lock_guard lock(mutex_);
    wasEmpty = messages_.empty();
    messages_.push_back(message);
  }
  changed_.notify_all();
  return wasEmpty;
}

bool PostedMessages::TakeNext(WindowMessage& message) {
  std::lock_guard lock(mutex_);
  if (holds_ > 0 || messages_.empty()) return false;
  message = messages_.front();
  messages_.pop_front();
  return true;
}

bool PostedMessages::WaitForDeliverable(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [this] { return holds_ == 0 && !messages_.empty(); });
}

void PostedMessages::Hold() {
  std::lock_guard lock(mutex_);
  ++holds_;
}

bool PostedMessages::Release() {
  bool ended;
  {
    std::lock_guard lock(mutex_);
    if (holds_ > 0) --holds_;
    ended = holds_ == 0;
  }
  if (ended) changed_.notify_all();
  return ended;
}

bool PostedMessages::IsHeld() const {
  std::lock_guard lock(mutex_);
  return holds_ > 0;
}

std::size_t PostedMessages::Size() const {
  std::lock_guard lock(mutex_);
  return messages_.size();
}

int InProcessMessageQueue::Deliver() {
  if (!handler_) return 0;
  int delivered = 0;
  WindowMessage message;
  // A handler may post, hold or pump again; each message is taken before it is handled, so the
  // order holds and nothing is delivered twice.
  while (messages_.TakeNext(message)) {
    ++delivered;
    handler_(message);
  }
  return delivered;
}

void InProcessMessageQueue::PumpMessages() {
  Deliver();
}

int InProcessMessageQueue::WaitAndPump(std::chrono::milliseconds timeout) {
  messages_.WaitForDeliverable(timeout);
  return Deliver();
}

}  // namespace platform
