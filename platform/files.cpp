#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "platform/last_error.h"

namespace platform {

File File::Open(const std::string& path, Mode mode) {
  // A name with a NUL inside (from a list file, say) would silently open a shorter name.
  if (path.find('\0') != std::string::npos) {
    SetLastError(EINVAL);
    return File();
  }
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read:
      // Without O_NONBLOCK, opening a FIFO waits for a writer; the kind is checked right after.
      flags |= O_RDONLY | O_NONBLOCK;
      break;
    case Mode::CreateTruncate:
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      break;
    case Mode::CreateNew:
      flags |= O_WRONLY | O_CREAT | O_EXCL;
      break;
    case Mode::Append:
      flags |= O_RDWR | O_CREAT | O_APPEND;
      break;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    FailWithErrno();
    return File();
  }
  File file(fd);
  if (mode == Mode::Read && !file.IsFileOrFolder()) return File();
  return file;
}

bool File::IsRegularFile(const std::string& path) {
  File file = Open(path, Mode::Read);
  if (!file.IsOpen()) return false;
  struct stat status {};
  if (::fstat(file.fd_.get(), &status) != 0) return FailWithErrno();
  if (S_ISREG(status.st_mode)) return true;
  SetLastError(S_ISDIR(status.st_mode) ? EISDIR : ENXIO);
  return false;
}

bool File::IsFileOrFolder() const {
  struct stat status {};
  if (::fstat(fd_.get(), &status) != 0) return FailWithErrno();
  if (S_ISREG(status.st_mode) || S_ISDIR(status.st_mode)) return true;
  // There is no telling which devices never wait, so none is read.
  SetLastError(ENXIO);
  return false;
}

std::optional<std::uint64_t> File::Size() const {
  struct stat status {};
  if (::fstat(fd_.get(), &status) != 0) {
    FailWithErrno();
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(status.st_size);
}

long File::ReadAt(char* buffer, std::size_t capacity, std::uint64_t offset) {
  for (;;) {
    const ssize_t got = ::pread(fd_.get(), buffer, capacity, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<long>(got);
    if (errno != EINTR) {
      FailWithErrno();
      return -1;
    }
  }
}

bool File::TruncateTo(std::uint64_t size) {
  int result;
  do {
    result = ::ftruncate(fd_.get(), static_cast<off_t>(size));
  } while (result != 0 && errno == EINTR);
  if (result != 0) return FailWithErrno();
  return true;
}

bool File::WriteAll(std::string_view bytes) {
  if (!fd_.valid()) {
    SetLastError(EBADF);
    return false;
  }
  while (!bytes.empty()) {
    ssize_t written = ::write(fd_.get(), bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return FailWithErrno();
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

long File::ReadUpTo(char* buffer, std::size_t capacity) {
  if (!fd_.valid()) {
    SetLastError(EBADF);
    return -1;
  }
  std::size_t total = 0;
  while (total < capacity) {
    ssize_t got = ::read(fd_.get(), buffer + total, capacity - total);
    if (got < 0) {
      if (errno == EINTR) continue;
      FailWithErrno();
      return -1;
    }
    if (got == 0) break;
    total += static_cast<std::size_t>(got);
  }
  return static_cast<long>(total);
}

bool File::Close() {
  // The descriptor is gone after close whatever it returns, so EINTR is not retried.
  if (!fd_.close()) return FailWithErrno();
  return true;
}

std::optional<std::string> CurrentDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
    if (errno != ERANGE) {
      FailWithErrno();
      return std::nullopt;
    }
    buffer.resize(buffer.size() * 2);
  }
}

bool ChangeDirectory(const std::string& path) {
  if (path.find('\0') != std::string::npos) {
    SetLastError(EINVAL);
    return false;
  }
  if (::chdir(path.c_str()) != 0) return FailWithErrno();
  return true;
}

bool RemoveFile(const std::string& path) {
  if (path.find('\0') != std::string::npos) {
    SetLastError(EINVAL);
    return false;
  }
  if (::unlink(path.c_str()) != 0) return FailWithErrno();
  return true;
}

bool CreateFolder(const std::string& path) {
  if (path.find('\0') != std::string::npos) {
    SetLastError(EINVAL);
    return false;
  }
  if (::mkdir(path.c_str(), 0777) != 0) return FailWithErrno();
  return true;
}

}  // namespace platform
