#pragma once
// The TCP/IP tool's traffic lines: the fixed formats, filled in with the C library's printf rules
// on CP932 bytes (so "%-15s" pads by bytes), and the reading of a line back into its address and
// port for the peer selection.

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace tcpip {

// The formats, in CP932.
struct LineFormats {
  std::string listenStarted;   // "接続 %-15s(%-5d)": empty text or address box text, port number
  std::string failedWithPort;  // "*ER* %-15s(%-5d)%s": address, port number, system text
  std::string peerConnected;   // "接続 %-15s(%-5s)": peer address, peer port text
  std::string received;        // "->受 %-15s(%-5s)%s"
  std::string sent;            // "送-> %-15s(%-5s)%s"
  std::string sendFailed;      // "*ER* %-15s(%-5s)%s"
  std::string peerClosed;      // "切断 %-15s(%-5s)"
  std::string listenEnded;     // "切断 %-15s(%-5d)"
  std::string notSent;  // the failure text of a send that sent nothing: "送信出来ませんでした。"

  static const LineFormats& Get();
};

namespace detail {
// Room that one printf argument can take: its length for a text, enough digits for a number.
inline std::size_t ArgumentRoom(const char* text) {
  return std::strlen(text);
}
inline std::size_t ArgumentRoom(int) {
  return 12;
}
}  // namespace detail

// printf into a string of whatever length the result needs. The room is reckoned beforehand from
// the arguments (padding never exceeds the format's own widths), so one pass writes the line;
// a second pass is made only if the reckoning fell short.
template <typename... Args>
std::string FormatLine(const std::string& format, Args... args) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
  std::size_t room = format.size() + 32;
  ((room += detail::ArgumentRoom(args)), ...);
  std::string line(room + 1, '\0');
  int length = std::snprintf(line.data(), line.size(), format.c_str(), args...);
  if (length < 0) return {};
  if (static_cast<std::size_t>(length) >= line.size()) {
    line.assign(static_cast<std::size_t>(length) + 1, '\0');
    length = std::snprintf(line.data(), line.size(), format.c_str(), args...);
  }
#pragma GCC diagnostic pop
  line.resize(static_cast<std::size_t>(length));
  return line;
}

// What a traffic line names: the address and port after its four-byte prefix, read as
// sscanf("%4s%15s%1s%5d") reads them in the C locale.
struct LinePeer {
  std::string address;
  int port = 0;
};

// False when the line's fifth byte is not a space, or when any of the four items (port included)
// cannot be read: such a line names no peer.
bool ReadLinePeer(std::string_view line, LinePeer& peer);

// The port box text read as a decimal number the way atoi reads it (leading blanks, a sign,
// digits; no digits give 0), without overflow: values beyond the int range are clamped.
int PortNumber(std::string_view text);

// Whether the port box text is a number as a whole: what PortNumber reads (blanks, a sign, at
// least one digit) followed by nothing but blanks. "abc", "" and "80x" are not.
bool IsPortNumberText(std::string_view text);

}  // namespace tcpip
