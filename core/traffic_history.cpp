#include "core/traffic_history.h"

namespace core {

void TrafficHistory::Append(std::string_view line) {
  lines_.emplace_back(line);
  if (lines_.size() > kCapacity) lines_.pop_front();
}

void TrafficHistory::Clear() {
  lines_.clear();
}

}  // namespace core
