#include "automation/unknown.h"

namespace automation {
namespace {
std::atomic<std::int64_t> liveObjects{0};
}

std::int64_t LiveObjects() {
  return liveObjects.load();
}

namespace detail {
void CountObject(int delta) {
  liveObjects += delta;
}
}  // namespace detail

}  // namespace automation
