#include "platform/wake_event.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

#include "platform/last_error.h"

namespace platform {

WakeEvent::WakeEvent() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (!fd_.valid()) FailWithErrno();
}

void WakeEvent::Signal() {
  if (!fd_.valid()) return;
  const std::uint64_t one = 1;
  // A full counter (never reached here) would only mean "already signalled".
  [[maybe_unused]] ssize_t written = write(fd_.get(), &one, sizeof one);
}

bool WakeEvent::Consume() {
  if (!fd_.valid()) return false;
  std::uint64_t count = 0;
  return read(fd_.get(), &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

}  // namespace platform
