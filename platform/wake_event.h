#pragma once
// A wake-up that another thread can watch in a poll set: an eventfd that stays readable once
// signalled until the watcher consumes it. Closing the object closes the descriptor.

#include "platform/unique_fd.h"

namespace platform {

class WakeEvent {
 public:
  // The descriptor is -1 (and the last error set) when the system refused to make one.
  WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  bool IsValid() const { return fd_.valid(); }
  int Descriptor() const { return fd_.get(); }

  // Makes the descriptor readable; safe from any thread and from a signal handler.
  void Signal();
  // Makes it unreadable again; returns true when it had been signalled.
  bool Consume();

 private:
  UniqueFd fd_;
};

}  // namespace platform
