#include "serial/serial_transport.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <algorithm>
#include <cerrno>
#include <climits>

#include "core/notation.h"
#include "core/window/main_window.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "serial/port_name_completion.h"

namespace serial {
namespace {

namespace common = core::ids;

// The settings that cannot change while the port is open.
constexpr int kSettingControls[] = {ids::kPortName, ids::kBaudRate, ids::kByteSize,  ids::kParity,
                                    ids::kStopBits, ids::kXonXoff,  ids::kParityChar};

// The most bytes a file contributes, and the most one block carries.
constexpr std::size_t kFileBytes = 102400;

// What showing a received block reads of the window: the form of its text and where it is
// recorded. And what it changes: the four line indicators.
constexpr int kBlockInputs[] = {common::kDspHex, common::kDataSave, ids::kListSave};
constexpr int kIndicatorIds[] = {ids::kDsr, ids::kCts, ids::kRing, ids::kRlsd};

void OnClicked(core::MainWindow& window, int id, std::function<void()> handler) {
  auto* button = qobject_cast<QAbstractButton*>(window.Control(id));
  if (button) QObject::connect(button, &QAbstractButton::clicked, button, std::move(handler));
}

}  // namespace

int DecimalValue(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  long long value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    // Held at the end of the range: an overlong number must not overflow.
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

SerialTransport::SerialTransport(core::MainWindow& window, SerialTool& tool,
                                 platform::SerialDeviceOpener& ports, SerialTimings timings)
    : window_(window),
      fields_(tool.fields),
      indicators_(tool.indicators),
      ports_(ports),
      timings_(timings),
      receivedEvent_(platform::Cp932("->受")),
      receivedWord_(platform::Cp932("受信")) {
  // The queue holds the window's further messages while a serial event is handled, a box it
  // opens included, so OnSerialEvent is never re-entered.
  window_.Messages().DeclareTransportMessage(WM_SERIAL_EVENT);
  OnClicked(window_, common::kSendText, [this] { OnSendText(); });
  OnClicked(window_, ids::kDtr, [this] { OnDtrClicked(); });
  OnClicked(window_, ids::kRts, [this] { OnRtsClicked(); });
  if (auto* box = qobject_cast<QLineEdit*>(window_.Control(ids::kPortName))) {
    completion_ = std::make_unique<PortNameCompletion>(*box);
  }
}

SerialTransport::~SerialTransport() {
  if (port_) targets_.Remove(port_->Id());
}

bool SerialTransport::StartTransport() {
  port_ = std::make_unique<SerialPort>(window_.Messages(), ports_, timings_);
  targets_.Add(port_->Id(), *port_);
  return true;
}

void SerialTransport::HandleWindowMessage(const platform::WindowMessage& message) {
  if (message.number != WM_SERIAL_EVENT) return;
  // Only a live port of the transport: a message that names another (or one gone) is dropped.
  if (targets_.Find(message.first) == nullptr) return;
  OnSerialEvent();
}

void SerialTransport::AddLine(const char* utf8Event, std::string_view text) {
  std::string line = platform::Cp932(utf8Event);
  line += ' ';
  line += text;
  window_.AddTrafficLine(line);
}

void SerialTransport::AddBlockLine(const std::string& event, std::string_view bytes) {
  // A block's text (up to 500 KB) is written straight into the line, and the line's buffer is
  // kept from block to block: no copy of the text, and no fresh memory for every block.
  blockLine_.assign(event);
  blockLine_ += ' ';
  core::AppendNotation(blockLine_, bytes, fields_.data.dspHex);
  window_.AddTrafficLine(blockLine_);
}

void SerialTransport::FillPortBlock() {
  SerialPort& port = *port_;
  port.portName = fields_.port.substr(0, kPortNameLimit);
  port.baudRate = DecimalValue(fields_.baudRate);
  port.parity = fields_.parity;
  port.stopBits = fields_.stopBit;
  port.byteSize = DecimalValue(fields_.byteSize);
  port.xonXoffOut = fields_.xonXoff;
  port.xonXoffIn = fields_.xonXoff;
  port.errorChar = fields_.parityChar.empty() ? '\0' : fields_.parityChar[0];
}

void SerialTransport::SetOpenState(bool open) {
  window_.EnableControl(common::kConnect, !open);
  window_.EnableControl(common::kDisconnect, open);
  for (int id : kSettingControls) window_.EnableControl(id, !open);
}

void SerialTransport::ReadIndicators() {
  const LineState lines = port_->ReadLineState();
  indicators_.cts = lines.cts != 0;
  indicators_.dsr = lines.dsr != 0;
  indicators_.ring = lines.ring != 0;
  indicators_.rlsd = lines.rlsd != 0;
}

void SerialTransport::OnPortConnect() {
  window_.ControlsToFields();
  if (!port_) return;
  FillPortBlock();
  if (port_->OpenPort()) {
    SetOpenState(true);
    AddLine("接続", fields_.port);
    port_->ApplyDtr(fields_.dtr);
    port_->ApplyRts(fields_.rts);
    ReadIndicators();
  } else if (!port_->errorText.empty()) {
    AddLine("*ER*", port_->errorText);
    port_->errorText.clear();
  }
  // The speed box shows the value the port was given: "009600" becomes 9600, nothing 0.
  fields_.baudRate = std::to_string(port_->baudRate);
  window_.FieldsToControls();
}

void SerialTransport::OnPortDisconnect() {
  window_.ControlsToFields();
  if (port_) port_->ClosePort();
  SetOpenState(false);
  // Always, also with no port open: the close sequence records it too.
  AddLine("切断", fields_.port);
  window_.FieldsToControls();
}

void SerialTransport::OnSerialEvent() {
  // This runs for every received block, so it exchanges only what a block uses and changes:
  // nothing else of the window is read here, and the other fields are as the controls show them
  // anyway (every handler takes them in when it starts and pushes them out when it ends).
  window_.ControlsToFields(kBlockInputs);
  std::optional<SerialNotification> notification = port_->TakeNotification();
  if (!notification) return;
  // The notification owns its bytes, so the receive thread may go on at once: nothing below
  // (a data file's error box included) can keep it waiting.
  port_->Acknowledge();

  if (!notification->errorText.empty()) {
    AddLine("*ER*", notification->errorText);
    return;
  }
  if (notification->rxLength() > 0) {
    window_.Recording().WriteDataFile(notification->rxBlock, receivedWord_);
    AddBlockLine(receivedEvent_, notification->rxBlock);
  }
  if (port_->isOpen()) {
    ReadIndicators();
    window_.FieldsToControls(kIndicatorIds);
  }
}

void SerialTransport::OnSendText() {
  window_.ControlsToFields();
  // Also while a lost port is being reopened: the send then reports that it could not go out.
  if (port_ && port_->keepReading()) {
    const std::string& text = fields_.data.sendText;
    SendBlock(fields_.data.dataTran ? core::NotationToBytes(text) : text);
  }
  window_.FieldsToControls();
}

void SerialTransport::SendBlock(std::string_view bytes) {
  if (bytes.empty() || !port_ || !port_->keepReading()) return;
  // A block never passes the transmit block; a send text read from the settings may be longer.
  bytes = bytes.substr(0, kTransmitBlockLimit);
  SerialPort& port = *port_;
  std::copy(bytes.begin(), bytes.end(), port.txBlock.begin());
  port.txLength = static_cast<int>(bytes.size());
  if (port.WritePort()) {
    window_.Recording().WriteDataFile(bytes, platform::Cp932("送信"));
    AddBlockLine(platform::Cp932("送->"), bytes);
  } else {
    AddLine("*ER*", port.errorText);
    port.errorText.clear();
  }
}

void SerialTransport::SendFile(const std::string& cp932Path) {
  window_.ControlsToFields();
  if (!port_ || !port_->keepReading()) return;
  platform::File file;
  if (auto native = platform::Cp932ToUtf8Exact(cp932Path)) {
    file = platform::File::Open(*native, platform::File::Mode::Read);
  } else {
    platform::SetLastError(EILSEQ);
  }
  if (!file.IsOpen()) {
    window_.ShowErrorBox(platform::Cp932("ファイルオープンエラー"));
    return;
  }
  std::string bytes(kFileBytes, '\0');
  const long read = file.ReadUpTo(bytes.data(), bytes.size());
  if (read < 0) {
    window_.ShowErrorBox(platform::Cp932("ファイル読み込みエラー"));
    return;
  }
  file.Close();
  bytes.resize(static_cast<std::size_t>(read));
  // The error box above runs a message loop: the port may have gone meanwhile.
  if (!bytes.empty() && port_->keepReading()) {
    SendBlock(fields_.data.dataTran ? core::NotationToBytes(bytes) : bytes);
  }
  window_.FieldsToControls();
}

void SerialTransport::OnDtrClicked() {
  window_.ControlsToFields();
  // With the port closed only the box changes; the next connect applies it.
  if (port_) port_->ApplyDtr(fields_.dtr);
}

void SerialTransport::OnRtsClicked() {
  window_.ControlsToFields();
  if (port_) port_->ApplyRts(fields_.rts);
}

}  // namespace serial
