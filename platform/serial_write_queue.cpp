#include "platform/serial_write_queue.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/last_error.h"

namespace platform {

SerialWriteQueue::SerialWriteQueue(int fd, const WakeEvent& shutdown, std::size_t limit)
    : fd_(fd), shutdown_(shutdown), limit_(limit) {
  thread_ = std::thread([this] { Run(); });
}

SerialWriteQueue::~SerialWriteQueue() {
  Stop();
}

std::uint64_t SerialWriteQueue::Queue(std::string_view bytes) {
  std::lock_guard lock(mutex_);
  if (stopping_) {
    SetLastError(EIO);
    return 0;
  }
  if (failure_ != 0) {
    SetLastError(failure_);
    return 0;
  }
  if (queuedBytes_ > limit_) {
    SetLastError(EAGAIN);
    return 0;
  }
  blocks_.emplace_back(bytes);
  queuedBytes_ += bytes.size();
  changed_.notify_all();
  return ++lastQueued_;
}

bool SerialWriteQueue::WaitWritten(std::uint64_t ticket, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout,
                    [&] { return lastWritten_ >= ticket || failure_ != 0 || stopping_; });
  return lastWritten_ >= ticket;
}

void SerialWriteQueue::Stop() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ && !thread_.joinable()) return;
    stopping_ = true;
    blocks_.clear();
    queuedBytes_ = 0;
    changed_.notify_all();
  }
  // The writer may be waiting for the port to take bytes; the shutdown event (signalled by the
  // port's owner before stopping) ends that wait.
  if (thread_.joinable()) thread_.join();
}

void SerialWriteQueue::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || !blocks_.empty(); });
    if (stopping_) return;
    std::string block = std::move(blocks_.front());
    blocks_.pop_front();
    lock.unlock();
    const bool written = WriteBlock(block);
    const int error = written ? 0 : errno;
    lock.lock();
    if (stopping_) return;
    if (!written) {
      failure_ = error != 0 ? error : EIO;
      blocks_.clear();
      queuedBytes_ = 0;
      changed_.notify_all();
      return;
    }
    queuedBytes_ -= block.size();
    ++lastWritten_;
    changed_.notify_all();
  }
}

bool SerialWriteQueue::WriteBlock(const std::string& block) {
  std::size_t done = 0;
  while (done < block.size()) {
    const ssize_t count = write(fd_, block.data() + done, block.size() - done);
    if (count > 0) {
      done += static_cast<std::size_t>(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno != EAGAIN) return false;
    // The port takes nothing now (XOFF, a full output buffer): wait until it does or the port
    // is shut down.
    pollfd watched[2] = {{fd_, POLLOUT, 0}, {shutdown_.Descriptor(), POLLIN, 0}};
    if (poll(watched, 2, -1) < 0 && errno != EINTR) return false;
    if (watched[1].revents != 0) {
      errno = ECANCELED;
      return false;
    }
  }
  return true;
}

}  // namespace platform
