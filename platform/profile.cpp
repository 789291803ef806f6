#include "platform/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/cp932.h"
#include "platform/last_error.h"
#include "platform/unique_fd.h"

namespace platform {
namespace {

// Blanks that reading drops around names and values: white space, and Ctrl-Z, which old editors
// left at the end of text files. All lie below 0x40, so none can be the second byte of a
// double-byte character and trimming byte by byte is safe.
bool IsBlank(unsigned char byte) {
  return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n' || byte == '\v' ||
         byte == '\f' || byte == 0x1A;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

// A value as reading gives it: trimmed, and without one pair of enclosing matching quotes.
std::string_view ReadForm(std::string_view raw) {
  std::string_view value = Trim(raw);
  if (value.size() > 1 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// Length of the character that starts at `index`: two bytes for a lead byte with a byte after it.
std::size_t CharLength(std::string_view text, std::size_t index) {
  return IsLeadByte(static_cast<unsigned char>(text[index])) && index + 1 < text.size() ? 2 : 1;
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Names are equal without regard to ASCII case; the two bytes of a double-byte character are
// compared exactly, since a second byte may look like an ASCII letter.
bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  std::size_t i = 0;
  while (i < a.size()) {
    std::size_t length = CharLength(a, i);
    if (length == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
    i += length;
  }
  return true;
}

// The longest start of `text` that fits `limit` bytes without splitting a character.
std::string_view CutAtCharacter(std::string_view text, std::size_t limit) {
  std::size_t end = 0;
  while (end < text.size()) {
    std::size_t next = end + CharLength(text, end);
    if (next > limit) break;
    end = next;
  }
  return text.substr(0, end);
}

// One line of the file: where it starts, where its text ends (before CR LF or LF) and where the
// next line starts.
struct Line {
  std::size_t begin;
  std::size_t textEnd;
  std::size_t next;
};

enum class LineKind { Other, Section, Key };

struct ParsedLine {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section name or key, trimmed
  std::string_view value;  // raw value after "=", for key lines
};

ParsedLine ParseLine(std::string_view text) {
  std::string_view trimmed = Trim(text);
  ParsedLine parsed;
  if (trimmed.empty() || trimmed.front() == ';') return parsed;
  if (trimmed.front() == '[') {
    // The section name runs to the last "]" of the line, found character by character.
    std::optional<std::size_t> close;
    for (std::size_t i = 1; i < trimmed.size(); i += CharLength(trimmed, i)) {
      if (trimmed[i] == ']') close = i;
    }
    if (close) {
      parsed.kind = LineKind::Section;
      parsed.name = Trim(trimmed.substr(1, *close - 1));
      return parsed;
    }
  }
  // "=" lies below 0x40, so a byte-wise search cannot hit the second byte of a character.
  std::size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.kind = LineKind::Key;
  parsed.name = Trim(trimmed.substr(0, equals));
  parsed.value = trimmed.substr(equals + 1);
  return parsed;
}

std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  std::size_t begin = 0;
  while (begin < content.size()) {
    std::size_t newline = content.find('\n', begin);
    std::size_t next = newline == std::string_view::npos ? content.size() : newline + 1;
    std::size_t textEnd = newline == std::string_view::npos ? content.size() : newline;
    if (textEnd > begin && content[textEnd - 1] == '\r') --textEnd;
    lines.push_back({begin, textEnd, next});
    begin = next;
  }
  return lines;
}

std::string_view LineText(std::string_view content, const Line& line) {
  return content.substr(line.begin, line.textEnd - line.begin);
}

// Where a key was found, or where its section is.
struct Location {
  std::optional<std::size_t> sectionLine;  // index of the section's header line
  std::optional<std::size_t> keyLine;      // index of the key's line
  std::size_t lastContentLine = 0;         // the section's last line that is not blank or comment
};

Location Find(std::string_view content, const std::vector<Line>& lines, std::string_view section,
              std::string_view key) {
  Location location;
  bool inSection = false;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    std::string_view text = LineText(content, lines[index]);
    ParsedLine parsed = ParseLine(text);
    if (parsed.kind == LineKind::Section) {
      if (inSection) break;  // the first matching section is the one that counts
      if (SameName(parsed.name, section)) {
        inSection = true;
        location.sectionLine = index;
        location.lastContentLine = index;
      }
      continue;
    }
    if (!inSection) continue;
    std::string_view trimmed = Trim(text);
    if (!trimmed.empty() && trimmed.front() != ';') location.lastContentLine = index;
    if (parsed.kind == LineKind::Key && SameName(parsed.name, key)) {
      location.keyLine = index;
      break;
    }
  }
  return location;
}

int OpenRetrying(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Another process of the kit may write the same file at the same moment (two copies started with
// one identifier); a whole-file lock keeps each read-change-write step whole. A file system
// without locks is used unlocked.
void LockWhole(int fd, int operation) {
  while (::flock(fd, operation) != 0 && errno == EINTR) {
  }
}

std::optional<std::string> ReadAll(int fd) {
  std::string content;
  char buffer[8192];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      FailWithErrno();
      return std::nullopt;
    }
    if (got == 0) return content;
    content.append(buffer, static_cast<std::size_t>(got));
  }
}

bool ReplaceContent(int fd, std::string_view content) {
  if (::ftruncate(fd, 0) != 0) return FailWithErrno();
  std::size_t offset = 0;
  while (offset < content.size()) {
    ssize_t written =
        ::pwrite(fd, content.data() + offset, content.size() - offset, static_cast<off_t>(offset));
    if (written < 0) {
      if (errno == EINTR) continue;
      return FailWithErrno();
    }
    offset += static_cast<std::size_t>(written);
  }
  return true;
}

// The raw value of a key (before trimming), or nothing when the file or the key is missing.
std::optional<std::string> FindValue(std::string_view section, std::string_view key,
                                     const std::string& path) {
  UniqueFd file(OpenRetrying(path, O_RDONLY));
  if (!file.valid()) {
    FailWithErrno();
    return std::nullopt;
  }
  LockWhole(file.get(), LOCK_SH);
  std::optional<std::string> content = ReadAll(file.get());
  if (!content) return std::nullopt;
  std::vector<Line> lines = SplitLines(*content);
  Location location = Find(*content, lines, section, key);
  if (!location.keyLine) return std::nullopt;
  return std::string(ReadForm(ParseLine(LineText(*content, lines[*location.keyLine])).value));
}

// What must go in at `end`, the end of a line, before a new line can follow: nothing after a line
// feed (or at the start of an empty file), "\n" after a carriage return left alone at the end of
// the file, "\r\n" after a line without any line end. Without it the new line would run on from
// the last one, which would then read differently and hide the new key.
std::string LineEndMissingAt(std::string_view content, std::size_t end) {
  if (end == 0 || content[end - 1] == '\n') return {};
  if (content[end - 1] == '\r') return "\n";
  return "\r\n";
}

// The value as it is written, so that reading gives back exactly `value` (see the header).
std::string WrittenValue(std::string_view value) {
  std::size_t lineBreak = value.find_first_of(std::string_view("\r\n\0", 3));
  if (lineBreak != std::string_view::npos) value = value.substr(0, lineBreak);
  if (ReadForm(value) == value) return std::string(value);
  return "\"" + std::string(value) + "\"";
}

}  // namespace

std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue, const std::string& path) {
  std::optional<std::string> value = FindValue(section, key, path);
  std::string_view result = value ? std::string_view(*value) : defaultValue;
  return std::string(CutAtCharacter(result, kProfileStringBufferSize - 1));
}

int GetProfileInt(std::string_view section, std::string_view key, int defaultValue,
                  const std::string& path) {
  std::optional<std::string> value = FindValue(section, key, path);
  if (!value || value->empty()) return defaultValue;
  // The original reads the value into a 30-character buffer before converting it.
  std::string_view text = std::string_view(*value).substr(0, 29);
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint32_t number = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    number = number * 10u + static_cast<std::uint32_t>(text[i] - '0');
  }
  if (negative) number = 0u - number;
  return static_cast<int>(number);
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& path) {
  UniqueFd file(OpenRetrying(path, O_RDWR | O_CREAT));
  if (!file.valid()) return FailWithErrno();
  LockWhole(file.get(), LOCK_EX);
  std::optional<std::string> read = ReadAll(file.get());
  if (!read) return false;
  std::string content = std::move(*read);

  std::string keyLine = std::string(key) + "=" + WrittenValue(value) + "\r\n";
  std::vector<Line> lines = SplitLines(content);
  Location location = Find(content, lines, section, key);
  if (location.keyLine) {
    const Line& line = lines[*location.keyLine];
    // The key keeps the spelling it has in the file.
    std::string_view existing = ParseLine(LineText(content, line)).name;
    keyLine = std::string(existing) + "=" + WrittenValue(value) + "\r\n";
    content.replace(line.begin, line.next - line.begin, keyLine);
  } else if (location.sectionLine) {
    const Line& last = lines[location.lastContentLine];
    content.insert(last.next, LineEndMissingAt(content, last.next) + keyLine);
  } else {
    content += LineEndMissingAt(content, content.size());
    content += "[" + std::string(section) + "]\r\n" + keyLine;
  }
  return ReplaceContent(file.get(), content);
}

bool DeleteProfileSection(std::string_view section, const std::string& path) {
  UniqueFd file(OpenRetrying(path, O_RDWR));
  if (!file.valid()) return errno == ENOENT ? true : FailWithErrno();
  LockWhole(file.get(), LOCK_EX);
  std::optional<std::string> read = ReadAll(file.get());
  if (!read) return false;
  std::string content = std::move(*read);
  std::vector<Line> lines = SplitLines(content);
  std::optional<std::size_t> begin;
  std::size_t end = content.size();
  for (const Line& line : lines) {
    ParsedLine parsed = ParseLine(LineText(content, line));
    if (parsed.kind != LineKind::Section) continue;
    if (begin) {
      end = line.begin;
      break;
    }
    if (SameName(parsed.name, section)) begin = line.begin;
  }
  if (!begin) return true;
  content.erase(*begin, end - *begin);
  return ReplaceContent(file.get(), content);
}

int DecimalPrefixValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long number = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (number <= static_cast<long long>(INT_MAX) + 1) number = number * 10 + (text[i] - '0');
  }
  if (negative)
    return number > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-number);
  return number > INT_MAX ? INT_MAX : static_cast<int>(number);
}

}  // namespace platform
