#pragma once
// Instance markers: named, per-user signs that a running process has taken a name, gone the
// moment the process ends, however it ends. A marker is an exclusive flock on the file
// "<folder>/<file name>.lock"; the lock files are never removed (removing one would let a second
// process lock a fresh file of the same name while the first still holds the old one).

#include <string>
#include <string_view>
#include <utility>

#include "platform/unique_fd.h"

namespace platform {

// The one folder of every marker of the user: $XDG_RUNTIME_DIR when it is set, otherwise
// /tmp/commtestkit-<uid>, created with mode 0700. Empty (last error set) when the fallback
// folder cannot be made or is not a private folder of this user.
std::string DefaultMarkerFolder();

// The file name (without ".lock") that stands for a marker name (CP932): letters, digits, "-"
// and "_" stay, every other byte becomes "%XX", so that "/" and bytes a file name cannot hold
// never reach the file system and two names never share a file. A name whose file name would be
// too long for the file system keeps a readable start and ends in a hash of the whole name.
std::string MarkerFileName(std::string_view name);

// True when some process (this one included) holds the marker: the lock file is locked. Tried
// by taking the lock and releasing it at once.
bool IsMarkerHeld(const std::string& folder, std::string_view name);

class InstanceMarker {
 public:
  enum class Outcome {
    Taken,          // this object holds the marker now
    HeldElsewhere,  // another holder has it
    Failed,         // the lock file cannot be opened (last error set)
  };

  InstanceMarker() = default;

  // Takes the marker unless someone holds it; the result holds it when `outcome` is Taken.
  static InstanceMarker Create(const std::string& folder, std::string_view name, Outcome* outcome);

  bool IsHeld() const { return fd_.valid(); }

 private:
  explicit InstanceMarker(UniqueFd fd) : fd_(std::move(fd)) {}
  UniqueFd fd_;
};

}  // namespace platform
