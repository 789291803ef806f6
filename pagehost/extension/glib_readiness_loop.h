#pragma once
// The web process's readiness loop: each watch is a GLib descriptor source on the thread's
// default main context, the loop that also runs the page's tasks. A control's socket or port
// therefore reports readiness between two tasks of the page, never inside one.

#include "platform/readiness.h"

namespace pagehost {

class GlibReadinessLoop final : public platform::ReadinessLoop {
 public:
  std::unique_ptr<platform::ReadinessWatch> WatchReadable(int fd,
                                                          std::function<void()> onReady) override;
  std::unique_ptr<platform::ReadinessWatch> WatchWritable(int fd,
                                                          std::function<void()> onReady) override;
};

}  // namespace pagehost
