#pragma once
// Socket readiness through Qt's event loop: one read notifier per watched descriptor, so that an
// idle tool waits in the event loop and polls nothing.

#include "platform/readiness.h"

namespace tcpip {

class QtReadinessLoop final : public platform::ReadinessLoop {
 public:
  std::unique_ptr<platform::ReadinessWatch> WatchReadable(int fd,
                                                          std::function<void()> onReady) override;
};

}  // namespace tcpip
