#pragma once
// Readiness watching: how a socket learns, without polling, that the user-interface thread's
// event loop has seen it become readable. The window binds this interface to its toolkit (a
// socket notifier per descriptor); tests and headless runs use PollReadinessLoop, a poll loop
// run by the caller.

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

// One descriptor watched for readability (or writability). The callback runs on the loop's
// thread, while the watch is enabled, each time the loop finds the descriptor ready
// (level-triggered: it keeps running until the watch is disabled or the condition goes away).
class ReadinessWatch {
 public:
  virtual ~ReadinessWatch() = default;
  virtual void SetEnabled(bool enabled) = 0;
};

class ReadinessLoop {
 public:
  virtual ~ReadinessLoop() = default;
  // The watch starts disabled. It must be destroyed before the descriptor is closed.
  virtual std::unique_ptr<ReadinessWatch> WatchReadable(int fd, std::function<void()> onReady) = 0;
  // The same for writability: what a connection attempt or a send that filled the socket
  // buffer waits for. A descriptor may have one readable and one writable watch at once.
  virtual std::unique_ptr<ReadinessWatch> WatchWritable(int fd, std::function<void()> onReady) = 0;
};

// A loop without a window system: RunOnce waits in poll() for the enabled watches and runs the
// callbacks of those that are readable. Watches may be made, enabled or destroyed from inside a
// callback.
class PollReadinessLoop final : public ReadinessLoop {
 public:
  PollReadinessLoop();
  ~PollReadinessLoop() override;
  PollReadinessLoop(const PollReadinessLoop&) = delete;
  PollReadinessLoop& operator=(const PollReadinessLoop&) = delete;

  std::unique_ptr<ReadinessWatch> WatchReadable(int fd, std::function<void()> onReady) override;
  std::unique_ptr<ReadinessWatch> WatchWritable(int fd, std::function<void()> onReady) override;

  // Waits up to `timeout` for an enabled watch to become readable and runs the callbacks of the
  // ready ones. Returns the number of callbacks run.
  int RunOnce(std::chrono::milliseconds timeout);

  // The number of enabled watches (what an idle loop waits on).
  int EnabledWatches() const;

 private:
  class Watch;
  struct Entry {
    int fd;
    short events;
    bool enabled;
    std::function<void()> onReady;
  };
  std::unique_ptr<ReadinessWatch> AddWatch(int fd, short events, std::function<void()> onReady);
  std::vector<std::shared_ptr<Entry>> entries_;
};

}  // namespace platform
