#pragma once
// The character sets of the text files and streams: the original's system code page (CP932),
// UTF-8, UTF-16 in both byte orders, US-ASCII and ISO-8859-1.

#include <optional>
#include <string>
#include <string_view>

namespace hostobjects {

enum class Charset { Cp932, Utf8, Utf16LE, Utf16BE, Ascii, Latin1 };

// The set a name stands for ("shift_jis", "utf-8", "unicode", "us-ascii", "iso-8859-1" and
// their usual aliases), without regard to case.
std::optional<Charset> CharsetNamed(std::u16string_view name);

std::u16string Decode(Charset charset, std::string_view bytes);
// A character the set cannot hold becomes "?".
std::string Encode(Charset charset, std::u16string_view text);

// The byte-order mark the original writes at the start of a text in this set ("" for none).
std::string_view ByteOrderMark(Charset charset);

}  // namespace hostobjects
