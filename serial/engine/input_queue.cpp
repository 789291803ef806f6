#include "serial/engine/input_queue.h"

#include <algorithm>
#include <cstring>

namespace serial {

char* InputQueue::WriteSpace(std::size_t& length) {
  const std::size_t capacity = buffer_.size();
  const std::size_t tail = (head_ + size_) % capacity;
  // Up to the end of the buffer, or up to the oldest byte when the free space wraps.
  length = tail >= head_ && size_ < capacity ? capacity - tail : Free();
  length = std::min(length, Free());
  return buffer_.data() + tail;
}

void InputQueue::Commit(std::size_t length) {
  size_ += std::min(length, Free());
}

std::size_t InputQueue::Take(char* out, std::size_t length) {
  const std::size_t capacity = buffer_.size();
  const std::size_t count = std::min(length, size_);
  const std::size_t first = std::min(count, capacity - head_);
  std::memcpy(out, buffer_.data() + head_, first);
  std::memcpy(out + first, buffer_.data(), count - first);
  head_ = (head_ + count) % capacity;
  size_ -= count;
  if (size_ == 0) head_ = 0;
  return count;
}

}  // namespace serial
