#pragma once
// A first-in first-out queue of bytes (the output waiting for the port): appended at the back,
// dropped from the front as the port takes it, without moving the rest at every drop.

#include <cstddef>
#include <string>
#include <string_view>

namespace components::comm {

class ByteQueue {
 public:
  std::size_t size() const { return data_.size() - head_; }
  bool empty() const { return size() == 0; }
  std::string_view view() const { return std::string_view(data_).substr(head_); }

  void Append(std::string_view bytes) { data_.append(bytes); }
  // Drops `count` bytes (at most size()) from the front.
  void Drop(std::size_t count) {
    head_ += count < size() ? count : size();
    // The taken front is given back once it is the larger part, so a queue that is drained
    // about as fast as it fills stays about as large as what waits in it.
    if (head_ == data_.size()) {
      Clear();
    } else if (head_ > data_.size() / 2) {
      data_.erase(0, head_);
      head_ = 0;
    }
  }
  void Clear() {
    data_.clear();
    head_ = 0;
  }

 private:
  std::string data_;
  std::size_t head_ = 0;
};

}  // namespace components::comm
