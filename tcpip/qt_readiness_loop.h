#pragma once
// Socket readiness through Qt's event loop: one notifier per watched descriptor and direction, so
// that an idle tool waits in the event loop and polls nothing.

#include "platform/readiness.h"

namespace tcpip {

class QtReadinessLoop final : public platform::ReadinessLoop {
 public:
  std::unique_ptr<platform::ReadinessWatch> WatchReadable(int fd,
                                                          std::function<void()> onReady) override;
  std::unique_ptr<platform::ReadinessWatch> WatchWritable(int fd,
                                                          std::function<void()> onReady) override;
};

}  // namespace tcpip
