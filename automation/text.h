#pragma once
// UTF-16 strings of the automation layer (the original platform's BSTR) and the conversions at its
// edges.

#include <string>
#include <string_view>

namespace automation {

// UTF-8 to UTF-16; invalid UTF-8 becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view utf8);
// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view utf16);

// CP932 bytes to UTF-16, as the original platform's code-page conversion reads a multi-byte string:
// an invalid byte becomes U+FFFD and the walk goes on.
std::u16string Utf16FromCp932(std::string_view cp932);
// UTF-16 to CP932 bytes; a character that CP932 cannot hold becomes "?".
std::string Cp932FromUtf16(std::u16string_view utf16);

// Equal without regard to case, for member names and ProgIDs (ASCII and Latin letters).
bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b);

}  // namespace automation
