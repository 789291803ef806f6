#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>

namespace platform {
namespace {

// One converter per direction and thread: iconv_t keeps shift state and must not be shared
// between threads, and opening one per call costs more than the conversion of a short text.
class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (handle_ != reinterpret_cast<iconv_t>(-1)) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much as it can; on a sequence it cannot take, calls onBad with the input
  // position and the errno of the failure, which returns how many input bytes to skip (at
  // least 1) after appending its own replacement to out, or 0 to stop with failure.
  template <typename OnBad>
  bool Run(std::string_view in, std::string& out, OnBad onBad) {
    if (handle_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buffer[4096];
    while (inLeft > 0) {
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      size_t result = iconv(handle_, &inPtr, &inLeft, &outPtr, &outLeft);
      int error = errno;
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      if (result != static_cast<size_t>(-1)) continue;
      if (error == E2BIG) continue;
      size_t skip = onBad(std::string_view(inPtr, inLeft), error);
      if (skip == 0) return false;
      inPtr += skip;
      inLeft -= skip;
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
  }

 private:
  iconv_t handle_;
};

Converter& FromCp932() {
  thread_local Converter converter("UTF-8", "CP932");
  return converter;
}

Converter& ToCp932() {
  thread_local Converter converter("CP932", "UTF-8");
  return converter;
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

// Length of the UTF-8 sequence that starts the text, or 1 for a byte that starts none, so that
// one unconvertible character becomes exactly one "?".
size_t Utf8SequenceLength(std::string_view text) {
  unsigned char lead = static_cast<unsigned char>(text[0]);
  size_t length = lead < 0x80   ? 1
                  : lead < 0xC2 ? 1
                  : lead < 0xE0 ? 2
                  : lead < 0xF0 ? 3
                  : lead < 0xF5 ? 4
                                : 1;
  if (length > text.size()) return 1;
  for (size_t i = 1; i < length; ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
  return length;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  std::string out;
  out.reserve(cp932.size() * 3 / 2);
  FromCp932().Run(cp932, out, [&out](std::string_view, int) -> size_t {
    out += "\xEF\xBF\xBD";
    return 1;
  });
  return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size());
  ToCp932().Run(utf8, out, [&out](std::string_view rest, int) -> size_t {
    out += '?';
    return Utf8SequenceLength(rest);
  });
  return out;
}

std::optional<std::string> Utf8ToCp932Exact(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  if (!ToCp932().Run(utf8, out, [](std::string_view, int) -> size_t { return 0; }))
    return std::nullopt;
  return out;
}

std::optional<std::string> Cp932ToUtf8Exact(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  std::string out;
  if (!FromCp932().Run(cp932, out, [](std::string_view, int) -> size_t { return 0; }))
    return std::nullopt;
  return out;
}

}  // namespace platform
