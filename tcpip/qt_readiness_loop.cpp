#include "tcpip/qt_readiness_loop.h"

#include <QSocketNotifier>

namespace tcpip {
namespace {

class NotifierWatch final : public platform::ReadinessWatch {
 public:
  NotifierWatch(int fd, QSocketNotifier::Type type, std::function<void()> onReady)
      : notifier_(fd, type), onReady_(std::move(onReady)) {
    notifier_.setEnabled(false);
    QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this] { onReady_(); });
  }
  ~NotifierWatch() override { notifier_.setEnabled(false); }

  void SetEnabled(bool enabled) override {
    if (notifier_.isEnabled() != enabled) notifier_.setEnabled(enabled);
  }

 private:
  QSocketNotifier notifier_;
  std::function<void()> onReady_;
};

}  // namespace

std::unique_ptr<platform::ReadinessWatch> QtReadinessLoop::WatchReadable(
    int fd, std::function<void()> onReady) {
  return std::make_unique<NotifierWatch>(fd, QSocketNotifier::Read, std::move(onReady));
}

std::unique_ptr<platform::ReadinessWatch> QtReadinessLoop::WatchWritable(
    int fd, std::function<void()> onReady) {
  return std::make_unique<NotifierWatch>(fd, QSocketNotifier::Write, std::move(onReady));
}

}  // namespace tcpip
