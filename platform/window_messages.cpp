#include "platform/window_messages.h"

#include <algorithm>
#include <atomic>

namespace platform {

std::uintptr_t NewMessageTargetId() {
  static std::atomic<std::uintptr_t> last{0};
  return ++last;
}

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

void PostedMessages::DeclareTransportMessage(unsigned number) {
  std::lock_guard lock(mutex_);
  if (std::find(transportNumbers_.begin(), transportNumbers_.end(), number) ==
      transportNumbers_.end())
    transportNumbers_.push_back(number);
}

bool PostedMessages::IsTransportMessage(unsigned number) const {
  std::lock_guard lock(mutex_);
  return std::find(transportNumbers_.begin(), transportNumbers_.end(), number) !=
         transportNumbers_.end();
}

int PostedMessages::DeliverAll(const std::function<void(const WindowMessage&)>& handler,
                               const std::function<void()>& hold,
                               const std::function<void()>& release) {
  // Ends the handler's hold however the handler leaves.
  struct HandlerHold {
    const std::function<void()>& release;
    ~HandlerHold() { release(); }
  };
  int delivered = 0;
  WindowMessage message;
  while (TakeNext(message)) {
    ++delivered;
    if (!IsTransportMessage(message.number)) {
      handler(message);
      continue;
    }
    hold();
    HandlerHold ending{release};
    handler(message);
  }
  return delivered;
}

int InProcessMessageQueue::Deliver() {
  if (!handler_) return 0;
  return messages_.DeliverAll(
      handler_, [this] { messages_.Hold(); }, [this] { messages_.Release(); });
}

void InProcessMessageQueue::PumpMessages() {
  Deliver();
}

int InProcessMessageQueue::WaitAndPump(std::chrono::milliseconds timeout) {
  messages_.WaitForDeliverable(timeout);
  return Deliver();
}

}  // namespace platform
