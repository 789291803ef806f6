// The receive thread (ReceiveThread): waits for input or a modem-line change, gathers each burst
// into one block with short pauses, hands every block to the window and waits for its answer,
// and reopens a port that was lost until it comes back or the user closes it.
//
// While it pauses or waits for the window, the thread keeps moving arriving bytes from the device
// into its input queue, so that a fast line never overruns the terminal's small buffer.

#include <algorithm>
#include <cmath>
#include <system_error>

#include "platform/cp932.h"
#include "platform/last_error.h"
#include "platform/thread_priority.h"
#include "serial/engine/input_queue.h"
#include "serial/engine/serial_port.h"

namespace serial {

using Clock = std::chrono::steady_clock;

class SerialPort::Receiver {
 public:
  Receiver(SerialPort& port, std::uint64_t session, Settings settings,
           std::shared_ptr<platform::SerialDevice> device)
      : port_(port),
        session_(session),
        settings_(std::move(settings)),
        device_(std::move(device)),
        queue_(kReceiveBlockLimit) {}

  void Run();

 private:
  enum class Event { Input, LineChange, Closed, Failed };
  enum class Outcome { GoOn, End };

  Event WaitForEvent();
  Outcome CollectBlock();
  void Pause(std::size_t collected);
  Outcome Recover(std::string_view caption, bool afterRead, const std::string& collected);
  void NotifyWindow(SerialNotification notification);

  // Waits on the device up to `until` (or without limit), then moves what arrived.
  void WaitOnDevice(std::optional<Clock::time_point> until);
  // Moves what the device holds into the queue; a failure is kept in failure_.
  void Drain();
  bool DeviceUsable() const { return device_ && !deviceShutDown_ && failure_ == 0; }

  SerialPort& port_;
  const std::uint64_t session_;
  const Settings settings_;
  std::shared_ptr<platform::SerialDevice> device_;
  InputQueue queue_;
  bool deviceShutDown_ = false;
  bool lineChanged_ = false;  // a modem-line change seen while busy, for the next wait
  int failure_ = 0;           // the device's error, not yet reported
};

void SerialPort::Receiver::Run() {
  platform::LowerCurrentThreadPriority();
  while (port_.SessionOpen(session_)) {
    switch (WaitForEvent()) {
      case Event::Failed:
        if (Recover(platform::Cp932("RS232C Read Error"), false, {}) == Outcome::End) return;
        break;
      case Event::Input:
        if (CollectBlock() == Outcome::End) return;
        break;
      case Event::LineChange:
      case Event::Closed:
        // A line changed, or the port was closed: an empty notification.
        NotifyWindow({});
        break;
    }
  }
}

SerialPort::Receiver::Event SerialPort::Receiver::WaitForEvent() {
  for (;;) {
    if (failure_ != 0) return Event::Failed;
    // Bytes left in the queue (a full block left them, or they came while the window had the
    // last one) start a block at once rather than waiting for the next arrival.
    if (queue_.Size() > 0) return Event::Input;
    if (lineChanged_) {
      lineChanged_ = false;
      return Event::LineChange;
    }
    if (!DeviceUsable()) return Event::Closed;
    WaitOnDevice(std::nullopt);
  }
}

SerialPort::Receiver::Outcome SerialPort::Receiver::CollectBlock() {
  std::string collected;
  collected.reserve(kReceiveBlockLimit);
  for (;;) {
    if (DeviceUsable()) Drain();
    if (failure_ != 0) return Recover(platform::Cp932("RS232C ReadFile Error"), true, collected);
    const std::size_t queued = queue_.Size();
    // The block is complete when nothing more came, or when what waits would not fit in it whole.
    if (queued == 0 || queued + collected.size() > kReceiveBlockLimit) break;
    const std::size_t before = collected.size();
    collected.resize(before + queued);
    queue_.Take(collected.data() + before, queued);
    // A full block can take nothing more, so waiting would change nothing.
    if (collected.size() == kReceiveBlockLimit) break;
    Pause(collected.size());
  }
  // Bytes of a port closed meanwhile are dropped.
  if (!collected.empty() && port_.SessionOpen(session_))
    NotifyWindow({std::move(collected), std::string()});
  return Outcome::GoOn;
}

void SerialPort::Receiver::Pause(std::size_t collected) {
  const Clock::time_point until = Clock::now() + port_.timings_.coalescePause;
  // Only this thread takes from the queue, so once what waits would overflow the block, the block
  // is complete whatever else arrives: the pause ends there.
  while (DeviceUsable() && queue_.Size() + collected <= kReceiveBlockLimit && Clock::now() < until)
    WaitOnDevice(until);
}

SerialPort::Receiver::Outcome SerialPort::Receiver::Recover(std::string_view caption,
                                                            bool afterRead,
                                                            const std::string& collected) {
  // A failure caused by the user's close ends the thread without a report.
  const bool closed = afterRead ? !port_.SessionOpen(session_) : !port_.SessionWanted(session_);
  if (closed) return Outcome::End;

  NotifyWindow({std::string(), PortErrorText(caption, failure_)});
  for (;;) {
    std::string error;
    switch (port_.ReopenFor(session_, settings_, device_, error)) {
      case Reopen::Opened:
        failure_ = 0;
        deviceShutDown_ = false;
        queue_.Clear();
        // What was collected before a failed read still reaches the window.
        if (!collected.empty() && port_.SessionOpen(session_))
          NotifyWindow({collected, std::string()});
        return Outcome::GoOn;
      case Reopen::Closed:
        return Outcome::End;
      case Reopen::Failed:
        break;
    }
    NotifyWindow({std::string(), error});
    port_.SleepUnlessClosed(session_, Clock::now() + port_.timings_.reopenPause);
    if (!port_.SessionWanted(session_)) return Outcome::End;
  }
}

void SerialPort::Receiver::NotifyWindow(SerialNotification notification) {
  const std::uint64_t ticket = port_.PostNotification(std::move(notification));
  const Clock::time_point until = Clock::now() + port_.timings_.handshakeLimit;
  // No new block before the window has answered, or before the limit has passed.
  while (!port_.Answered(ticket) && Clock::now() < until) {
    if (DeviceUsable()) {
      WaitOnDevice(until);
    } else {
      port_.WaitForAnswer(ticket, until);
    }
  }
}

void SerialPort::Receiver::WaitOnDevice(std::optional<Clock::time_point> until) {
  std::optional<std::chrono::milliseconds> timeout;
  if (until) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - Clock::now());
    timeout = std::max(left, std::chrono::milliseconds(0));
  }
  const platform::SerialWaitResult result = device_->Wait(!queue_.Full(), timeout);
  if (result.shutDown) deviceShutDown_ = true;
  if (result.modemChanged) lineChanged_ = true;
  if (result.input && !result.shutDown) Drain();
}

void SerialPort::Receiver::Drain() {
  while (!queue_.Full()) {
    std::size_t space = 0;
    char* into = queue_.WriteSpace(space);
    const long count = device_->Read(into, space);
    if (count < 0) {
      failure_ = platform::LastError() != 0 ? platform::LastError() : EIO;
      return;
    }
    if (count == 0) return;
    queue_.Commit(static_cast<std::size_t>(count));
  }
}

bool SerialPort::StartReceiveThread(std::uint64_t session, const Settings& settings,
                                    std::shared_ptr<platform::SerialDevice> device) {
  auto receiver = std::make_unique<Receiver>(*this, session, settings, std::move(device));
  auto finished = std::make_shared<std::atomic<bool>>(false);
  try {
    std::thread thread([receiver = std::move(receiver), finished] {
      receiver->Run();
      finished->store(true);
    });
    workers_.push_back({std::move(thread), finished});
  } catch (const std::system_error& error) {
    platform::SetLastError(error.code().value());
    return false;
  }
  return true;
}

}  // namespace serial
