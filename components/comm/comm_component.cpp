#include "components/comm/comm_component.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "components/comm/comm_settings.h"
#include "platform/cp932.h"
#include "platform/last_error.h"
#include "platform/serial_port_names.h"

namespace components::comm {
namespace {

constexpr CommStatus kOk{};
constexpr CommStatus Fail(int number) {
  return CommStatus{number};
}

// The most bytes taken from the port in one read, and the most reads in one readiness
// callback: a fast line is drained in few turns of the loop, while other watches still get
// their turn between callbacks.
constexpr std::size_t kReadChunk = 16 * 1024;
constexpr int kReadsPerCallback = 16;

// The input buffer holds InBufferSize bytes, and never fewer than this: a terminal hands over up
// to 4 KiB per read, and a smaller buffer would only take them in more reads, each a turn of the
// loop and an event, without holding less memory worth speaking of.
constexpr std::size_t kLeastInputCapacity = 4096;

// The length of the front of `bytes` that ends on a whole character: a lead byte at the end
// whose second byte has not come yet is left out.
std::size_t WholeCharacters(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (platform::IsLeadByte(static_cast<unsigned char>(bytes[i]))) {
      if (i + 1 == bytes.size()) return i;
      i += 2;
    } else {
      ++i;
    }
  }
  return bytes.size();
}

}  // namespace

CommComponent::CommComponent(platform::ReadinessLoop& loop, platform::SerialDeviceOpener& opener,
                             PortPathRule rule)
    : loop_(loop), opener_(opener), rule_(std::move(rule)) {
  if (!rule_) rule_ = [](int number) { return platform::SerialDevicePathForNumber(number); };
  framing_ = *ParseCommSettings(settingsText_);
  if (notice_.IsValid())
    noticeWatch_ = loop_.WatchReadable(notice_.Descriptor(), [this] {
      const auto hold = owner_.Take();
      OnNotice();
    });
}

CommComponent::CommComponent(platform::ReadinessLoop& loop)
    : CommComponent(loop, platform::SystemSerialPorts()) {}

CommComponent::~CommComponent() {
  alive_.reset();
  ClosePort();
  noticeWatch_.reset();
}

bool CommComponent::Current(const CommComponent* self, const std::weak_ptr<int>& alive,
                            std::uint64_t generation) {
  // `self` may only be looked at once the weak copy says the component still lives.
  return !alive.expired() && self->generation_ == generation && self->device_ != nullptr;
}

// ---- Port number, opening and closing ----

CommStatus CommComponent::SetCommPort(int number) {
  if (device_) return Fail(kErrPortOpen);
  if (number < platform::kFirstComPort || number > platform::kLastComPort)
    return Fail(kErrPortInvalid);
  commPort_ = number;
  return kOk;
}

CommStatus CommComponent::SetPortOpen(bool open) {
  if (!open) {
    ClosePort();
    return kOk;
  }
  if (device_) return Fail(kErrPortAlreadyOpen);
  const std::optional<std::string> path = rule_(commPort_);
  if (!path) return Fail(kErrPortInvalid);
  std::shared_ptr<platform::SerialDevice> device = opener_.Open(*path);
  if (!device)
    return Fail(platform::LastError() == EBUSY ? kErrPortAlreadyOpen : kErrDeviceUnavailable);
  // The buffers are the component's own; the driver's queues only need to exist.
  (void)device->SetQueueSizes(static_cast<std::size_t>(inBufferSize_),
                              static_cast<std::size_t>(outBufferSize_));
  if (!device->Configure(LineSettings(framing_))) {
    device->Shutdown();
    return Fail(kErrSetCommStateFailed);
  }
  // A port without modem lines (a pty) refuses these; it works all the same.
  (void)device->SetDtr(dtrEnable_);
  if (handshaking_ != kComRTS && handshaking_ != kComRTSXOnXOff) (void)device->SetRts(rtsEnable_);

  device_ = std::move(device);
  ++generation_;
  lost_ = false;
  lossReported_ = false;
  break_ = false;
  sendArmed_ = false;
  input_.Reset(std::max(static_cast<std::size_t>(inBufferSize_), kLeastInputCapacity));
  output_.Clear();
  lines_ = {};
  (void)device_->ReadModemLines(lines_);
  counts_ = {};
  countsKept_ = device_->ReadErrorCounts(counts_);

  const int fd = device_->Descriptor();
  if (fd >= 0) {
    readWatch_ = loop_.WatchReadable(fd, [this] {
      const auto hold = owner_.Take();
      OnReadable();
    });
    readWatch_->SetEnabled(true);
    writeWatch_ = loop_.WatchWritable(fd, [this] {
      const auto hold = owner_.Take();
      OnWritable();
    });
  }
  const int modem = device_->ModemChangeDescriptor();
  if (modem >= 0) {
    modemWatch_ = loop_.WatchReadable(modem, [this] {
      const auto hold = owner_.Take();
      OnModemChange();
    });
    modemWatch_->SetEnabled(true);
  }
  return kOk;
}

void CommComponent::ClosePort() {
  if (!device_) return;
  // The watches go before the port's descriptor does.
  readWatch_.reset();
  writeWatch_.reset();
  modemWatch_.reset();
  if (!lost_) {
    if (break_) (void)device_->SetBreak(false);
    (void)device_->SetDtr(false);
    (void)device_->SetRts(false);
  }
  device_->Shutdown();
  device_.reset();
  ++generation_;
  lost_ = false;
  lossReported_ = false;
  break_ = false;
  sendArmed_ = false;
  input_.Clear();
  output_.Clear();
  deferred_.clear();
  if (noticeWatch_) noticeWatch_->SetEnabled(false);
  notice_.Consume();
}

// ---- Line settings ----

platform::SerialLineSettings CommComponent::LineSettings(
    const platform::SerialLineSettings& framing) const {
  platform::SerialLineSettings settings = framing;
  settings.xonXoffOut = settings.xonXoffIn =
      handshaking_ == kComXOnXoff || handshaking_ == kComRTSXOnXOff;
  settings.rtsCts = handshaking_ == kComRTS || handshaking_ == kComRTSXOnXOff;
  settings.replaceParityErrors = !parityReplace_.empty();
  settings.errorChar = parityReplace_.empty() ? '\0' : parityReplace_[0];
  return settings;
}

CommStatus CommComponent::Reconfigure(const platform::SerialLineSettings& framing) {
  if (!device_ || lost_) return kOk;
  if (!device_->Configure(LineSettings(framing))) return Fail(kErrSetCommStateFailed);
  return kOk;
}

CommStatus CommComponent::SetSettings(std::string_view text) {
  const std::optional<platform::SerialLineSettings> framing = ParseCommSettings(text);
  if (!framing) return Fail(kErrInvalidPropertyValue);
  if (const CommStatus status = Reconfigure(*framing); !status) return status;
  framing_ = *framing;
  settingsText_ = std::string(text);
  return kOk;
}

CommStatus CommComponent::SetHandshaking(int handshake) {
  if (handshake < kComNone || handshake > kComRTSXOnXOff) return Fail(kErrInvalidPropertyValue);
  const int before = handshaking_;
  handshaking_ = handshake;
  if (const CommStatus status = Reconfigure(framing_); !status) {
    handshaking_ = before;
    return status;
  }
  return kOk;
}

CommStatus CommComponent::SetParityReplace(std::string_view replacement) {
  if (replacement.size() > 1) return Fail(kErrInvalidPropertyValue);
  const std::string before = parityReplace_;
  parityReplace_ = std::string(replacement);
  if (const CommStatus status = Reconfigure(framing_); !status) {
    parityReplace_ = before;
    return status;
  }
  return kOk;
}

CommStatus CommComponent::SetDTREnable(bool on) {
  dtrEnable_ = on;
  if (device_ && !lost_) (void)device_->SetDtr(on);
  return kOk;
}

CommStatus CommComponent::SetRTSEnable(bool on) {
  rtsEnable_ = on;
  if (device_ && !lost_) (void)device_->SetRts(on);
  return kOk;
}

CommStatus CommComponent::SetBreak(bool on) {
  if (!device_) return Fail(kErrPortNotOpen);
  if (!lost_) (void)device_->SetBreak(on);
  break_ = on;
  return kOk;
}

// ---- Buffers ----

CommStatus CommComponent::SetInBufferSize(int size) {
  if (device_) return Fail(kErrPortOpen);
  if (size <= 0) return Fail(kErrInvalidPropertyValue);
  inBufferSize_ = size;
  return kOk;
}

CommStatus CommComponent::SetOutBufferSize(int size) {
  if (device_) return Fail(kErrPortOpen);
  if (size <= 0) return Fail(kErrInvalidPropertyValue);
  outBufferSize_ = size;
  return kOk;
}

CommStatus CommComponent::InBufferCount(int& count) const {
  count = 0;
  if (!device_) return Fail(kErrPortNotOpen);
  count = static_cast<int>(input_.size());
  return kOk;
}

CommStatus CommComponent::SetInBufferCount(int count) {
  if (!device_) return Fail(kErrPortNotOpen);
  if (count != 0) return Fail(kErrInvalidPropertyValue);
  input_.Clear();
  if (!lost_) (void)device_->DiscardInput();
  return kOk;
}

CommStatus CommComponent::OutBufferCount(int& count) const {
  count = 0;
  if (!device_) return Fail(kErrPortNotOpen);
  count = static_cast<int>(output_.size());
  return kOk;
}

CommStatus CommComponent::SetOutBufferCount(int count) {
  if (!device_) return Fail(kErrPortNotOpen);
  if (count != 0) return Fail(kErrInvalidPropertyValue);
  output_.Clear();
  if (writeWatch_) writeWatch_->SetEnabled(false);
  if (!lost_) (void)device_->DiscardOutput();
  return kOk;
}

CommStatus CommComponent::SetInputLen(int length) {
  if (length < 0) return Fail(kErrInvalidPropertyValue);
  inputLen_ = length;
  return kOk;
}

CommStatus CommComponent::SetInputMode(int mode) {
  if (mode != kComInputModeText && mode != kComInputModeBinary)
    return Fail(kErrInvalidPropertyValue);
  inputMode_ = mode;
  return kOk;
}

CommStatus CommComponent::SetRThreshold(int count) {
  if (count < 0) return Fail(kErrInvalidPropertyValue);
  rThreshold_ = count;
  return kOk;
}

CommStatus CommComponent::SetSThreshold(int count) {
  if (count < 0) return Fail(kErrInvalidPropertyValue);
  sThreshold_ = count;
  sendArmed_ = false;
  return kOk;
}

// ---- Input and output ----

CommStatus CommComponent::Input(std::string& bytes) {
  return TakeInput(bytes);
}

CommStatus CommComponent::Input(std::vector<std::uint8_t>& bytes) {
  return TakeInput(bytes);
}

template <class Bytes>
CommStatus CommComponent::TakeInput(Bytes& bytes) {
  bytes.clear();
  if (!device_) return Fail(kErrPortNotOpen);
  // Once the port is lost, what it delivered before can still be taken, also by the handler of
  // the event that tells the loss; after that every Input fails, so that a script polling for
  // input learns that none will come.
  if (lost_ && lossReported_ && input_.empty()) return Fail(kErrDeviceUnavailable);
  std::size_t count = input_.size();
  if (inputLen_ > 0) {
    if (count < static_cast<std::size_t>(inputLen_)) return kOk;
    count = static_cast<std::size_t>(inputLen_);
  } else if (inputMode_ == kComInputModeText && !lost_) {
    count = WholeCharacters(input_.view());
  }
  input_.Take(count, bytes);
  return kOk;
}

CommStatus CommComponent::Output(std::string_view bytes) {
  if (!device_) return Fail(kErrPortNotOpen);
  if (lost_) return Fail(kErrDeviceUnavailable);
  if (bytes.empty()) return kOk;
  // A block is taken whole or refused whole, so that a message is never cut: it goes in when
  // the output buffer is empty (the port takes what it can at once, the rest waits) or when it
  // fits in the room left.
  if (!output_.empty() &&
      output_.size() + bytes.size() > static_cast<std::size_t>(outBufferSize_)) {
    Defer(kComEventTxFull);
    return kOk;
  }
  if (sThreshold_ > 0 && output_.size() + bytes.size() >= static_cast<std::size_t>(sThreshold_))
    sendArmed_ = true;
  output_.Append(bytes);
  WriteFromQueue();
  if (lost_) {
    PortLost(true);
    return Fail(kErrDeviceUnavailable);
  }
  CheckSendThreshold(true);
  return kOk;
}

void CommComponent::WriteFromQueue() {
  while (!output_.empty()) {
    const std::string_view pending = output_.View();
    const long written = device_->WriteAvailable(pending.data(), pending.size());
    if (written < 0) {
      lost_ = true;
      output_.Clear();
      break;
    }
    if (written == 0) break;
    output_.Consume(static_cast<std::size_t>(written));
  }
  if (writeWatch_) writeWatch_->SetEnabled(!output_.empty() && !lost_);
}

void CommComponent::CheckSendThreshold(bool fromPropertyCall) {
  if (!sendArmed_ || sThreshold_ <= 0 || output_.size() >= static_cast<std::size_t>(sThreshold_))
    return;
  sendArmed_ = false;
  if (fromPropertyCall)
    Defer(kComEvSend);
  else
    Fire(kComEvSend);
}

void CommComponent::OnWritable() {
  if (!device_ || lost_) return;
  WriteFromQueue();
  if (lost_) {
    PortLost(false);
    return;
  }
  CheckSendThreshold(false);
}

// ---- Reception ----

void CommComponent::OnReadable() {
  const std::weak_ptr<int> alive = alive_;
  const std::uint64_t generation = generation_;
  for (int round = 0; round < kReadsPerCallback && Current(this, alive, generation) && !lost_;
       ++round) {
    // While the buffer has room, no more is read than fits, straight into the buffer, so that a
    // reader that keeps up never loses a byte; a full buffer still drains the port, and what
    // does not fit is lost and reported.
    const std::size_t room = input_.room();
    char* into = nullptr;
    std::size_t ask = kReadChunk;
    if (room > 0) {
      into = input_.Tail();
      ask = std::min(room, kReadChunk);
    } else {
      scratch_.resize(kReadChunk);
      into = scratch_.data();
    }
    const long count = device_->Read(into, ask);
    if (count == 0) return;
    if (count < 0) {
      PortLost(false);
      return;
    }
    char* end = into + count;
    if (nullDiscard_) end = std::remove(into, end, '\0');
    const std::size_t kept = static_cast<std::size_t>(end - into);
    if (room == 0) {
      if (!Arrived(false, kept > 0, false)) return;
      continue;
    }
    const bool eof = eofEnable_ && std::find(into, end, kEofByte) != end;
    input_.Commit(kept);
    if (!Arrived(kept > 0, false, eof)) return;
  }
}

bool CommComponent::Arrived(bool added, bool overflow, bool eof) {
  const std::weak_ptr<int> alive = alive_;
  const std::uint64_t generation = generation_;
  std::vector<std::int16_t> events;
  CollectLineErrors(events);
  if (overflow) events.push_back(kComEventRxOver);
  for (const std::int16_t code : events)
    if (!Fire(code)) return false;
  // Reception is reported after every arrival while at least RThreshold bytes wait; an
  // earlier handler may already have taken them.
  if (added && rThreshold_ > 0 && input_.size() >= static_cast<std::size_t>(rThreshold_))
    if (!Fire(kComEvReceive)) return false;
  if (eof && !Fire(kComEvEOF)) return false;
  return Current(this, alive, generation);
}

void CommComponent::CollectLineErrors(std::vector<std::int16_t>& events) {
  if (!countsKept_) return;
  platform::SerialErrorCounts now;
  if (!device_->ReadErrorCounts(now)) return;
  if (now.breaks != counts_.breaks) events.push_back(kComEventBreak);
  if (now.frame != counts_.frame) events.push_back(kComEventFrame);
  if (now.overrun != counts_.overrun || now.bufferOverrun != counts_.bufferOverrun)
    events.push_back(kComEventOverrun);
  if (now.parity != counts_.parity) events.push_back(kComEventRxParity);
  counts_ = now;
}

void CommComponent::OnModemChange() {
  if (!device_ || lost_) return;
  // The wait consumes the change notice; the lines are then read as they are now.
  (void)device_->Wait(false, std::chrono::milliseconds(0));
  platform::ModemLines now;
  if (!device_->ReadModemLines(now)) return;
  const platform::ModemLines before = lines_;
  lines_ = now;
  std::vector<std::int16_t> events;
  CollectLineErrors(events);
  if (now.cts != before.cts) events.push_back(kComEvCTS);
  if (now.dsr != before.dsr) events.push_back(kComEvDSR);
  if (now.rlsd != before.rlsd) events.push_back(kComEvCD);
  if (now.ring != before.ring) events.push_back(kComEvRing);
  for (const std::int16_t code : events)
    if (!Fire(code)) return;
}

void CommComponent::PortLost(bool fromPropertyCall) {
  lost_ = true;
  output_.Clear();
  // The port says nothing more; its watches would only repeat the hang-up.
  readWatch_.reset();
  writeWatch_.reset();
  modemWatch_.reset();
  if (fromPropertyCall)
    Defer(kComEventDCB);
  else if (!Fire(kComEventDCB))
    return;
  if (!fromPropertyCall) lossReported_ = true;
}

// ---- Events ----

bool CommComponent::Fire(std::int16_t code) {
  const std::weak_ptr<int> alive = alive_;
  const std::uint64_t generation = generation_;
  commEvent_ = code;
  if (onComm_) {
    // A copy: the handler may replace the callback or destroy the component.
    const std::function<void()> handler = onComm_;
    handler();
  }
  return Current(this, alive, generation);
}

void CommComponent::Defer(std::int16_t code) {
  deferred_.push_back(code);
  notice_.Signal();
  if (noticeWatch_) noticeWatch_->SetEnabled(true);
}

void CommComponent::OnNotice() {
  notice_.Consume();
  if (noticeWatch_) noticeWatch_->SetEnabled(false);
  std::vector<std::int16_t> events;
  events.swap(deferred_);
  for (const std::int16_t code : events) {
    if (!Fire(code)) return;
    if (code == kComEventDCB) lossReported_ = true;
  }
}

// ---- Modem lines ----

CommStatus CommComponent::CDHolding(bool& on) const {
  on = false;
  if (!device_) return Fail(kErrPortNotOpen);
  platform::ModemLines lines;
  if (!lost_ && device_->ReadModemLines(lines)) on = lines.rlsd;
  return kOk;
}

CommStatus CommComponent::CTSHolding(bool& on) const {
  on = false;
  if (!device_) return Fail(kErrPortNotOpen);
  platform::ModemLines lines;
  if (!lost_ && device_->ReadModemLines(lines)) on = lines.cts;
  return kOk;
}

CommStatus CommComponent::DSRHolding(bool& on) const {
  on = false;
  if (!device_) return Fail(kErrPortNotOpen);
  platform::ModemLines lines;
  if (!lost_ && device_->ReadModemLines(lines)) on = lines.dsr;
  return kOk;
}

int CommComponent::CommID() const {
  return device_ ? device_->Descriptor() : -1;
}

}  // namespace components::comm
