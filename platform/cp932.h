#pragma once
// Code page 932 (Shift_JIS as Windows defines it). Inside the tools every text is a CP932 byte
// string; these functions are the only way between CP932 and Unicode (UTF-8).

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A byte that starts a double-byte character: 0x81-0x9F or 0xE0-0xFC.
constexpr bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// A byte that can stand second in a double-byte character: 0x40-0x7E or 0x80-0xFC.
constexpr bool IsTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// CP932 to UTF-8 for display. Never drops the rest of a text: an invalid byte, or a lead byte
// at the end, becomes U+FFFD and the walk goes on.
std::string Cp932ToUtf8(std::string_view cp932);

// UTF-8 to CP932. A character that CP932 cannot hold becomes "?" (so does invalid UTF-8).
std::string Utf8ToCp932(std::string_view utf8);

// UTF-8 to CP932 for names that must convert exactly (file names from dialogs and drops):
// nothing when a character cannot be held.
std::optional<std::string> Utf8ToCp932Exact(std::string_view utf8);

// CP932 to UTF-8 for names handed to the operating system: nothing when a byte sequence is not
// valid CP932, so that a name is never silently changed on its way to the file system.
std::optional<std::string> Cp932ToUtf8Exact(std::string_view cp932);

// The system's own texts are written in UTF-8 in the sources and become CP932 here, once.
inline std::string Cp932(std::string_view utf8) {
  return Utf8ToCp932(utf8);
}

}  // namespace platform
