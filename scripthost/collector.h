#pragma once
// When the engine collects the objects the script has dropped. The engine counts only its own
// heap, not what a wrapped control or array holds (a socket, a buffer), so it would let dropped
// controls pile up until the process runs out of descriptors. The host counts the wrappers it
// makes and collects once enough of them were made since the last collection; the threshold
// grows with what survived, so a script that keeps many objects is not collected at every step.
//
// A collected wrapper's object is only queued for deletion by the engine; the collector deletes
// the queued ones, since the host's loop is not Qt's event loop and would never do it.

#include <cstddef>
#include <memory>

class QJSEngine;

namespace scripthost {

// How many wrapped objects are alive, weighted; shared with every wrapper so that a wrapper
// deleted after the host (when the engine goes) still has it.
struct LiveWeight {
  std::size_t value = 0;
};

class Collector {
 public:
  // Weights: a control holds descriptors and a loop watch, an array only memory.
  static constexpr std::size_t kObjectWeight = 64;
  static constexpr std::size_t kArrayWeight = 1;

  explicit Collector(QJSEngine& engine);

  const std::shared_ptr<LiveWeight>& live() const { return live_; }

  // A wrapper of `weight` was made; collects first when the threshold is reached.
  void Made(std::size_t weight);
  // Collects now (CollectGarbage()) and deletes what the engine queued for deletion.
  void CollectNow();
  // Deletes what the engine's own collections queued for deletion.
  void DeleteQueued();

 private:
  QJSEngine& engine_;
  std::shared_ptr<LiveWeight> live_ = std::make_shared<LiveWeight>();
  std::size_t madeSinceCollection_ = 0;
  std::size_t madeSinceDeletion_ = 0;
  std::size_t threshold_;
  bool collecting_ = false;
};

}  // namespace scripthost
