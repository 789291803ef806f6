#pragma once
// A serial line's settings: speed, framing and flow control, as a port is configured with them.
// Apart from the port itself, so that what only parses or maps settings needs no port.

namespace platform {

enum class SerialParity { None, Odd, Even, Mark, Space };
enum class SerialStopBits { One, OneAndHalf, Two };

struct SerialLineSettings {
  int baudRate = 9600;  // any positive speed; one the driver has no constant for is set directly
  int byteSize = 8;     // 5 to 8
  SerialParity parity = SerialParity::None;
  SerialStopBits stopBits = SerialStopBits::One;
  bool xonXoffOut = false;  // obey XON/XOFF from the peer when transmitting
  bool xonXoffIn = false;   // send XON/XOFF to the peer when the input fills
  // With parity on: the byte that replaces a byte received with a parity error, unless
  // `replaceParityErrors` is off, in which case such a byte is kept as it was received.
  char errorChar = 0;
  bool replaceParityErrors = true;
  bool rtsCts = false;  // hardware flow control on RTS and CTS
};

inline bool operator==(const SerialLineSettings& a, const SerialLineSettings& b) {
  return a.baudRate == b.baudRate && a.byteSize == b.byteSize && a.parity == b.parity &&
         a.stopBits == b.stopBits && a.xonXoffOut == b.xonXoffOut && a.xonXoffIn == b.xonXoffIn &&
         a.errorChar == b.errorChar && a.replaceParityErrors == b.replaceParityErrors &&
         a.rtsCts == b.rtsCts;
}

// Whether a port of this system can take `settings`: a positive speed, 5 to 8 data bits, one of
// the five parities, one or two stop bits, or one and a half with five data bits (what a UART
// sends when asked for two). Configure refuses every other setting with EINVAL.
bool LineSettingsSupported(const SerialLineSettings& settings);

}  // namespace platform
