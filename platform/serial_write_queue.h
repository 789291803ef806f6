#pragma once
// A port's background writer: blocks are queued as copies and written in order on a thread of
// its own, which waits for the port to take more (XOFF, a slow line) without holding up anyone.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/wake_event.h"

namespace platform {

class SerialWriteQueue {
 public:
  // Writes to `fd` (non-blocking); `shutdown` ends a wait for the port. Both must outlive Stop().
  SerialWriteQueue(int fd, const WakeEvent& shutdown, std::size_t limit);
  ~SerialWriteQueue();
  SerialWriteQueue(const SerialWriteQueue&) = delete;
  SerialWriteQueue& operator=(const SerialWriteQueue&) = delete;

  // Queues a copy of `bytes`; a ticket, or 0 with the last error set (EAGAIN above the limit,
  // the write's own error after a failed write, EIO once stopped).
  std::uint64_t Queue(std::string_view bytes);

  // Waits until the block of `ticket` is written; false when the time passed first, a write
  // failed or the queue was stopped.
  bool WaitWritten(std::uint64_t ticket, std::chrono::milliseconds timeout);

  // Drops every block still queued, wakes the writer and joins it. Later calls do nothing.
  void Stop();

 private:
  void Run();
  // Writes one block; false when the queue was stopped or a write failed.
  bool WriteBlock(const std::string& block);

  const int fd_;
  const WakeEvent& shutdown_;
  const std::size_t limit_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> blocks_;
  std::size_t queuedBytes_ = 0;
  std::uint64_t lastQueued_ = 0;
  std::uint64_t lastWritten_ = 0;
  int failure_ = 0;  // the error of a failed write; nothing is written after it
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace platform
