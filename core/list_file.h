#pragma once
// List files: text files with the extension LST that name one file to send per line. This is
// the pure part of list sending: which files a list names, in which order, and where the
// one-second pauses fall. Reading the file and sending are the window's work.
//
// All texts are CP932 byte strings and are walked character by character: a lead byte pairs
// only with a byte that can end a double-byte character, so the second byte of ソ or 表 (0x5C)
// is never taken for a backslash, and a stray lead byte never swallows the byte after it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// A list line holds at most this many bytes (carriage returns not counted).
inline constexpr std::size_t kListLineLimit = 1023;

struct ListEntry {
  enum class Kind {
    SendFile,     // send `path`, then pause one second when `pauseAfter` is set
    LineTooLong,  // the line was skipped; the window reports it with its number
  };
  Kind kind = Kind::SendFile;
  std::string path;         // SendFile: the file to send
  bool pauseAfter = false;  // SendFile: the line ended with a line feed
  long lineNumber = 0;      // the line's number, counted from 1

  bool operator==(const ListEntry&) const = default;
};

// Whether a path names a list file: the text after its last "." is "LST" in any case.
bool IsListFileName(std::string_view path);

// The folder of a list file: its path up to and including the last "/" or "\" (empty when it
// has neither).
std::string_view ListFileFolder(std::string_view listPath);

// The entries of a list file whose path is `listPath` and whose first bytes are `bytes`.
// Line feeds end lines and carriage returns are ignored; empty lines give no entry. A line
// holding "/" or "\" is a path of its own (a "\" written on Windows becomes "/"); any other
// line names a file in the list's folder. Only a line that ended with a line feed is followed
// by a pause.
std::vector<ListEntry> ListFileEntries(std::string_view listPath, std::string_view bytes);

}  // namespace core
