#include <poll.h>

#include <algorithm>
#include <cerrno>

#include "platform/readiness.h"

namespace platform {

class PollReadinessLoop::Watch final : public ReadinessWatch {
 public:
  Watch(PollReadinessLoop& loop, std::shared_ptr<Entry> entry)
      : loop_(loop), entry_(std::move(entry)) {}
  ~Watch() override {
    // The entry may be in a dispatch snapshot: clearing it makes that snapshot skip it.
    entry_->enabled = false;
    entry_->onReady = nullptr;
    auto& entries = loop_.entries_;
    entries.erase(std::remove(entries.begin(), entries.end(), entry_), entries.end());
  }
  void SetEnabled(bool enabled) override { entry_->enabled = enabled; }

 private:
  PollReadinessLoop& loop_;
  std::shared_ptr<Entry> entry_;
};

PollReadinessLoop::PollReadinessLoop() = default;
PollReadinessLoop::~PollReadinessLoop() = default;

std::unique_ptr<ReadinessWatch> PollReadinessLoop::WatchReadable(int fd,
                                                                 std::function<void()> onReady) {
  return AddWatch(fd, POLLIN, std::move(onReady));
}

std::unique_ptr<ReadinessWatch> PollReadinessLoop::WatchWritable(int fd,
                                                                 std::function<void()> onReady) {
  return AddWatch(fd, POLLOUT, std::move(onReady));
}

std::unique_ptr<ReadinessWatch> PollReadinessLoop::AddWatch(int fd, short events,
                                                            std::function<void()> onReady) {
  auto entry = std::make_shared<Entry>(Entry{fd, events, false, std::move(onReady)});
  entries_.push_back(entry);
  return std::make_unique<Watch>(*this, std::move(entry));
}

int PollReadinessLoop::RunOnce(std::chrono::milliseconds timeout) {
  std::vector<std::shared_ptr<Entry>> watched;
  std::vector<pollfd> fds;
  for (const auto& entry : entries_) {
    if (!entry->enabled) continue;
    watched.push_back(entry);
    fds.push_back(pollfd{entry->fd, entry->events, 0});
  }
  int ready = ::poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
  if (ready <= 0) return 0;
  int run = 0;
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (fds[i].revents == 0) continue;
    // An earlier callback may have disabled or destroyed this watch.
    auto& entry = watched[i];
    if (!entry->enabled || !entry->onReady) continue;
    auto callback = entry->onReady;
    callback();
    ++run;
  }
  return run;
}

int PollReadinessLoop::EnabledWatches() const {
  return static_cast<int>(
      std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return e->enabled; }));
}

}  // namespace platform
