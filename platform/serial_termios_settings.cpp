#include "platform/serial_termios_settings.h"

#include <cerrno>
#include <optional>
#include <utility>

#include "platform/last_error.h"

namespace platform {
namespace {

constexpr std::pair<int, speed_t> kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool Refuse() {
  SetLastError(EINVAL);
  return false;
}

}  // namespace

speed_t StandardSpeed(int baudRate) {
  for (const auto& [rate, constant] : kSpeeds)
    if (rate == baudRate) return constant;
  return B0;
}

bool LineSettingsSupported(const SerialLineSettings& settings) {
  const bool parityKnown =
      settings.parity == SerialParity::None || settings.parity == SerialParity::Odd ||
      settings.parity == SerialParity::Even || settings.parity == SerialParity::Mark ||
      settings.parity == SerialParity::Space;
  const bool stopBitsKnown =
      settings.stopBits == SerialStopBits::One || settings.stopBits == SerialStopBits::Two ||
      (settings.stopBits == SerialStopBits::OneAndHalf && settings.byteSize == 5);
  return settings.baudRate > 0 && settings.byteSize >= 5 && settings.byteSize <= 8 && parityKnown &&
         stopBitsKnown;
}

namespace {

// The character-size flag for a byte size, or nothing for a size the terminal has no flag for.
std::optional<tcflag_t> SizeFlags(int byteSize) {
  switch (byteSize) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    case 8:
      return CS8;
    default:
      return std::nullopt;
  }
}

// The parity flags (CMSPAR for mark and space, the sticky parity), or nothing for an unknown one.
std::optional<tcflag_t> ParityFlags(SerialParity parity) {
  switch (parity) {
    case SerialParity::None:
      return tcflag_t{0};
    case SerialParity::Odd:
      return tcflag_t{PARENB | PARODD};
    case SerialParity::Even:
      return tcflag_t{PARENB};
    case SerialParity::Mark:
      return tcflag_t{PARENB | PARODD | CMSPAR};
    case SerialParity::Space:
      return tcflag_t{PARENB | CMSPAR};
  }
  return std::nullopt;
}

// The stop-bit flag. A UART sends one and a half stop bits where it is asked for two with five
// data bits; with more data bits there is no such setting.
std::optional<tcflag_t> StopFlags(SerialStopBits stopBits, int byteSize) {
  switch (stopBits) {
    case SerialStopBits::One:
      return tcflag_t{0};
    case SerialStopBits::Two:
      return tcflag_t{CSTOPB};
    case SerialStopBits::OneAndHalf:
      if (byteSize != 5) return std::nullopt;
      return tcflag_t{CSTOPB};
  }
  return std::nullopt;
}

// Raw mode: bytes pass unchanged in both directions; one byte completes a read.
void MakeRaw(termios& attributes) {
  attributes.c_iflag &= ~(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR |
                          ICRNL | IXON | IXOFF | IXANY | IUCLC | IMAXBEL);
  attributes.c_oflag &= ~OPOST;
  attributes.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
  attributes.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  attributes.c_cc[VMIN] = 1;
  attributes.c_cc[VTIME] = 0;
}

}  // namespace

bool ApplyLineSettings(const SerialLineSettings& settings, termios& attributes, bool& customSpeed) {
  if (!LineSettingsSupported(settings)) return Refuse();
  const std::optional<tcflag_t> size = SizeFlags(settings.byteSize);
  const std::optional<tcflag_t> parity = ParityFlags(settings.parity);
  const std::optional<tcflag_t> stop = StopFlags(settings.stopBits, settings.byteSize);
  if (!size || !parity || !stop) return Refuse();

  MakeRaw(attributes);
  attributes.c_cflag |= CLOCAL | CREAD | *size | *parity | *stop;
  if (settings.rtsCts) attributes.c_cflag |= CRTSCTS;
  // With parity on, a byte received with an error is marked so that the read path can replace
  // it; without replacement the driver checks nothing and passes every byte as it came.
  if (*parity != 0 && settings.replaceParityErrors) attributes.c_iflag |= INPCK | PARMRK;
  if (settings.xonXoffOut) attributes.c_iflag |= IXON;
  if (settings.xonXoffIn) attributes.c_iflag |= IXOFF;

  const speed_t speed = StandardSpeed(settings.baudRate);
  customSpeed = speed == B0;
  if (!customSpeed) {
    cfsetispeed(&attributes, speed);
    cfsetospeed(&attributes, speed);
  }
  return true;
}

}  // namespace platform
