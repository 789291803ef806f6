#include "platform/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace platform {
namespace {

int SpeedInBits(speed_t speed) {
  switch (speed) {
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    default:
      return 0;
  }
}

}  // namespace

PseudoTerminalPair::PseudoTerminalPair(bool keepSlave) {
  int masterFd = -1;
  int slaveFd = -1;
  char name[256] = {};
  if (openpty(&masterFd, &slaveFd, name, nullptr, nullptr) != 0) return;
  UniqueFd master(masterFd);
  UniqueFd slave(slaveFd);
  // Raw from the start, so that nothing written before the port is configured is echoed.
  termios attributes{};
  if (tcgetattr(slave.get(), &attributes) == 0) {
    cfmakeraw(&attributes);
    tcsetattr(slave.get(), TCSANOW, &attributes);
  }
  fcntl(master.get(), F_SETFL, fcntl(master.get(), F_GETFL) | O_NONBLOCK);
  fcntl(master.get(), F_SETFD, FD_CLOEXEC);
  master_ = std::move(master);
  slavePath_ = name;
  if (keepSlave) {
    fcntl(slave.get(), F_SETFD, FD_CLOEXEC);
    slave_ = std::move(slave);
  }
}

bool PseudoTerminalPair::Write(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t count = write(master_.get(), bytes.data() + done, bytes.size() - done);
    if (count > 0) {
      done += static_cast<std::size_t>(count);
      continue;
    }
    if (count < 0 && errno != EAGAIN && errno != EINTR) return false;
    pollfd watched{master_.get(), POLLOUT, 0};
    if (poll(&watched, 1, 5000) <= 0) return false;
  }
  return true;
}

std::string PseudoTerminalPair::Read(std::size_t count, std::chrono::milliseconds timeout) {
  std::string got;
  const auto until = std::chrono::steady_clock::now() + timeout;
  char buffer[4096];
  while (got.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd watched{master_.get(), POLLIN, 0};
    if (poll(&watched, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t n = read(master_.get(), buffer, sizeof buffer);
    if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    if (n < 0 && errno != EAGAIN && errno != EINTR) break;
  }
  return got;
}

void PseudoTerminalPair::CloseMaster() {
  master_.reset();
}

bool PseudoTerminalPair::MakeSlaveCooked() {
  termios attributes{};
  if (!slave_.valid() || tcgetattr(slave_.get(), &attributes) != 0) return false;
  attributes.c_lflag |= ECHO | ICANON;
  attributes.c_oflag |= OPOST;
  return tcsetattr(slave_.get(), TCSANOW, &attributes) == 0;
}

std::optional<TerminalModes> PseudoTerminalPair::SlaveModes() const {
  termios attributes{};
  if (!slave_.valid() || tcgetattr(slave_.get(), &attributes) != 0) return std::nullopt;
  TerminalModes modes;
  modes.echo = (attributes.c_lflag & ECHO) != 0;
  modes.canonical = (attributes.c_lflag & ICANON) != 0;
  modes.outputProcessing = (attributes.c_oflag & OPOST) != 0;
  modes.xonXoffOut = (attributes.c_iflag & IXON) != 0;
  modes.xonXoffIn = (attributes.c_iflag & IXOFF) != 0;
  modes.outputSpeed = SpeedInBits(cfgetospeed(&attributes));
  return modes;
}

}  // namespace platform
