#pragma once
// Paces a widget's drawing to the display's frame rate. A flow that changes the widget many
// times between two frames (a flood of received blocks, each one traffic line) asks for a
// frame each time; the pacer runs the flush at most once per frame, at the frame's end, and
// the widget's own painting is held back in between. Blocking waits, which run only repaints,
// flush every pacer whose frame is due, so the window keeps drawing there too.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace core {

class FramePacer final : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kFrame{16};

  // `flush` draws what changed since the last frame; it runs on the window's thread.
  explicit FramePacer(std::function<void()> flush);
  ~FramePacer() override;
  FramePacer(const FramePacer&) = delete;
  FramePacer& operator=(const FramePacer&) = delete;

  // Something changed: a flush follows when the current frame ends (at once when the last
  // flush is a frame or more ago, at the next turn of the event loop).
  void Request();
  bool IsPending() const { return pending_; }
  // Runs a pending flush now, whatever the time.
  void FlushNow();

  // Flushes every pacer of this thread whose frame is due; for waits that run repaints only.
  static void FlushDue();

 private:
  void Flush();

  std::function<void()> flush_;
  QTimer timer_;
  bool pending_ = false;
  std::chrono::steady_clock::time_point lastFlush_{};
};

}  // namespace core
