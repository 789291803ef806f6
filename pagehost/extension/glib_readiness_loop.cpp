#include "pagehost/extension/glib_readiness_loop.h"

#include <glib-unix.h>

#include <memory>

namespace pagehost {
namespace {

class GlibWatch final : public platform::ReadinessWatch {
 public:
  GlibWatch(int fd, GIOCondition condition, std::function<void()> onReady)
      : fd_(fd), condition_(condition), onReady_(std::move(onReady)) {}
  ~GlibWatch() override { SetEnabled(false); }
  GlibWatch(const GlibWatch&) = delete;
  GlibWatch& operator=(const GlibWatch&) = delete;

  void SetEnabled(bool enabled) override {
    if (enabled == (source_ != 0)) return;
    if (enabled) {
      source_ =
          g_unix_fd_add_full(G_PRIORITY_DEFAULT, fd_, condition_, &GlibWatch::Ready, this, nullptr);
    } else {
      g_source_remove(source_);
      source_ = 0;
    }
  }

 private:
  // The callback may disable or destroy this watch; a source removed while it runs is not run
  // again whatever it returns, so nothing of the watch is touched after the call.
  static gboolean Ready(gint, GIOCondition, gpointer self) {
    std::function<void()> onReady = static_cast<GlibWatch*>(self)->onReady_;
    onReady();
    return G_SOURCE_CONTINUE;
  }

  int fd_;
  GIOCondition condition_;
  std::function<void()> onReady_;
  guint source_ = 0;
};

// A hang-up or an error counts as ready, as poll() reports them whatever was asked: the owner
// learns of them by its next read or write.
constexpr auto kReadable = static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR);
constexpr auto kWritable = static_cast<GIOCondition>(G_IO_OUT | G_IO_HUP | G_IO_ERR);

}  // namespace

std::unique_ptr<platform::ReadinessWatch> GlibReadinessLoop::WatchReadable(
    int fd, std::function<void()> onReady) {
  return std::make_unique<GlibWatch>(fd, kReadable, std::move(onReady));
}

std::unique_ptr<platform::ReadinessWatch> GlibReadinessLoop::WatchWritable(
    int fd, std::function<void()> onReady) {
  return std::make_unique<GlibWatch>(fd, kWritable, std::move(onReady));
}

}  // namespace pagehost
