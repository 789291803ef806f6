#include "scripthost/collector.h"

#include <QCoreApplication>
#include <QEvent>
#include <QJSEngine>
#include <algorithm>

namespace scripthost {
namespace {

// At least this much weight (64 controls, or 4,096 arrays) is made between two collections.
constexpr std::size_t kMinimumThreshold = 4096;
// Objects the engine queued for deletion are deleted after this much weight was made.
constexpr std::size_t kDeletionStep = 256;

}  // namespace

Collector::Collector(QJSEngine& engine) : engine_(engine), threshold_(kMinimumThreshold) {}

void Collector::Made(std::size_t weight) {
  madeSinceCollection_ += weight;
  madeSinceDeletion_ += weight;
  if (madeSinceCollection_ >= threshold_) {
    CollectNow();
  } else if (madeSinceDeletion_ >= kDeletionStep) {
    DeleteQueued();
  }
}

void Collector::CollectNow() {
  if (collecting_) return;
  collecting_ = true;
  engine_.collectGarbage();
  DeleteQueued();
  madeSinceCollection_ = 0;
  // What survives is what the script holds: the next collection waits for as much again.
  threshold_ = std::max(kMinimumThreshold, live_->value);
  collecting_ = false;
}

void Collector::DeleteQueued() {
  madeSinceDeletion_ = 0;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace scripthost
