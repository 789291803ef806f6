#pragma once
// The bracket notation that shows byte blocks as one line of text and reads typed binary data
// back: the common transmission-control codes appear as names such as <STX>, every other
// unprintable byte as two hexadecimal digits in angle brackets such as <0f>. Texts are CP932
// byte strings. Both directions are pure functions and keep no state.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace core {

struct ControlName {
  unsigned char code;
  std::string_view name;
};

// The named control codes. Both directions walk the table in this order and the first matching
// entry wins.
inline constexpr std::array<ControlName, 13> ControlNameTable{{
    {0x00, "<NUL>"},
    {0x01, "<SOH>"},
    {0x02, "<STX>"},
    {0x03, "<ETX>"},
    {0x04, "<EOT>"},
    {0x05, "<ENQ>"},
    {0x06, "<ACK>"},
    {0x0A, "<LF>"},
    {0x0D, "<CR>"},
    {0x15, "<NAK>"},
    {0x16, "<SYN>"},
    {0x17, "<ETB>"},
    {0x1B, "<ESC>"},
}};

// The display text of a block never takes more than this many characters per byte.
inline constexpr std::size_t kNotationCharsPerByte = 5;

// Writes the display text of `length` bytes into `out` and terminates it with NUL; returns the
// text's length. `out` must hold kNotationCharsPerByte * length + 1 characters. A length of 0 or
// less gives the empty text. With `hexOnly` every byte takes the form <xx>; otherwise names,
// printable ASCII and double-byte characters are shown as such.
std::size_t BytesToNotation(char* out, const unsigned char* bytes, long length, bool hexOnly);
std::string BytesToNotation(std::string_view bytes, bool hexOnly);
// Appends the display text of `bytes` to `text`, written in place: a traffic line is built
// around a block's text without a second copy of it.
void AppendNotation(std::string& text, std::string_view bytes, bool hexOnly);

// Reads typed text in the notation and writes the bytes it stands for into `out`; returns their
// count, which never exceeds `length` (0 for a length of 0 or less). Anything that is not a
// complete name or hexadecimal form is taken literally. The output is not terminated.
long NotationToBytes(unsigned char* out, const char* text, long length);
std::string NotationToBytes(std::string_view text);

}  // namespace core
