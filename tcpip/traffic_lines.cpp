#include "tcpip/traffic_lines.h"

#include <climits>

#include "platform/cp932.h"

namespace tcpip {
namespace {

// The blanks of the C locale, whatever locale the toolkit set: a CP932 byte is never a blank.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void SkipBlanks(std::string_view text, std::size_t& at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
}

// "%Ns": skips blanks, then takes up to `width` non-blank bytes; false when there is none.
bool ReadWord(std::string_view text, std::size_t& at, std::size_t width, std::string& out) {
  SkipBlanks(text, at);
  const std::size_t start = at;
  while (at < text.size() && at - start < width && !IsBlank(text[at]) && text[at] != '\0') ++at;
  out.assign(text.substr(start, at - start));
  return at > start;
}

// "%Nd": skips blanks, then an optional sign and digits, `width` bytes in all.
bool ReadNumber(std::string_view text, std::size_t& at, std::size_t width, int& out) {
  SkipBlanks(text, at);
  std::size_t used = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-') && used < width) {
    negative = text[at] == '-';
    ++at;
    ++used;
  }
  long value = 0;
  bool any = false;
  while (at < text.size() && used < width && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + (text[at] - '0');
    ++at;
    ++used;
    any = true;
  }
  if (!any) return false;
  out = static_cast<int>(negative ? -value : value);
  return true;
}

}  // namespace

const LineFormats& LineFormats::Get() {
  static const LineFormats formats{
      platform::Cp932("接続 %-15s(%-5d)"),       platform::Cp932("*ER* %-15s(%-5d)%s"),
      platform::Cp932("接続 %-15s(%-5s)"),       platform::Cp932("->受 %-15s(%-5s)%s"),
      platform::Cp932("送-> %-15s(%-5s)%s"),     platform::Cp932("*ER* %-15s(%-5s)%s"),
      platform::Cp932("切断 %-15s(%-5s)"),       platform::Cp932("切断 %-15s(%-5d)"),
      platform::Cp932("送信出来ませんでした。"),
  };
  return formats;
}

bool ReadLinePeer(std::string_view line, LinePeer& peer) {
  if (line.size() < 5 || line[4] != ' ') return false;
  std::size_t at = 0;
  std::string prefix, address, bracket;
  int port = 0;
  if (!ReadWord(line, at, 4, prefix) || !ReadWord(line, at, 15, address) ||
      !ReadWord(line, at, 1, bracket) || !ReadNumber(line, at, 5, port))
    return false;
  peer.address = address;
  peer.port = port;
  return true;
}

bool IsPortNumberText(std::string_view text) {
  std::size_t at = 0;
  SkipBlanks(text, at);
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  const std::size_t digits = at;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
  if (at == digits) return false;
  SkipBlanks(text, at);
  return at == text.size();
}

int PortNumber(std::string_view text) {
  std::size_t at = 0;
  SkipBlanks(text, at);
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  long long value = 0;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + (text[at++] - '0');
    if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace tcpip
