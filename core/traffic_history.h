#pragma once
// The whole text of the newest traffic lines, oldest first: what "LOG保存" writes out. It holds
// the same lines as the traffic list on screen, but never cut for display.

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>

namespace core {

class TrafficHistory {
 public:
  // The history keeps as many lines as the list on screen.
  static constexpr std::size_t kCapacity = 100;

  // Keeps a copy of the whole line as the newest one; the oldest goes when the history is full.
  void Append(std::string_view line);
  void Clear();

  std::size_t size() const { return lines_.size(); }
  bool empty() const { return lines_.empty(); }
  // Line `index`, 0 being the oldest.
  const std::string& operator[](std::size_t index) const { return lines_[index]; }

 private:
  std::deque<std::string> lines_;
};

}  // namespace core
