#pragma once
// Files and folders. Paths are native byte strings (UTF-8 on Linux) and are never cut; a failing
// call stores its error as the last error (platform/last_error.h).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace platform {

class File {
 public:
  enum class Mode {
    // An existing file, reading. Opening and reading never wait: a FIFO, a socket or a device
    // (any of them could wait for as long as nobody writes) fails with ENXIO. A folder opens,
    // and reading it fails with EISDIR.
    Read,
    CreateTruncate,  // create or empty, writing
    CreateNew,       // create, failing with EEXIST when the name is taken
    Append,          // create or keep, reading and writing; every write goes to the end
  };

  File() = default;

  // The returned file is closed when opening failed; the last error tells why.
  static File Open(const std::string& path, Mode mode);

  // Whether `path` is a regular file, told without waiting: it is opened as Mode::Read opens it,
  // so a FIFO, a socket or a device fails at once (ENXIO), and a folder fails with EISDIR. False
  // with the last error set when it is not.
  static bool IsRegularFile(const std::string& path);

  bool IsOpen() const { return fd_.valid(); }

  // Writes every byte; false with the last error set when a write fails.
  bool WriteAll(std::string_view bytes);

  // Reads until `capacity` bytes or the end of the file; the count, or -1 with the last error set.
  long ReadUpTo(char* buffer, std::size_t capacity);

  // The file's size, or nothing with the last error set.
  std::optional<std::uint64_t> Size() const;

  // Reads up to `capacity` bytes at `offset` without moving the file position; the count (0 at
  // the end), or -1 with the last error set.
  long ReadAt(char* buffer, std::size_t capacity, std::uint64_t offset);

  // Cuts the file back to `size` bytes; false with the last error set.
  bool TruncateTo(std::uint64_t size);

  // Closes the file; false with the last error set when the close reports a failure.
  bool Close();

 private:
  explicit File(int fd) : fd_(fd) {}
  // Whether the open file is a regular file or a folder; false with ENXIO when not.
  bool IsFileOrFolder() const;
  UniqueFd fd_;
};

// The process's working directory as the system gives it; nothing (last error set) on failure.
std::optional<std::string> CurrentDirectory();

// Makes `path` the process's working directory; false with the last error set.
bool ChangeDirectory(const std::string& path);

// Creates one folder; false with the last error set (EEXIST when it exists already).
bool CreateFolder(const std::string& path);

// Removes one file (not a folder); false with the last error set.
bool RemoveFile(const std::string& path);

}  // namespace platform
