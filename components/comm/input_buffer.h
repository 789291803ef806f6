#pragma once
// The input buffer of an open port: a fixed capacity, filled in place by reads from the port and
// taken from the front, so that received bytes are copied once on their way to the reader.

#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

namespace components::comm {

class InputBuffer {
 public:
  // Empties the buffer and gives it room for `capacity` bytes.
  void Reset(std::size_t capacity) {
    storage_.assign(capacity, '\0');
    head_ = tail_ = 0;
  }
  void Clear() { head_ = tail_ = 0; }

  std::size_t size() const { return tail_ - head_; }
  bool empty() const { return size() == 0; }
  std::size_t room() const { return storage_.size() - size(); }
  std::string_view view() const { return std::string_view(storage_.data() + head_, size()); }

  // Where the next room() bytes go. Commit(n) then counts the first n of them as received.
  char* Tail() {
    if (head_ > 0) {
      std::memmove(storage_.data(), storage_.data() + head_, size());
      tail_ -= head_;
      head_ = 0;
    }
    return storage_.data() + tail_;
  }
  void Commit(std::size_t count) { tail_ += count; }

  // Moves `count` bytes (at most size()) from the front into `out`, replacing its content.
  template <class Bytes>
  void Take(std::size_t count, Bytes& out) {
    if (count > size()) count = size();
    // Sized first and copied as one block: assigning char iterators to a vector of unsigned
    // bytes would convert them one at a time.
    out.resize(count);
    if (count > 0) std::memcpy(out.data(), storage_.data() + head_, count);
    head_ += count;
    if (head_ == tail_) head_ = tail_ = 0;
  }

 private:
  std::vector<char> storage_;
  std::size_t head_ = 0;
  std::size_t tail_ = 0;
};

}  // namespace components::comm
