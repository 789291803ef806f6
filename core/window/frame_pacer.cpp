#include "core/window/frame_pacer.h"

#include <algorithm>
#include <vector>

namespace core {
namespace {

using Clock = std::chrono::steady_clock;

// The pacers of the window's thread, for FlushDue. Only that thread makes, uses and destroys
// pacers, so a thread-local list needs no lock.
std::vector<FramePacer*>& Pacers() {
  thread_local std::vector<FramePacer*> pacers;
  return pacers;
}

}  // namespace

FramePacer::FramePacer(std::function<void()> flush) : flush_(std::move(flush)) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &FramePacer::Flush);
  Pacers().push_back(this);
}

FramePacer::~FramePacer() {
  std::vector<FramePacer*>& pacers = Pacers();
  pacers.erase(std::remove(pacers.begin(), pacers.end(), this), pacers.end());
}

void FramePacer::Request() {
  if (pending_) return;
  pending_ = true;
  const auto sinceLast = Clock::now() - lastFlush_;
  const auto wait = sinceLast >= kFrame
                        ? std::chrono::milliseconds(0)
                        : std::chrono::ceil<std::chrono::milliseconds>(kFrame - sinceLast);
  timer_.start(wait);
}

void FramePacer::FlushNow() {
  if (pending_) Flush();
}

void FramePacer::Flush() {
  timer_.stop();
  pending_ = false;
  lastFlush_ = Clock::now();
  if (flush_) flush_();
}

void FramePacer::FlushDue() {
  const auto now = Clock::now();
  // A flush may make or destroy widgets; walk a copy and check each pacer is still there.
  const std::vector<FramePacer*> snapshot = Pacers();
  for (FramePacer* pacer : snapshot) {
    const std::vector<FramePacer*>& live = Pacers();
    if (std::find(live.begin(), live.end(), pacer) == live.end()) continue;
    if (pacer->pending_ && now - pacer->lastFlush_ >= kFrame) pacer->Flush();
  }
}

}  // namespace core
