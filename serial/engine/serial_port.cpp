#include "serial/engine/serial_port.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "platform/cp932.h"
#include "platform/last_error.h"

namespace serial {
namespace {

// An empty name, or one of blanks only.
bool IsBlank(std::string_view name) {
  return std::all_of(name.begin(), name.end(), [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
  });
}

}  // namespace

std::string PortErrorText(std::string_view caption, int code) {
  std::string full(caption);
  full += '(';
  full += platform::SystemMessageText(code);
  full += ')';
  // Cut at the limit without splitting a double-byte character.
  std::size_t kept = 0;
  while (kept < full.size()) {
    const unsigned char byte = static_cast<unsigned char>(full[kept]);
    const bool pair = platform::IsLeadByte(byte) && kept + 1 < full.size() &&
                      platform::IsTrailByte(static_cast<unsigned char>(full[kept + 1]));
    const std::size_t width = pair ? 2 : 1;
    if (kept + width > kErrorTextLimit) break;
    kept += width;
  }
  full.resize(kept);
  return full;
}

SerialPort::SerialPort(platform::MessagePoster& notifyWindow, platform::SerialDeviceOpener& ports,
                       SerialTimings timings)
    : id_(platform::NewMessageTargetId()),
      notifyWindow_(notifyWindow),
      ports_(ports),
      timings_(timings) {}

SerialPort::~SerialPort() {
  {
    std::lock_guard lock(mutex_);
    destroying_ = true;
  }
  ClosePort();
  for (Worker& worker : workers_) worker.thread.join();
}

SerialPort::Settings SerialPort::CurrentSettings() const {
  Settings settings;
  // Names come from the window in CP932; the system wants native bytes.
  settings.path = platform::Cp932ToUtf8Exact(std::string_view(portName).substr(0, kPortNameLimit));
  platform::SerialLineSettings& line = settings.line;
  line.baudRate = baudRate;
  line.byteSize = byteSize;
  // The window's positions are the codes; one outside the list is refused by the device.
  line.parity = static_cast<platform::SerialParity>(parity);
  line.stopBits = static_cast<platform::SerialStopBits>(stopBits);
  line.xonXoffOut = (xonXoffOut & 1) != 0;
  line.xonXoffIn = (xonXoffIn & 1) != 0;
  line.errorChar = parity != 0 ? errorChar : 0;
  return settings;
}

std::shared_ptr<platform::SerialDevice> SerialPort::OpenDevice(const Settings& settings,
                                                               std::string& error) const {
  if (!settings.path) {
    error = PortErrorText(platform::Cp932("RS232C Open Error"), EINVAL);
    return nullptr;
  }
  // An empty or blank name names no port. Looked up as a device name it would lead to the
  // device folder itself, and the line would tell of a folder rather than of a missing port.
  if (IsBlank(*settings.path)) {
    error = PortErrorText(platform::Cp932("RS232C Open Error"), ENOENT);
    return nullptr;
  }
  std::shared_ptr<platform::SerialDevice> device = ports_.Open(*settings.path);
  if (!device) {
    error = PortErrorText(platform::Cp932("RS232C Open Error"), platform::LastError());
    return nullptr;
  }
  if (!device->SetQueueSizes(kReceiveBlockLimit, kReceiveBlockLimit)) {
    error = PortErrorText(platform::Cp932("RS232C SetupComm Error"), platform::LastError());
    device->Shutdown();
    return nullptr;
  }
  if (!device->Configure(settings.line)) {
    error = PortErrorText(platform::Cp932("RS232C SetCommState Error"), platform::LastError());
    device->Shutdown();
    return nullptr;
  }
  return device;
}

bool SerialPort::OpenPort() {
  std::shared_ptr<platform::SerialDevice> old;
  std::uint64_t session = 0;
  {
    std::lock_guard lock(mutex_);
    if (opening_) return false;
    opening_ = true;
    // A new session: a receive thread of the previous one ends at its next check.
    session = ++session_;
    isOpen_ = false;
    keepReading_ = false;
    old = std::move(device_);
  }
  changed_.notify_all();
  if (old) old->Shutdown();
  JoinFinishedThreads();

  const Settings settings = CurrentSettings();
  std::string error;
  std::shared_ptr<platform::SerialDevice> device = OpenDevice(settings, error);
  {
    std::lock_guard lock(mutex_);
    opening_ = false;
    if (device) {
      device_ = device;
      isOpen_ = true;
      keepReading_ = true;
    }
  }
  if (!device) {
    errorText = error;
    return false;
  }
  errorText.clear();
  if (!StartReceiveThread(session, settings, device)) {
    const int code = platform::LastError();
    ClosePort();
    errorText = PortErrorText(platform::Cp932("RS232C CreateEvent Error"), code);
    return false;
  }
  return true;
}

void SerialPort::ClosePort() {
  std::shared_ptr<platform::SerialDevice> old;
  {
    std::lock_guard lock(mutex_);
    ++session_;
    isOpen_ = false;
    keepReading_ = false;
    old = std::move(device_);
  }
  changed_.notify_all();
  if (old) old->Shutdown();
}

bool SerialPort::WritePort() {
  std::shared_ptr<platform::SerialDevice> device;
  bool lost = false;
  {
    std::lock_guard lock(mutex_);
    if (isOpen_) {
      device = device_;
    } else {
      lost = keepReading_;
    }
  }
  if (txLength <= 0 || (!device && !lost)) {
    errorText.clear();
    return true;
  }
  if (!device) {
    // The port was lost and the receive thread is reopening it: the block cannot go out, and a
    // send that the user asked for must not vanish without a word.
    errorText = PortErrorText(platform::Cp932("RS232C Write Error"), EIO);
    return false;
  }
  const std::size_t length = std::min(static_cast<std::size_t>(txLength), txBlock.size());
  const std::uint64_t ticket = device->QueueWrite(std::string_view(txBlock.data(), length));
  if (ticket == 0) {
    SetPortError(platform::Cp932("RS232C Write Error"));
    return false;
  }
  // A block still held up after the wait (XOFF, a slow line) counts as sent and goes on in the
  // background; its copy in the queue is the writer's, so txBlock is free again at once.
  const auto deadline = std::chrono::steady_clock::now() + timings_.writeWait;
  if (!device->WaitWritten(ticket, timings_.writeWait) &&
      std::chrono::steady_clock::now() < deadline) {
    // The wait ended before its time without the block written: the write failed (the port hung
    // up before the receive thread saw it) or the port was shut down. A failed queue refuses
    // every later block with the failure's error, so offering it nothing tells that error
    // without writing anything.
    if (device->QueueWrite(std::string_view()) == 0) {
      SetPortError(platform::Cp932("RS232C Write Error"));
      return false;
    }
  }
  errorText.clear();
  return true;
}

void SerialPort::ApplyDtr(bool on) {
  std::shared_ptr<platform::SerialDevice> device;
  {
    std::lock_guard lock(mutex_);
    if (isOpen_) device = device_;
  }
  if (device) device->SetDtr(on);
}

void SerialPort::ApplyRts(bool on) {
  std::shared_ptr<platform::SerialDevice> device;
  {
    std::lock_guard lock(mutex_);
    if (isOpen_) device = device_;
  }
  if (device) device->SetRts(on);
}

LineState SerialPort::ReadLineState() {
  std::shared_ptr<platform::SerialDevice> device;
  {
    std::lock_guard lock(mutex_);
    device = device_;
  }
  platform::ModemLines lines;
  if (device) device->ReadModemLines(lines);
  return LineState{lines.cts ? 1 : 0, lines.dsr ? 1 : 0, lines.ring ? 1 : 0, lines.rlsd ? 1 : 0};
}

const std::string& SerialPort::SetPortError(std::string_view caption) {
  errorText = PortErrorText(caption, platform::LastError());
  return errorText;
}

bool SerialPort::isOpen() const {
  std::lock_guard lock(mutex_);
  return isOpen_;
}

bool SerialPort::keepReading() const {
  std::lock_guard lock(mutex_);
  return keepReading_;
}

std::optional<SerialNotification> SerialPort::TakeNotification() {
  std::lock_guard lock(mutex_);
  if (mailbox_.empty()) return std::nullopt;
  SerialNotification notification = std::move(mailbox_.front());
  mailbox_.pop_front();
  return notification;
}

void SerialPort::Acknowledge() {
  std::shared_ptr<platform::SerialDevice> device;
  {
    std::lock_guard lock(mutex_);
    if (answered_ < posted_) ++answered_;
    device = device_;
  }
  changed_.notify_all();
  // The receive thread may be waiting on the device (moving input meanwhile) rather than on the
  // condition.
  if (device) device->Interrupt();
}

void SerialPort::JoinFinishedThreads() {
  auto finished = std::stable_partition(workers_.begin(), workers_.end(),
                                        [](const Worker& w) { return !w.finished->load(); });
  for (auto it = finished; it != workers_.end(); ++it) it->thread.join();
  workers_.erase(finished, workers_.end());
}

SerialPort::Reopen SerialPort::ReopenFor(std::uint64_t session, const Settings& settings,
                                         std::shared_ptr<platform::SerialDevice>& device,
                                         std::string& error) {
  std::shared_ptr<platform::SerialDevice> old;
  {
    std::lock_guard lock(mutex_);
    if (session_ != session || !keepReading_ || destroying_) return Reopen::Closed;
    // The window's own OpenPort would have started a new session, so nobody else opens now.
    opening_ = true;
    isOpen_ = false;
    old = std::move(device_);
  }
  if (old) old->Shutdown();
  if (device) device->Shutdown();
  device.reset();

  std::shared_ptr<platform::SerialDevice> fresh = OpenDevice(settings, error);
  {
    std::lock_guard lock(mutex_);
    opening_ = false;
    // A disconnect that came while the port was being opened is final: the new port is closed
    // again and nothing reads from it.
    const bool closed = session_ != session || !keepReading_ || destroying_;
    if (!closed && fresh) {
      device_ = fresh;
      isOpen_ = true;
      device = fresh;
      return Reopen::Opened;
    }
    if (!closed) return Reopen::Failed;
  }
  if (fresh) fresh->Shutdown();
  return Reopen::Closed;
}

bool SerialPort::SessionOpen(std::uint64_t session) const {
  std::lock_guard lock(mutex_);
  return session_ == session && isOpen_;
}

bool SerialPort::SessionWanted(std::uint64_t session) const {
  std::lock_guard lock(mutex_);
  return session_ == session && keepReading_;
}

std::uint64_t SerialPort::PostNotification(SerialNotification notification) {
  std::uint64_t ticket = 0;
  {
    std::lock_guard lock(mutex_);
    // A port being destroyed posts nothing: the message would name a block that is gone.
    if (destroying_) return 0;
    mailbox_.push_back(std::move(notification));
    ticket = ++posted_;
  }
  notifyWindow_.Post({WM_SERIAL_EVENT, id_, 0});
  return ticket;
}

bool SerialPort::Answered(std::uint64_t ticket) const {
  std::lock_guard lock(mutex_);
  return answered_ >= ticket || destroying_;
}

void SerialPort::WaitForAnswer(std::uint64_t ticket, std::chrono::steady_clock::time_point until) {
  std::unique_lock lock(mutex_);
  changed_.wait_until(lock, until, [&] { return answered_ >= ticket || destroying_; });
}

void SerialPort::SleepUnlessClosed(std::uint64_t session,
                                   std::chrono::steady_clock::time_point until) {
  std::unique_lock lock(mutex_);
  changed_.wait_until(lock, until,
                      [&] { return session_ != session || !keepReading_ || destroying_; });
}

}  // namespace serial
