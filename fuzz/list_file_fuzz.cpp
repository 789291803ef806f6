// Walks arbitrary list files and checks: no read or write outside memory (AddressSanitizer sees
// any), and every entry is exactly what its line names. A line of at most 1,023 bytes (carriage
// returns not counted) gives the file to send: the line itself when it holds a separator, else
// the list's folder followed by the line, a single-byte "\" becoming "/"; a longer line gives one
// "too long" entry with its number; an empty line gives nothing; only a line ended by a line feed
// is followed by a pause. The list path's folder and extension test are checked as well.
//
// The input is one byte giving the length of the list file's path; two giving the length of a run
// of one byte, the third, that goes into the list at the place the fourth chooses (so that lines
// near and beyond the limit are easy to reach); the list file's path; then the list.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/list_file.h"
#include "platform/cp932.h"

namespace {

// The walks below check the library and should not steer the fuzzer: only the library's own
// code is instrumented for coverage.
#define TK_NOT_COVERED __attribute__((no_sanitize("coverage")))

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "list file check failed: %s\n", what);
    std::abort();
  }
}

// Whether a double-byte character starts at `at`: a lead byte followed by a trail byte.
TK_NOT_COVERED bool PairAt(std::string_view text, std::size_t at) {
  return at + 1 < text.size() && platform::IsLeadByte(static_cast<unsigned char>(text[at])) &&
         platform::IsTrailByte(static_cast<unsigned char>(text[at + 1]));
}

TK_NOT_COVERED bool Same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

TK_NOT_COVERED std::size_t LineBreaks(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) count += c == '\r' || c == '\n';
  return count;
}

// The positions of the single-byte characters of `text` (the second byte of a pair is none).
TK_NOT_COVERED std::vector<bool> SingleBytes(std::string_view text) {
  std::vector<bool> single(text.size(), false);
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (PairAt(text, at)) {
      ++at;
      continue;
    }
    single[at] = true;
  }
  return single;
}

TK_NOT_COVERED std::string_view WalkedFolder(std::string_view path) {
  const std::vector<bool> single = SingleBytes(path);
  std::size_t end = 0;
  for (std::size_t at = 0; at < path.size(); ++at)
    if (single[at] && (path[at] == '/' || path[at] == '\\')) end = at + 1;
  return path.substr(0, end);
}

TK_NOT_COVERED bool WalkedIsList(std::string_view path) {
  const std::vector<bool> single = SingleBytes(path);
  std::size_t dot = path.size();
  for (std::size_t at = 0; at < path.size(); ++at)
    if (single[at] && path[at] == '.') dot = at;
  if (dot == path.size() || path.size() - dot != 4) return false;
  for (std::size_t k = 0; k < 3; ++k) {
    char c = path[dot + 1 + k];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != "LST"[k]) return false;
  }
  return true;
}

// The entries as the rule above gives them. The characters are found in the whole list, so that a
// lead byte before a carriage return or line feed stays a byte of its own.
TK_NOT_COVERED std::vector<core::ListEntry> WalkedEntries(std::string_view listPath,
                                                          std::string_view list) {
  const std::string_view folder = WalkedFolder(listPath);
  const std::vector<bool> single = SingleBytes(list);
  std::vector<core::ListEntry> entries;
  std::string line;
  bool holdsSeparator = false;
  long number = 0;
  auto end = [&](bool byLineFeed) {
    ++number;
    if (line.size() > 1023) {
      entries.push_back({core::ListEntry::Kind::LineTooLong, {}, false, number});
    } else if (!line.empty()) {
      entries.push_back({core::ListEntry::Kind::SendFile,
                         holdsSeparator ? line : std::string(folder) + line, byLineFeed, number});
    }
    line.clear();
    holdsSeparator = false;
  };
  for (std::size_t at = 0; at < list.size(); ++at) {
    const char c = list[at];
    if (c == '\r') continue;
    if (c == '\n') {
      end(true);
      continue;
    }
    if (single[at] && (c == '/' || c == '\\')) {
      holdsSeparator = true;
      line.push_back('/');
      continue;
    }
    line.push_back(c);
  }
  if (!line.empty()) end(false);
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 5, size - 5);
  const std::string_view listPath = rest.substr(0, data[0] % 64);
  std::string list(rest.substr(listPath.size()));
  const auto runLength = static_cast<std::size_t>((data[1] | data[2] << 8) % 2048);
  list.insert(data[4] * list.size() / 255, runLength, static_cast<char>(data[3]));

  Check(Same(core::ListFileFolder(listPath), WalkedFolder(listPath)), "folder differs");
  Check(core::IsListFileName(listPath) == WalkedIsList(listPath), "extension test differs");

  const std::vector<core::ListEntry> entries = core::ListFileEntries(listPath, list);
  const std::vector<core::ListEntry> walked = WalkedEntries(listPath, list);
  Check(entries.size() == walked.size(), "another number of entries");
  const std::size_t folderSize = WalkedFolder(listPath).size();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const core::ListEntry& entry = entries[i];
    Check(entry.kind == walked[i].kind, "another kind of entry");
    Check(entry.lineNumber == walked[i].lineNumber, "another line number");
    Check(entry.pauseAfter == walked[i].pauseAfter, "another pause");
    Check(Same(entry.path, walked[i].path), "a path other than the line names");
    // Whatever the walk, a path holds no line break but the folder's, and is no longer than the
    // folder and a line.
    Check(LineBreaks(entry.path) <= LineBreaks(WalkedFolder(listPath)),
          "a path holds a line break");
    Check(entry.path.size() <= folderSize + core::kListLineLimit, "a path longer than a line");
    if (entry.kind == core::ListEntry::Kind::LineTooLong) Check(entry.path.empty(), "skipped path");
  }
  return 0;
}
