#include "platform/instance_marker.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "platform/last_error.h"

namespace platform {
namespace {

// A file name holds at most 255 bytes; ".lock" takes five of them.
constexpr std::size_t kMaxFileNameBytes = 250;
// A name that is too long keeps this much of its escaped form before the hash.
constexpr std::size_t kKeptPrefixBytes = 200;

bool IsKeptByte(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '_';
}

std::uint64_t Fnv1a(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

// Opens (creating when needed) the lock file and tries to take its lock. The descriptor holds the
// lock, or is invalid with `outcome` telling why.
UniqueFd OpenAndLock(const std::string& folder, std::string_view name,
                     InstanceMarker::Outcome* outcome) {
  if (folder.empty()) {
    SetLastError(ENOENT);
    *outcome = InstanceMarker::Outcome::Failed;
    return UniqueFd();
  }
  std::string path = folder + "/" + MarkerFileName(name) + ".lock";
  UniqueFd fd;
  do {
    fd.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  } while (!fd.valid() && errno == EINTR);
  if (!fd.valid()) {
    FailWithErrno();
    *outcome = InstanceMarker::Outcome::Failed;
    return UniqueFd();
  }
  int result;
  do {
    result = ::flock(fd.get(), LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    *outcome = errno == EWOULDBLOCK ? InstanceMarker::Outcome::HeldElsewhere
                                    : InstanceMarker::Outcome::Failed;
    if (*outcome == InstanceMarker::Outcome::Failed) FailWithErrno();
    return UniqueFd();
  }
  *outcome = InstanceMarker::Outcome::Taken;
  return fd;
}

}  // namespace

std::string DefaultMarkerFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] != '\0') return runtime;

  uid_t uid = ::getuid();
  std::string folder = "/tmp/commtestkit-" + std::to_string(uid);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    FailWithErrno();
    return {};
  }
  // /tmp is shared: a folder of this name made by someone else, or a link, must not be used,
  // since its owner could then take or fake our markers.
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) {
    FailWithErrno();
    return {};
  }
  if (!S_ISDIR(info.st_mode) || info.st_uid != uid) {
    SetLastError(EACCES);
    return {};
  }
  if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
    FailWithErrno();
    return {};
  }
  return folder;
}

std::string MarkerFileName(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (unsigned char byte : name) {
    if (IsKeptByte(byte)) {
      escaped += static_cast<char>(byte);
    } else {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    }
  }
  if (escaped.size() <= kMaxFileNameBytes) return escaped;

  std::size_t keep = kKeptPrefixBytes;
  // Do not cut an escape "%XX" in two.
  if (escaped[keep - 1] == '%')
    keep -= 1;
  else if (escaped[keep - 2] == '%')
    keep -= 2;
  std::string shortened = escaped.substr(0, keep) + "~";
  std::uint64_t hash = Fnv1a(name);
  for (int shift = 60; shift >= 0; shift -= 4) shortened += kHex[(hash >> shift) & 0x0F];
  return shortened;
}

bool IsMarkerHeld(const std::string& folder, std::string_view name) {
  InstanceMarker::Outcome outcome;
  // Closing the probe's descriptor, as it goes out of scope here, releases the lock it took.
  OpenAndLock(folder, name, &outcome);
  return outcome == InstanceMarker::Outcome::HeldElsewhere;
}

InstanceMarker InstanceMarker::Create(const std::string& folder, std::string_view name,
                                      Outcome* outcome) {
  return InstanceMarker(OpenAndLock(folder, name, outcome));
}

}  // namespace platform
