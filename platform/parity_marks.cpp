#include "platform/parity_marks.h"

namespace platform {

std::size_t ParityMarkDecoder::Decode(const char* input, std::size_t length, char* output) {
  std::size_t written = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char byte = static_cast<unsigned char>(input[i]);
    switch (state_) {
      case State::Plain:
        if (byte == 0xFF) {
          state_ = State::AfterFF;
        } else {
          output[written++] = static_cast<char>(byte);
        }
        break;
      case State::AfterFF:
        if (byte == 0xFF) {
          output[written++] = static_cast<char>(0xFF);
          state_ = State::Plain;
        } else if (byte == 0x00) {
          state_ = State::AfterFF00;
        } else {
          // The driver never sends this. The byte is kept and the stray 0xFF dropped, so that the
          // output never outgrows the input (the read path decodes in place).
          output[written++] = static_cast<char>(byte);
          state_ = State::Plain;
        }
        break;
      case State::AfterFF00:
        // The byte that arrived with a parity or framing error (0 for a break).
        output[written++] = errorChar_;
        state_ = State::Plain;
        break;
    }
  }
  return written;
}

}  // namespace platform
