#pragma once
// The port engine: one serial port with the settings the user chose, a receive thread that hands
// every received block to the window, and writes, DTR, RTS and the modem lines for the window.
//
// The window owns one SerialPort. It fills in the settings and calls OpenPort, WritePort,
// ApplyDtr, ApplyRts, ReadLineState and ClosePort on its own thread. The receive thread posts
// WM_SERIAL_EVENT (first parameter: the port's Id(), never its address) for each notification;
// the window's handler matches the id against its own port, calls TakeNotification, shows what
// it holds, and answers with Acknowledge. A message whose port has gone names no live port and
// is dropped. The receive thread
// starts no new block before that answer (or before the handshake limit has passed), and each
// notification owns its bytes, so a late answer never reads a block that is being refilled.
//
// No window system is needed here: messages go out through platform::MessagePoster.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/serial_device.h"
#include "platform/window_messages.h"

namespace serial {

// Posted by the receive thread: received data, a modem-line change, or an error report.
constexpr unsigned WM_SERIAL_EVENT = 0x400 + 123;

// One notification never carries more bytes than this; it is also the size of the input queue.
constexpr std::size_t kReceiveBlockLimit = 102400;
// The most a window hands to WritePort at once.
constexpr std::size_t kTransmitBlockLimit = 102400;
// The most characters of an error text.
constexpr std::size_t kErrorTextLimit = 255;
// The longest port name used.
constexpr std::size_t kPortNameLimit = 63;

// What one WM_SERIAL_EVENT hands to the window. A non-empty errorText is an error report;
// otherwise rxBlock holds the received bytes (possibly none: then only a line changed).
struct SerialNotification {
  std::string rxBlock;
  std::string errorText;
  std::size_t rxLength() const { return rxBlock.size(); }
};

// The four modem input lines as 0 or 1.
struct LineState {
  int cts = 0;
  int dsr = 0;
  int ring = 0;
  int rlsd = 0;
};

// The engine's waits. The defaults are the working values; tests shorten them.
struct SerialTimings {
  std::chrono::milliseconds coalescePause{50};      // lets a burst join one block
  std::chrono::milliseconds handshakeLimit{10000};  // the longest wait for the window's answer
  std::chrono::milliseconds reopenPause{1000};      // between attempts to reopen a lost port
  std::chrono::milliseconds writeWait{1000};        // after this a write counts as sent
};

// The caption followed by the system's text for `code`, as "%s(%s)", cut to 255 bytes at a
// character boundary.
std::string PortErrorText(std::string_view caption, int code);

class SerialPort {
 public:
  explicit SerialPort(platform::MessagePoster& notifyWindow,
                      platform::SerialDeviceOpener& ports = platform::SystemSerialPorts(),
                      SerialTimings timings = {});
  // Closes the port, wakes the receive thread and joins it.
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Settings, filled in by the window before OpenPort. The codes are the window's list positions:
  // parity 0 none, 1 odd, 2 even, 3 mark, 4 space; stop bits 0 one, 1 one and a half, 2 two.
  std::string portName;  // at most 63 bytes are used
  int baudRate = 0;
  int parity = 0;
  int stopBits = 0;
  int byteSize = 0;
  int xonXoffOut = 0;
  int xonXoffIn = 0;
  char errorChar = 0;  // replaces a byte received with a parity error

  // The window's error text: set by a failing OpenPort or WritePort, emptied by the window once
  // shown. The receive thread's errors come in notifications instead.
  std::string errorText;

  // The block to transmit and its length, for WritePort.
  std::vector<char> txBlock = std::vector<char>(kTransmitBlockLimit);
  int txLength = 0;

  // Opens and configures the port and starts its receive thread. False with errorText set when
  // it fails, or false and nothing touched while another OpenPort of this port is running.
  bool OpenPort();

  // The disconnect: the port is closed at once and for good; a receive thread ends by itself
  // (after one last empty notification when it was waiting for input), even one that was busy
  // reopening a lost port. What is still queued for writing is dropped.
  void ClosePort();

  // Writes txLength bytes of txBlock (queued as a copy, written in order in the background).
  // Waits up to a second for them; a write still held up after that counts as sent. True also
  // when the port is closed or there is nothing to write; false with errorText set when the
  // write is refused, when it fails within the wait (a port that hung up), and while a lost
  // port is being reopened.
  bool WritePort();

  // Drive the output lines while the port is open; nothing happens otherwise.
  void ApplyDtr(bool on);
  void ApplyRts(bool on);

  // The modem input lines; all 0 when the port is closed or has no modem lines.
  LineState ReadLineState();

  // Sets errorText to `caption` with the calling thread's last error, and returns it.
  const std::string& SetPortError(std::string_view caption);

  // The id that this port's messages carry (platform::NewMessageTargetId): never used again.
  std::uintptr_t Id() const { return id_; }

  // The port is open and usable (false while a lost port is being reopened).
  bool isOpen() const;
  // The receive thread is wanted: the port was opened and not closed since.
  bool keepReading() const;

  // The oldest notification not yet taken; one for each WM_SERIAL_EVENT posted.
  std::optional<SerialNotification> TakeNotification();
  // The window's answer to a notification (the consumed event): the receive thread goes on.
  void Acknowledge();

 private:
  struct Settings {
    std::optional<std::string> path;  // nothing when the name cannot be a file name
    platform::SerialLineSettings line;
  };
  class Receiver;

  Settings CurrentSettings() const;
  // Opens and configures a device; null with `error` set when that fails.
  std::shared_ptr<platform::SerialDevice> OpenDevice(const Settings& settings,
                                                     std::string& error) const;
  // Starts the receive thread of `session` (ReceiveThread); false when no thread can be had.
  bool StartReceiveThread(std::uint64_t session, const Settings& settings,
                          std::shared_ptr<platform::SerialDevice> device);
  void JoinFinishedThreads();

  // What the receive thread asks of the port; each takes mutex_.
  enum class Reopen { Opened, Failed, Closed };
  Reopen ReopenFor(std::uint64_t session, const Settings& settings,
                   std::shared_ptr<platform::SerialDevice>& device, std::string& error);
  bool SessionOpen(std::uint64_t session) const;    // isOpen for this thread's session
  bool SessionWanted(std::uint64_t session) const;  // keepReading for it
  // Queues a notification and posts WM_SERIAL_EVENT; returns the ticket that Answered checks.
  std::uint64_t PostNotification(SerialNotification notification);
  bool Answered(std::uint64_t ticket) const;
  // Waits until `ticket` is answered, the port is being destroyed, or `until`.
  void WaitForAnswer(std::uint64_t ticket, std::chrono::steady_clock::time_point until);
  // Sleeps until `until` unless the session stops being wanted first.
  void SleepUnlessClosed(std::uint64_t session, std::chrono::steady_clock::time_point until);

  const std::uintptr_t id_;
  platform::MessagePoster& notifyWindow_;
  platform::SerialDeviceOpener& ports_;
  const SerialTimings timings_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::uint64_t session_ = 0;  // changes at every OpenPort and ClosePort of the window
  bool isOpen_ = false;
  bool keepReading_ = false;
  bool opening_ = false;  // an OpenPort of this port is running
  bool destroying_ = false;
  std::shared_ptr<platform::SerialDevice> device_;
  std::deque<SerialNotification> mailbox_;
  std::uint64_t posted_ = 0;
  std::uint64_t answered_ = 0;

  // Receive threads, the window's thread only. A thread whose port was closed may still be
  // waiting for the answer to its last notification, so threads are joined once they end.
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
  };
  std::vector<Worker> workers_;
};

}  // namespace serial
