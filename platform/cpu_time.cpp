#include "platform/cpu_time.h"

#include <time.h>

namespace platform {
namespace {

std::chrono::nanoseconds Read(clockid_t clock) {
  timespec now{};
  if (clock_gettime(clock, &now) != 0) return std::chrono::nanoseconds(0);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace

std::chrono::nanoseconds ProcessCpuTime() {
  return Read(CLOCK_PROCESS_CPUTIME_ID);
}
std::chrono::nanoseconds ThreadCpuTime() {
  return Read(CLOCK_THREAD_CPUTIME_ID);
}

}  // namespace platform
