#include "platform/fault_drills.h"

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>

#include "platform/last_error.h"

namespace platform {

std::unique_ptr<FullFolder> FullFolder::Make(const std::string& folder, std::size_t bytes) {
  const std::string options = "size=" + std::to_string(bytes);
  if (::mount("tk-full-folder", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC,
              options.c_str()) == 0) {
    return std::unique_ptr<FullFolder>(new FullFolder(folder, Kind::SmallFileSystem, 0, SIG_DFL));
  }
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) {
    FailWithErrno();
    return nullptr;
  }
  const unsigned long long old = limit.rlim_cur;
  limit.rlim_cur = static_cast<rlim_t>(bytes);
  // Past the limit the system sends SIGXFSZ, which would end the process: ignored, the write
  // fails with EFBIG instead, as a full disk fails with ENOSPC.
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
    const int error = errno;
    std::signal(SIGXFSZ, oldHandler);
    SetLastError(error);
    return nullptr;
  }
  return std::unique_ptr<FullFolder>(new FullFolder(folder, Kind::FileSizeLimit, old, oldHandler));
}

FullFolder::~FullFolder() {
  if (kind_ == Kind::SmallFileSystem) {
    ::umount2(folder_.c_str(), MNT_DETACH);
    return;
  }
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0) {
    limit.rlim_cur = static_cast<rlim_t>(oldLimit_);
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  std::signal(SIGXFSZ, oldHandler_);
}

bool CreateFifo(const std::string& path) {
  if (::mkfifo(path.c_str(), 0600) != 0) return FailWithErrno();
  return true;
}

}  // namespace platform
