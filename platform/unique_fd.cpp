#include "platform/unique_fd.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace platform {

void UniqueFd::reset(int fd) {
  const int old = std::exchange(fd_, fd);
  if (old >= 0 && old != fd) {
    // A destructor or a reset must not disturb the error that the caller is about to report.
    const int savedErrno = errno;
    ::close(old);
    errno = savedErrno;
  }
}

bool UniqueFd::close() {
  const int old = release();
  if (old < 0) return true;
  return ::close(old) == 0;
}

UniqueFd UniqueFd::Duplicate() const {
  if (fd_ < 0) {
    errno = EBADF;
    return UniqueFd();
  }
  return UniqueFd(::fcntl(fd_, F_DUPFD_CLOEXEC, 0));
}

bool IsOpenDescriptor(int fd) {
  return fd >= 0 && ::fcntl(fd, F_GETFD) != -1;
}

}  // namespace platform
