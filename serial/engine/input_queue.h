#pragma once
// The port's input queue: bytes moved from the device as they arrive, kept until the receive
// thread collects them. A terminal buffers only a few kilobytes, so the engine keeps the large
// queue itself. Used by the receive thread alone.

#include <cstddef>
#include <vector>

namespace serial {

class InputQueue {
 public:
  explicit InputQueue(std::size_t capacity) : buffer_(capacity) {}

  std::size_t Size() const { return size_; }
  std::size_t Free() const { return buffer_.size() - size_; }
  bool Full() const { return size_ == buffer_.size(); }

  // The free space that follows the queued bytes without wrapping: fill it, then Commit.
  char* WriteSpace(std::size_t& length);
  void Commit(std::size_t length);

  // Moves up to `length` of the oldest bytes into `out`; returns the count.
  std::size_t Take(char* out, std::size_t length);

  void Clear() { head_ = size_ = 0; }

 private:
  std::vector<char> buffer_;
  std::size_t head_ = 0;  // the oldest byte
  std::size_t size_ = 0;
};

}  // namespace serial
