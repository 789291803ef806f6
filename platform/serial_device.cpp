#include "platform/serial_device.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <utility>

#include "platform/last_error.h"
#include "platform/modem_line_watcher.h"
#include "platform/parity_marks.h"
#include "platform/serial_port_names.h"
#include "platform/serial_termios_settings.h"
#include "platform/serial_write_queue.h"
#include "platform/unique_fd.h"
#include "platform/wake_event.h"

namespace platform {
namespace {

// A pty ignores the byte size and parity it is asked for. Asked again for framing it has already
// put aside, with nothing else new, the system refuses with EINVAL although the port already
// holds everything of the request that it can hold; that is the same outcome as the first
// request, which succeeded, so it counts as success.
bool HoldsAllButFraming(int fd, const termios& wanted) {
  termios held{};
  if (tcgetattr(fd, &held) != 0) return false;
  const tcflag_t framing = CSIZE | PARENB | PARODD | CMSPAR;
  return held.c_iflag == wanted.c_iflag && held.c_oflag == wanted.c_oflag &&
         held.c_lflag == wanted.c_lflag &&
         (held.c_cflag & ~framing) == (wanted.c_cflag & ~framing) &&
         held.c_cc[VMIN] == wanted.c_cc[VMIN] && held.c_cc[VTIME] == wanted.c_cc[VTIME] &&
         cfgetispeed(&held) == cfgetispeed(&wanted) && cfgetospeed(&held) == cfgetospeed(&wanted);
}

class TermiosSerialDevice final : public SerialDevice {
 public:
  explicit TermiosSerialDevice(UniqueFd fd)
      : fd_(std::move(fd)),
        writer_(fd_.get(), shutdown_, kSerialWriteQueueLimit),
        watcher_(fd_.get(), modemChanged_) {}

  // The descriptor, the first member, is closed last: after the writer and the watcher, which
  // use it, have stopped.
  ~TermiosSerialDevice() override { Shutdown(); }

  bool EventsReady() const {
    return shutdown_.IsValid() && modemChanged_.IsValid() && interrupt_.IsValid();
  }

  bool SetQueueSizes(std::size_t input, std::size_t output) override {
    if (input == 0 || output == 0) {
      SetLastError(EINVAL);
      return false;
    }
    return true;
  }

  bool Configure(const SerialLineSettings& settings) override {
    termios attributes{};
    if (tcgetattr(fd_.get(), &attributes) != 0) return FailWithErrno();
    bool customSpeed = false;
    if (!ApplyLineSettings(settings, attributes, customSpeed)) return false;
    if (tcsetattr(fd_.get(), TCSANOW, &attributes) != 0 &&
        (errno != EINVAL || !HoldsAllButFraming(fd_.get(), attributes)))
      return FailWithErrno();
    if (customSpeed && !SetCustomSpeed(fd_.get(), settings.baudRate)) return false;
    decodeMarks_ = settings.parity != SerialParity::None && settings.replaceParityErrors;
    decoder_ = ParityMarkDecoder(settings.errorChar);
    return true;
  }

  long Read(char* buffer, std::size_t capacity) override {
    for (;;) {
      const ssize_t count = read(fd_.get(), buffer, capacity);
      if (count > 0) {
        if (!decodeMarks_) return count;
        const std::size_t decoded =
            decoder_.Decode(buffer, static_cast<std::size_t>(count), buffer);
        // A read that held only the start of a mark gives nothing yet; read on.
        if (decoded == 0) continue;
        return static_cast<long>(decoded);
      }
      if (count == 0) {
        // End of file: the other side hung up (an unplugged adapter, a closed pty master).
        SetLastError(EIO);
        return -1;
      }
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return 0;
      FailWithErrno();
      return -1;
    }
  }

  SerialWaitResult Wait(bool watchInput,
                        std::optional<std::chrono::milliseconds> timeout) override {
    pollfd watched[4] = {{watchInput ? fd_.get() : -1, POLLIN, 0},
                         {shutdown_.Descriptor(), POLLIN, 0},
                         {modemChanged_.Descriptor(), POLLIN, 0},
                         {interrupt_.Descriptor(), POLLIN, 0}};
    const int wait = timeout ? static_cast<int>(timeout->count()) : -1;
    SerialWaitResult result;
    if (poll(watched, 4, wait) <= 0) return result;
    result.input = watched[0].revents != 0;
    // The shutdown event is never consumed: every later wait sees it too.
    result.shutDown = watched[1].revents != 0;
    if (watched[2].revents != 0) result.modemChanged = modemChanged_.Consume();
    if (watched[3].revents != 0) result.interrupted = interrupt_.Consume();
    return result;
  }

  void Interrupt() override { interrupt_.Signal(); }

  void Shutdown() override {
    std::lock_guard lock(shutdownMutex_);
    if (isShutDown_) return;
    isShutDown_ = true;
    shutdown_.Signal();
    writer_.Stop();
    watcher_.Stop();
    // Release the port now rather than when the last user lets go of this object: the number
    // stays taken (by /dev/null), so a thread still holding it never reaches another file.
    ioctl(fd_.get(), TIOCNXCL);
    const UniqueFd null(open("/dev/null", O_RDWR | O_CLOEXEC));
    if (null.valid()) dup3(null.get(), fd_.get(), O_CLOEXEC);
  }

  bool ReadModemLines(ModemLines& lines) override {
    lines = {};
    int status = 0;
    if (ioctl(fd_.get(), TIOCMGET, &status) != 0) return FailWithErrno();
    lines.cts = (status & TIOCM_CTS) != 0;
    lines.dsr = (status & TIOCM_DSR) != 0;
    lines.ring = (status & TIOCM_RNG) != 0;
    lines.rlsd = (status & TIOCM_CD) != 0;
    return true;
  }

  bool SetDtr(bool on) override { return SetLine(TIOCM_DTR, on); }
  bool SetRts(bool on) override { return SetLine(TIOCM_RTS, on); }

  std::uint64_t QueueWrite(std::string_view bytes) override { return writer_.Queue(bytes); }

  bool WaitWritten(std::uint64_t ticket, std::chrono::milliseconds timeout) override {
    return writer_.WaitWritten(ticket, timeout);
  }

  int Descriptor() const override { return fd_.get(); }
  int ModemChangeDescriptor() const override { return modemChanged_.Descriptor(); }

  long WriteAvailable(const char* bytes, std::size_t length) override {
    for (;;) {
      const ssize_t count = write(fd_.get(), bytes, length);
      if (count >= 0) return count;
      if (errno == EINTR) continue;
      if (errno == EAGAIN) return 0;
      FailWithErrno();
      return -1;
    }
  }

  bool SetBreak(bool on) override {
    if (ioctl(fd_.get(), on ? TIOCSBRK : TIOCCBRK) != 0) return FailWithErrno();
    return true;
  }

  bool DiscardInput() override {
    if (tcflush(fd_.get(), TCIFLUSH) != 0) return FailWithErrno();
    return true;
  }

  bool DiscardOutput() override {
    if (tcflush(fd_.get(), TCOFLUSH) != 0) return FailWithErrno();
    return true;
  }

  bool ReadErrorCounts(SerialErrorCounts& counts) override {
    serial_icounter_struct icount{};
    if (ioctl(fd_.get(), TIOCGICOUNT, &icount) != 0) return FailWithErrno();
    counts.frame = static_cast<std::uint32_t>(icount.frame);
    counts.overrun = static_cast<std::uint32_t>(icount.overrun);
    counts.parity = static_cast<std::uint32_t>(icount.parity);
    counts.breaks = static_cast<std::uint32_t>(icount.brk);
    counts.bufferOverrun = static_cast<std::uint32_t>(icount.buf_overrun);
    return true;
  }

 private:
  bool SetLine(int line, bool on) {
    if (ioctl(fd_.get(), on ? TIOCMBIS : TIOCMBIC, &line) != 0) return FailWithErrno();
    return true;
  }

  const UniqueFd fd_;
  WakeEvent shutdown_;
  WakeEvent modemChanged_;
  WakeEvent interrupt_;
  // Read path state, used by the reading thread only.
  bool decodeMarks_ = false;
  ParityMarkDecoder decoder_;

  std::mutex shutdownMutex_;
  bool isShutDown_ = false;
  SerialWriteQueue writer_;
  ModemLineWatcher watcher_;
};

class SystemPorts final : public SerialDeviceOpener {
 public:
  std::shared_ptr<SerialDevice> Open(const std::string& name) override {
    const std::string path = SerialDevicePath(name);
    UniqueFd fd(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
      FailWithErrno();
      return nullptr;
    }
    // Exclusive use: TIOCEXCL turns away later opens, the lock also those of the superuser.
    if (ioctl(fd.get(), TIOCEXCL) != 0 || flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
      SetLastError(errno == EWOULDBLOCK ? EBUSY : errno);
      return nullptr;
    }
    auto device = std::make_shared<TermiosSerialDevice>(std::move(fd));
    if (!device->EventsReady()) return nullptr;
    return device;
  }
};

}  // namespace

long SerialDevice::WriteAvailable(const char*, std::size_t) {
  SetLastError(ENOTSUP);
  return -1;
}

bool SerialDevice::SetBreak(bool) {
  SetLastError(ENOTSUP);
  return false;
}

bool SerialDevice::DiscardInput() {
  SetLastError(ENOTSUP);
  return false;
}

bool SerialDevice::DiscardOutput() {
  SetLastError(ENOTSUP);
  return false;
}

bool SerialDevice::ReadErrorCounts(SerialErrorCounts&) {
  SetLastError(ENOTTY);
  return false;
}

SerialDeviceOpener& SystemSerialPorts() {
  static SystemPorts ports;
  return ports;
}

}  // namespace platform
