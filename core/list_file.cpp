#include "core/list_file.h"

#include "platform/cp932.h"

namespace core {
namespace {

// The length of the character that starts at `at`: 2 for a lead byte followed by a byte that
// can end a double-byte character, otherwise 1.
std::size_t CharLength(std::string_view text, std::size_t at) {
  if (at + 1 < text.size() && platform::IsLeadByte(static_cast<unsigned char>(text[at])) &&
      platform::IsTrailByte(static_cast<unsigned char>(text[at + 1])))
    return 2;
  return 1;
}

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// The position of the last single-byte character for which `matches` holds, or npos.
template <typename Matches>
std::size_t FindLastChar(std::string_view text, Matches matches) {
  std::size_t found = std::string_view::npos;
  for (std::size_t at = 0; at < text.size(); at += CharLength(text, at))
    if (CharLength(text, at) == 1 && matches(text[at])) found = at;
  return found;
}

// Collects the lines of a list one byte or character at a time.
class LineCollector {
 public:
  LineCollector(std::string_view folder, std::vector<ListEntry>& entries)
      : folder_(folder), entries_(entries) {}

  // One character of the line; a single-byte "\" is a Windows separator and becomes "/".
  void Append(std::string_view character) {
    if (character.size() == 1 && IsSeparator(character[0])) {
      isPath_ = true;
      line_.push_back('/');
      return;
    }
    line_.append(character);
  }

  // Ends the current line; `byLineFeed` tells whether a line feed closed it.
  void End(bool byLineFeed) {
    ++lineNumber_;
    if (line_.size() > kListLineLimit) {
      entries_.push_back({ListEntry::Kind::LineTooLong, {}, false, lineNumber_});
    } else if (!line_.empty()) {
      std::string path = isPath_ ? std::move(line_) : std::string(folder_) + line_;
      entries_.push_back({ListEntry::Kind::SendFile, std::move(path), byLineFeed, lineNumber_});
    }
    line_.clear();
    isPath_ = false;
  }

  bool HasText() const { return !line_.empty(); }

 private:
  std::string_view folder_;
  std::vector<ListEntry>& entries_;
  std::string line_;
  bool isPath_ = false;
  long lineNumber_ = 0;
};

}  // namespace

bool IsListFileName(std::string_view path) {
  const std::size_t dot = FindLastChar(path, [](char c) { return c == '.'; });
  if (dot == std::string_view::npos) return false;
  const std::string_view extension = path.substr(dot + 1);
  constexpr std::string_view kListExtension = "LST";
  if (extension.size() != kListExtension.size()) return false;
  for (std::size_t k = 0; k < extension.size(); ++k) {
    const char c = extension[k];
    const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    if (upper != kListExtension[k]) return false;
  }
  return true;
}

std::string_view ListFileFolder(std::string_view listPath) {
  const std::size_t separator = FindLastChar(listPath, IsSeparator);
  return separator == std::string_view::npos ? std::string_view()
                                             : listPath.substr(0, separator + 1);
}

std::vector<ListEntry> ListFileEntries(std::string_view listPath, std::string_view bytes) {
  std::vector<ListEntry> entries;
  LineCollector line(ListFileFolder(listPath), entries);
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = CharLength(bytes, at);
    if (bytes[at] == '\r') {
      // Lines written on Windows end in CR LF; the carriage return is no part of a name.
    } else if (bytes[at] == '\n') {
      line.End(true);
    } else {
      line.Append(bytes.substr(at, length));
    }
    at += length;
  }
  if (line.HasText()) line.End(false);
  return entries;
}

}  // namespace core
