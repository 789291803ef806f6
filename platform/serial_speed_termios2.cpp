// Speeds through termios2. Its header declares its own struct termios, so this file must not see
// <termios.h>; ioctl is declared by hand for the same reason.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

#include "platform/last_error.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace platform {

bool SetCustomSpeed(int fd, int baudRate) {
  struct termios2 attributes {};
  if (ioctl(fd, TCGETS2, &attributes) != 0) return FailWithErrno();
  attributes.c_cflag &= ~CBAUD;
  attributes.c_cflag |= BOTHER;
  attributes.c_cflag &= ~(CBAUD << IBSHIFT);
  attributes.c_cflag |= BOTHER << IBSHIFT;
  attributes.c_ispeed = static_cast<speed_t>(baudRate);
  attributes.c_ospeed = static_cast<speed_t>(baudRate);
  if (ioctl(fd, TCSETS2, &attributes) != 0) return FailWithErrno();
  return true;
}

bool ReadSpeeds(int fd, int& input, int& output) {
  struct termios2 attributes {};
  if (ioctl(fd, TCGETS2, &attributes) != 0) return FailWithErrno();
  input = static_cast<int>(attributes.c_ispeed);
  output = static_cast<int>(attributes.c_ospeed);
  return true;
}

}  // namespace platform
