#pragma once
// Serial ports. A SerialDevice is one open port: line settings, plain non-blocking reads, a wait
// for input, a modem-line change or the port being shut down, modem status, DTR and RTS, and a
// background write queue. The port engine reaches ports only through this interface, so that a
// test can put a fake port in place where a pseudo-terminal has no modem lines.
//
// Every failing call stores its error as the calling thread's last error (platform/last_error.h).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/serial_line_settings.h"

namespace platform {

// The four modem input lines.
struct ModemLines {
  bool cts = false;
  bool dsr = false;
  bool ring = false;
  bool rlsd = false;
};

// The driver's counts of receive errors since the port was opened.
struct SerialErrorCounts {
  std::uint32_t frame = 0;
  std::uint32_t overrun = 0;  // the hardware lost a byte
  std::uint32_t parity = 0;
  std::uint32_t breaks = 0;
  std::uint32_t bufferOverrun = 0;  // the driver's buffer lost a byte
};

// What ended a wait. Several may hold at once; none means the time passed.
struct SerialWaitResult {
  bool input = false;         // bytes (or a hang-up) are waiting to be read
  bool modemChanged = false;  // CTS, DSR, RING or RLSD changed since the last wait reported it
  bool interrupted = false;   // Interrupt() was called since the last wait reported it
  bool shutDown = false;      // the port was shut down; stays true for every later wait
};

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;

  // Driver queue sizes: accepted as asked, the engine keeps its own input queue.
  virtual bool SetQueueSizes(std::size_t input, std::size_t output) = 0;

  // Raw mode and the line settings. EINVAL for a setting the port cannot take.
  virtual bool Configure(const SerialLineSettings& settings) = 0;

  // Reads what has arrived, without blocking, parity marks already decoded: the count, 0 when
  // nothing is waiting, -1 on failure (EIO when the port hung up).
  virtual long Read(char* buffer, std::size_t capacity) = 0;

  // Waits for the events above. Input is watched only when `watchInput` is set; no timeout means
  // waiting until something happens.
  virtual SerialWaitResult Wait(bool watchInput,
                                std::optional<std::chrono::milliseconds> timeout) = 0;

  // Ends the current or next Wait with `interrupted`; safe from any thread.
  virtual void Interrupt() = 0;

  // Wakes every thread waiting on the port, drops what is queued for writing and releases the
  // port at once, so that it can be opened again. Safe from any thread; later calls do nothing.
  virtual void Shutdown() = 0;

  virtual bool ReadModemLines(ModemLines& lines) = 0;
  virtual bool SetDtr(bool on) = 0;
  virtual bool SetRts(bool on) = 0;

  // Queues a copy of `bytes` to be written after the blocks queued before it. Returns a ticket
  // for WaitWritten, or 0 on failure (EAGAIN when more than 1 MiB waits already; the port's own
  // error once it has failed or was shut down).
  virtual std::uint64_t QueueWrite(std::string_view bytes) = 0;

  // Waits until the block of `ticket` has been written, up to `timeout`. False when the time
  // passed first or the port failed or was shut down.
  virtual bool WaitWritten(std::uint64_t ticket, std::chrono::milliseconds timeout) = 0;

  // For an owner that drives the port from its thread's readiness loop instead of waiting on
  // threads of its own. The descriptor polls readable while Read has bytes or a hang-up to
  // report, and writable while WriteAvailable would take bytes; -1 when the port has none.
  virtual int Descriptor() const { return -1; }
  // Polls readable after a modem-line change until a Wait reports it; -1 when the port has none.
  virtual int ModemChangeDescriptor() const { return -1; }
  // Writes what the port takes now, without waiting and outside the write queue (an owner uses
  // one or the other): the count, 0 when the port takes nothing now, -1 on failure.
  virtual long WriteAvailable(const char* bytes, std::size_t length);
  // Holds the transmit line in the break state, or releases it.
  virtual bool SetBreak(bool on);
  // Drops what the driver has received and not yet handed to Read, or what it holds for sending.
  virtual bool DiscardInput();
  virtual bool DiscardOutput();
  // The receive error counts; false (ENOTTY) for a port that keeps none, such as a pty.
  virtual bool ReadErrorCounts(SerialErrorCounts& counts);
};

// Opens ports by name. Null (last error set) when the port cannot be opened.
class SerialDeviceOpener {
 public:
  virtual ~SerialDeviceOpener() = default;
  virtual std::shared_ptr<SerialDevice> Open(const std::string& name) = 0;
};

// The system's ports on termios, found by name as platform/serial_port_names.h tells. The port is
// opened for exclusive use; one in use fails with EBUSY.
SerialDeviceOpener& SystemSerialPorts();

// The most bytes that may wait in a port's write queue before the next block is refused.
constexpr std::size_t kSerialWriteQueueLimit = 1024 * 1024;

}  // namespace platform
