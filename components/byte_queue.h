#pragma once
// A first-in first-out run of bytes, for both components (what a socket received and what waits
// to be sent; what waits for the serial port): appended at the back, taken from the front,
// without moving the rest for each take and without clearing the room that a receive is about to
// fill.

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace components {

class ByteQueue {
 public:
  std::size_t size() const { return tail_ - head_; }
  bool empty() const { return tail_ == head_; }
  std::string_view View() const { return {data_.get() + head_, size()}; }

  void Append(std::string_view bytes) {
    if (bytes.empty()) return;
    std::memcpy(Reserve(bytes.size()), bytes.data(), bytes.size());
    Commit(bytes.size());
  }
  // Room for `count` bytes at the back, to be filled by the caller and kept with Commit.
  char* Reserve(std::size_t count) {
    if (tail_ + count > capacity_) {
      const std::size_t waiting = size();
      if (waiting + count <= capacity_ && head_ >= waiting) {
        std::memmove(data_.get(), data_.get() + head_, waiting);
      } else {
        std::size_t capacity = capacity_ ? capacity_ * 2 : 64 * 1024;
        while (capacity < waiting + count) capacity *= 2;
        auto grown = std::make_unique_for_overwrite<char[]>(capacity);
        if (waiting) std::memcpy(grown.get(), data_.get() + head_, waiting);
        data_ = std::move(grown);
        capacity_ = capacity;
      }
      head_ = 0;
      tail_ = waiting;
    }
    return data_.get() + tail_;
  }
  // Keeps `count` (at most the reserved count) of the bytes written after Reserve.
  void Commit(std::size_t count) { tail_ += count; }

  // Takes `count` bytes (all of them when there are fewer) from the front.
  void Consume(std::size_t count) {
    head_ += count;
    if (head_ >= tail_) head_ = tail_ = 0;
  }
  // Empties the queue, keeping its memory for what comes next.
  void Clear() { head_ = tail_ = 0; }
  // Gives the memory back (after a close).
  void Release() {
    data_.reset();
    capacity_ = head_ = tail_ = 0;
  }

 private:
  std::unique_ptr<char[]> data_;
  std::size_t capacity_ = 0;
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
};

}  // namespace components
