#pragma once
// Faults of the machine made on purpose, for the tools' tests and drills: a folder that is full
// after a few kilobytes, and a FIFO where a file is expected.

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

namespace platform {

class FullFolder {
 public:
  enum class Kind {
    SmallFileSystem,  // a tmpfs of the size is mounted on the folder: writes fail with ENOSPC
    FileSizeLimit,    // the process's file-size limit: every file it writes, anywhere, is cut
                      // at the size, and the write past it fails with EFBIG
  };

  // Makes the existing, empty `folder` fill up after about `bytes`: a small file system where
  // the process may mount one, else the file-size limit. Nothing, with the last error set, when
  // neither can be had. Undone on destruction.
  static std::unique_ptr<FullFolder> Make(const std::string& folder, std::size_t bytes);
  ~FullFolder();
  FullFolder(const FullFolder&) = delete;
  FullFolder& operator=(const FullFolder&) = delete;

  Kind kind() const { return kind_; }

 private:
  FullFolder(std::string folder, Kind kind, unsigned long long oldLimit, void (*oldHandler)(int))
      : folder_(std::move(folder)), kind_(kind), oldLimit_(oldLimit), oldHandler_(oldHandler) {}

  std::string folder_;
  Kind kind_;
  unsigned long long oldLimit_;
  void (*oldHandler_)(int);
};

// Makes a FIFO at `path`; false with the last error set.
bool CreateFifo(const std::string& path);

}  // namespace platform
