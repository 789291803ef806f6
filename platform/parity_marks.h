#pragma once
// Parity errors as the terminal driver marks them (PARMRK): a byte received with an error
// arrives as 0xFF 0x00 <byte>, and a real 0xFF byte arrives doubled as 0xFF 0xFF. The decoder
// turns this back into plain data, replacing each marked byte with the port's error character.
// A mark may be split across two reads; the decoder carries it over.

#include <cstddef>

namespace platform {

class ParityMarkDecoder {
 public:
  explicit ParityMarkDecoder(char errorChar = 0) : errorChar_(errorChar) {}

  // Decodes `length` bytes from `input` into `output`, which may be the same buffer: the output
  // is never longer than the input. Returns the number of bytes written.
  std::size_t Decode(const char* input, std::size_t length, char* output);

  // True while the last input ended inside a mark.
  bool InsideMark() const { return state_ != State::Plain; }

 private:
  enum class State { Plain, AfterFF, AfterFF00 };
  char errorChar_;
  State state_ = State::Plain;
};

}  // namespace platform
