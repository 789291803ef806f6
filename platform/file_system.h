#pragma once
// Entries of the file system for the script host's file objects: status, folder listings,
// copies, renames and removals. Paths are native byte strings (UTF-8); a failing call stores the
// system's error as the last error (platform/last_error.h).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

enum class EntryKind : std::uint8_t { File, Folder, Other };

struct EntryStatus {
  EntryKind kind = EntryKind::Other;
  std::uint64_t size = 0;
  // Seconds since 1970-01-01 00:00 UTC, with their fractions.
  double modified = 0;
  double accessed = 0;
  double changed = 0;    // the status change time: Linux keeps no creation time
  bool writable = true;  // the owner may write it
  bool isLink = false;   // the name itself is a symbolic link
};

// The status of the entry a path names (links followed); nothing with the last error set.
std::optional<EntryStatus> StatusOf(const std::string& path);

// The names in a folder, without "." and ".."; nothing with the last error set.
std::optional<std::vector<std::string>> ListFolder(const std::string& path);

// Copies a file's bytes and permissions to `to`; fails with EEXIST when `to` exists and
// `overwrite` is false.
bool CopyFileTo(const std::string& from, const std::string& to, bool overwrite);
// Copies a folder with everything in it into `to` (made when missing); existing files are
// replaced only when `overwrite` is true, else the copy fails with EEXIST.
bool CopyFolderTo(const std::string& from, const std::string& to, bool overwrite);
// Renames an entry; fails with EEXIST when `to` exists. Across file systems the entry is
// copied and the original removed.
bool MoveEntry(const std::string& from, const std::string& to);
// Removes a folder and everything in it.
bool RemoveFolderTree(const std::string& path);
// Makes the entry read-only for everyone, or writable for its owner again.
bool SetWritable(const std::string& path, bool writable);

// The target of a symbolic link, or nothing with the last error set.
std::optional<std::string> LinkTarget(const std::string& path);

// The local time zone's offset from UTC at a moment, in seconds east (Japan: +32400).
long LocalOffsetSeconds(double utcSeconds);
// Seconds since 1970 UTC now.
double NowUtcSeconds();

}  // namespace platform
