#pragma once
// One owned file descriptor: closed when the owner goes, moved but never copied. Every class of
// the platform layer that holds a descriptor keeps it in one of these, so that no path through
// a constructor, an early return or a move can leak or double-close it.

#include <utility>

namespace platform {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }

  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  explicit operator bool() const { return valid(); }

  // Gives the descriptor up without closing it.
  int release() { return std::exchange(fd_, -1); }
  // Closes the descriptor held (keeping errno as it was) and takes the new one.
  void reset(int fd = -1);
  // Closes the descriptor held and reports whether the close succeeded, for owners whose close
  // can lose data (a file written to) and must tell the user.
  bool close();
  // A second descriptor for the same open file (close-on-exec), or an invalid one with errno
  // set (EBADF for an empty owner); the thread's last error is left as it was.
  UniqueFd Duplicate() const;

 private:
  int fd_ = -1;
};

// Whether a descriptor number is open in this process.
bool IsOpenDescriptor(int fd);

}  // namespace platform
