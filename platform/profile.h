#pragma once
// Private-profile (INI) files: section lines "[NAME]" and key lines "KEY=value", read and written
// one key at a time, as the tools keep their settings.
//
// Reading: blanks around section names, keys and values are ignored, and a value enclosed in one
// pair of matching quotes (' or ") loses them. Sections and keys are found without regard to ASCII
// case; the first matching section and the first matching key in it count. A missing file or key
// yields the default; a key present with an empty value yields the empty text.
//
// Writing changes only the one key line (or adds it): every other byte of the file, its order,
// comments and blank lines stay. A new key goes after the last line of its section that is not
// blank or a comment (";" first), a new section at the end of the file. Lines written end in CR LF.
// The file is created by the first write.
//
// Names and values are CP932 byte strings; the file path is a native path.

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The settings are read into a buffer of this size, so a value keeps at most 20,479 bytes (cut at
// a character boundary, so that no half of a double-byte character is left at the end).
inline constexpr std::size_t kProfileStringBufferSize = 20480;

std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue, const std::string& path);

// The value as a decimal integer: leading blanks, an optional sign and the leading digits; a
// value without digits gives 0, a missing key or an empty value gives the default. Like the
// original function only the first 29 bytes of the value are looked at, and too many digits wrap
// modulo 2^32.
int GetProfileInt(std::string_view section, std::string_view key, int defaultValue,
                  const std::string& path);

// Writes one key. A value that would change the file's structure is made safe: it is cut at its
// first line break or NUL (reading back would have given only that first line), and a value whose
// blanks at either end or enclosing quotes reading would drop is written inside one more pair of
// double quotes, so that it reads back exactly. False with the last error set when the file cannot
// be read or written.
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& path);

// Removes the first section named `section` (without regard to case): its header line and every
// line up to the next section header. The rest of the file stays as it is. True when the section
// is gone afterwards (also when there was none, or no file); false with the last error set when
// the file cannot be read or written.
bool DeleteProfileSection(std::string_view section, const std::string& path);

// The decimal reading the tools use for flags read as text: leading white space, an optional
// sign and the leading digits; anything else gives 0. Out-of-range values saturate.
int DecimalPrefixValue(std::string_view text);

}  // namespace platform
