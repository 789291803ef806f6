#include "tcpip/tcp_transport.h"

#include <QAbstractButton>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "core/error_reporting.h"
#include "core/file_to_send.h"
#include "core/notation.h"
#include "core/window/dialog_template.h"
#include "core/window/main_window.h"
#include "platform/cp932.h"
#include "platform/last_error.h"
#include "tcpip/qt_readiness_loop.h"
#include "tcpip/socket_messages.h"
#include "tcpip/tcpip_tool.h"
#include "tcpip/traffic_lines.h"

namespace tcpip {
namespace {

// The controls of the TCP/IP window that the flows switch or listen to.
constexpr int kServerRadio = ids::kServer;
constexpr int kClientRadio = ids::kClient;
constexpr int kPortBox = ids::kPort;
constexpr int kAddressBox = ids::kPeerAddress;
constexpr int kConnectButton = core::ids::kConnect;
constexpr int kDisconnectButton = core::ids::kDisconnect;
constexpr int kTextSendButton = core::ids::kSendText;

const LineFormats& Lines() {
  return LineFormats::Get();
}

// A block's traffic line: the format filled in with the peer, and the block's display text
// written straight into the line where the format's closing "%s" stands, instead of being made
// apart and copied in by printf (a block's text may be 400 KB).
std::string BlockLine(const std::string& format, const std::string& address,
                      const std::string& portText, std::string_view bytes, bool hexOnly) {
  constexpr std::string_view kText = "%s";
  const std::string_view whole = format;
  if (whole.size() >= kText.size() && whole.substr(whole.size() - kText.size()) == kText &&
      (whole.size() == kText.size() || whole[whole.size() - kText.size() - 1] != '%')) {
    std::string line = FormatLine(std::string(whole.substr(0, whole.size() - kText.size())),
                                  address.c_str(), portText.c_str());
    core::AppendNotation(line, bytes, hexOnly);
    return line;
  }
  const std::string display = core::BytesToNotation(bytes, hexOnly);
  return FormatLine(format, address.c_str(), portText.c_str(), display.c_str());
}

void OnClicked(core::MainWindow& window, int id, std::function<void()> handler) {
  auto* button = qobject_cast<QAbstractButton*>(window.Control(id));
  if (button) QObject::connect(button, &QAbstractButton::clicked, button, std::move(handler));
}

}  // namespace

TcpTransport::TcpTransport(core::MainWindow& window, core::TcpIpSettings& fields,
                           std::function<bool()> startSockets,
                           std::unique_ptr<platform::ReadinessLoop> loop)
    : window_(window),
      fields_(fields),
      startSockets_(startSockets ? std::move(startSockets)
                                 : [] { return platform::SocketLayerWorks(); }),
      loop_(loop ? std::move(loop) : std::make_unique<QtReadinessLoop>()) {
  for (unsigned number : kSocketMessages) window_.Messages().DeclareTransportMessage(number);
  OnClicked(window_, kTextSendButton, [this] { OnTextSendButton(); });
  OnClicked(window_, kServerRadio, [this] { OnServerRadio(); });
  OnClicked(window_, kClientRadio, [this] { OnClientRadio(); });
  window_.SetTrafficLineSelectedByUser([this](int line) { OnTrafficSelect(line); });
}

TcpTransport::~TcpTransport() {
  // The endpoints close their sockets (and drop their notifiers) before the loop goes.
  listener_.reset();
  endpoints_.clear();
}

bool TcpTransport::StartTransport() {
  return startSockets_();
}

void TcpTransport::HandleWindowMessage(const platform::WindowMessage& message) {
  switch (message.number) {
    case WM_SOCK_ACCEPT:
      // Only the listening socket in service accepts; one closed by "切　断" is gone.
      if (listener_ && listener_->Id() == message.first) OnAcceptReady();
      break;
    case WM_SOCK_RECEIVE:
      if (PeerEndpoint* peer = Find(message.first)) OnDataReady(peer);
      break;
    case WM_SOCK_CLOSE:
      if (PeerEndpoint* peer = Find(message.first)) OnPeerClosed(peer);
      break;
    default:
      break;
  }
}

// --- Endpoint ownership ---

PeerEndpoint* TcpTransport::NewPeer() {
  endpoints_.push_back(std::make_unique<PeerEndpoint>(&window_.Messages(), loop_.get()));
  return endpoints_.back().get();
}

void TcpTransport::Destroy(PeerEndpoint* peer) {
  std::erase_if(endpoints_, [peer](const auto& owned) { return owned.get() == peer; });
}

PeerEndpoint* TcpTransport::Find(std::uintptr_t id) const {
  for (const auto& owned : endpoints_)
    if (owned->Id() == id) return owned.get();
  return nullptr;
}

// --- Helpers ---

int TcpTransport::PortNumber() const {
  return tcpip::PortNumber(fields_.port);
}

void TcpTransport::AddLine(const std::string& line) {
  window_.AddTrafficLine(line);
}

std::string TcpTransport::PeerAddress(PeerEndpoint* peer) const {
  std::string address;
  int port = 0;
  peer->ReadPeerName(address, port);
  return address;
}

void TcpTransport::AddPeerLine(const std::string& format, PeerEndpoint* peer,
                               const std::string& portText) {
  AddLine(FormatLine(format, PeerAddress(peer).c_str(), portText.c_str()));
}

std::string TcpTransport::PeerPortText(PeerEndpoint* peer) {
  if (!listener_) return std::to_string(PortNumber());
  if (!peer || !peerTable_.Contains(peer)) return {};
  std::string address;
  int port = 0;
  if (!peer->ReadPeerName(address, port)) return {};
  return std::to_string(port);
}

void TcpTransport::SetBusy() {
  for (int id : {kServerRadio, kClientRadio, kPortBox, kAddressBox, kConnectButton})
    window_.EnableControl(id, false);
  window_.EnableControl(kDisconnectButton, true);
}

void TcpTransport::SetIdle(bool addressEnabled) {
  for (int id : {kServerRadio, kClientRadio, kPortBox, kConnectButton})
    window_.EnableControl(id, true);
  window_.EnableControl(kAddressBox, addressEnabled);
  window_.EnableControl(kDisconnectButton, false);
}

// --- The flows ---

void TcpTransport::OnConnectButton() {
  window_.ControlsToFields();
  auto& fields = fields_;
  const int port = PortNumber();
  // A port text that is not a number names no port: listening on whatever it reads as (0, the
  // system's choice) would leave no line naming where the tool listens.
  if (!IsPortNumberText(fields.port)) {
    platform::SetLastError(EINVAL);
    const std::string text = core::SystemErrorText();
    const std::string host = fields.server ? std::string() : fields.addressBox;
    AddLine(FormatLine(Lines().failedWithPort, host.c_str(), port, text.c_str()));
    return;
  }

  if (fields.server) {
    if (listener_) {
      listener_->CloseSocket();
      listener_.reset();
    }
    listener_ = std::make_unique<ListenEndpoint>(&window_.Messages(), loop_.get());
    if (!listener_->OpenSocket(port)) {
      const std::string text = core::SystemErrorText();
      listener_.reset();
      AddLine(FormatLine(Lines().failedWithPort, "", port, text.c_str()));
      return;
    }
    if (!listener_->StartListening()) {
      const std::string text = core::SystemErrorText();
      listener_.reset();
      AddLine(FormatLine(Lines().failedWithPort, "", port, text.c_str()));
      return;
    }
    // Port 0 lets the system choose: the line names the port actually taken.
    AddLine(FormatLine(Lines().listenStarted, "", listener_->LocalPort()));
    SetBusy();
    window_.FieldsToControls();
    return;
  }

  PeerEndpoint* peer = NewPeer();
  currentPeer_ = peer;
  const std::string host = fields.addressBox;
  if (!peer->OpenSocket(0) || !peer->ConnectTo(host, port)) {
    const std::string text = core::SystemErrorText();
    AddLine(FormatLine(Lines().failedWithPort, host.c_str(), port, text.c_str()));
    Destroy(peer);
    currentPeer_ = nullptr;
    return;
  }
  AddLine(FormatLine(Lines().listenStarted, host.c_str(), port));
  SetBusy();
  window_.FieldsToControls();
}

void TcpTransport::OnAcceptReady() {
  window_.ControlsToFields();
  if (!listener_ || !listener_->AcceptAnnounced()) return;
  PeerEndpoint* peer = NewPeer();
  if (!listener_->AcceptInto(*peer)) {
    Destroy(peer);
    return;
  }
  const int slot = peerTable_.FirstEmpty();
  if (slot < 0) {
    // Every slot is taken: the connection is let go at once, so that no socket is left without
    // an owner, and both events are shown with the peer's own port.
    std::string address;
    int port = 0;
    peer->ReadPeerName(address, port);
    const std::string portText = std::to_string(port);
    AddPeerLine(Lines().peerConnected, peer, portText);
    AddPeerLine(Lines().peerClosed, peer, portText);
    Destroy(peer);
    window_.FieldsToControls();
    return;
  }
  peerTable_[slot] = peer;
  const std::string portText = PeerPortText(peer);
  AddPeerLine(Lines().peerConnected, peer, portText);
  currentPeer_ = peer;
  fields_.addressBox = PeerAddress(peer) + ":" + portText;
  window_.FieldsToControls();
}

void TcpTransport::OnDataReady(PeerEndpoint* peer) {
  window_.ControlsToFields();
  // An endpoint closed by "切　断" has no socket left to read or wait on.
  if (!peer || !peer->IsOpen()) return;
  std::string bytes;
  for (int tries = 0; tries < kReceiveTries; ++tries) {
    const long pending = peer->PendingBytes();
    if (pending == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kReceiveTryMs));
      continue;
    }
    if (pending < 0) break;  // the socket cannot say: nothing is read
    bytes.resize(std::min<std::size_t>(static_cast<std::size_t>(pending), kBlockBytes));
    const long received = peer->ReceiveSome(bytes.data(), bytes.size());
    bytes.resize(received > 0 ? static_cast<std::size_t>(received) : 0);
    break;
  }
  if (bytes.empty()) return;
  // The line is made before the data file is written: the file's error box runs a loop, and
  // nothing of the peer is read after it.
  const std::string address = PeerAddress(peer);
  const std::string portText = PeerPortText(peer);
  const std::string line =
      BlockLine(Lines().received, address, portText, bytes, fields_.data.dspHex);
  window_.Recording().WriteDataFile(bytes, platform::Cp932("受信"));
  AddLine(line);
  window_.FieldsToControls();
}

void TcpTransport::OnPeerClosed(PeerEndpoint* peer) {
  window_.ControlsToFields();
  // An endpoint closed by "切　断" had its line then, and is gone.
  if (!peer || !peer->IsOpen()) return;
  AddPeerLine(Lines().peerClosed, peer, PeerPortText(peer));
  peerTable_.Remove(peer);
  if (currentPeer_ == peer) {
    currentPeer_ = peerTable_.LowestOccupied();
    if (listener_) {
      if (currentPeer_) {
        fields_.addressBox = PeerAddress(currentPeer_) + ":" + PeerPortText(currentPeer_) + ":";
      } else {
        fields_.addressBox.clear();
      }
    }
  }
  Destroy(peer);
  if (!listener_) SetIdle(true);
  window_.FieldsToControls();
}

void TcpTransport::OnDisconnectButton() {
  window_.ControlsToFields();
  auto& fields = fields_;
  if (listener_) {
    for (int slot = 0; slot < PeerTable::kSlots; ++slot) {
      PeerEndpoint* peer = peerTable_[slot];
      if (!peer) continue;
      AddPeerLine(Lines().peerClosed, peer, PeerPortText(peer));
      peerTable_[slot] = nullptr;
      Destroy(peer);
    }
    AddLine(FormatLine(Lines().listenEnded, "", listener_->LocalPort()));
    listener_->CloseSocket();
    listener_.reset();
    currentPeer_ = nullptr;
    fields.addressBox.clear();
  } else if (currentPeer_) {
    AddPeerLine(Lines().peerClosed, currentPeer_, PeerPortText(currentPeer_));
    Destroy(currentPeer_);
  }
  currentPeer_ = nullptr;
  SetIdle(!fields.server);
  window_.FieldsToControls();
}

void TcpTransport::OnTextSendButton() {
  window_.ControlsToFields();
  const auto& data = fields_.data;
  if (!data.sendText.empty() && currentPeer_) SendBlock(data.sendText);
  window_.FieldsToControls();
}

void TcpTransport::SendOneFile(const std::string& cp932Path) {
  window_.ControlsToFields();
  if (!currentPeer_) return;
  std::optional<std::string> bytes = core::ReadFileToSend(
      cp932Path, kBlockBytes, [this](std::string_view caption) { window_.ShowErrorBox(caption); });
  if (!bytes) return;
  if (!bytes->empty()) SendBlock(std::move(*bytes));
  window_.FieldsToControls();
}

void TcpTransport::SendBlock(std::string bytes) {
  PeerEndpoint* peer = currentPeer_;
  const auto& data = fields_.data;
  // The peer is named before anything can run a loop: the data file's error box may let the
  // peer's close be handled.
  const std::string address = PeerAddress(peer);
  const std::string portText = PeerPortText(peer);
  if (data.dataTran) bytes = core::NotationToBytes(bytes);
  // One send moves one block at most; a longer text is cut to it.
  if (bytes.size() > kBlockBytes) bytes.resize(kBlockBytes);
  const long sent = peer->SendAll(bytes.data(), bytes.size());
  if (sent >= static_cast<long>(bytes.size())) {
    const std::string line = BlockLine(Lines().sent, address, portText, bytes, data.dspHex);
    window_.Recording().WriteDataFile(bytes, platform::Cp932("送信"));
    AddLine(line);
    return;
  }
  // The system text is taken before anything else can change the last error.
  const std::string failure = sent == 0 ? Lines().notSent : core::SystemErrorText();
  AddLine(FormatLine(Lines().sendFailed, address.c_str(), portText.c_str(), failure.c_str()));
}

void TcpTransport::OnTrafficSelect(int line) {
  window_.ControlsToFields();
  const auto& history = window_.Traffic().history();
  if (listener_ && line >= 0 && static_cast<std::size_t>(line) < history.size()) {
    LinePeer named;
    if (ReadLinePeer(history[static_cast<std::size_t>(line)], named)) {
      for (int slot = 0; slot < PeerTable::kSlots; ++slot) {
        PeerEndpoint* peer = peerTable_[slot];
        if (!peer) continue;
        std::string address;
        int port = 0;
        if (!peer->ReadPeerName(address, port)) continue;
        if (port == named.port && address == named.address) {
          currentPeer_ = peer;
          fields_.addressBox = address + ":" + std::to_string(port);
          break;
        }
      }
    }
  }
  window_.FieldsToControls();
}

void TcpTransport::OnServerRadio() {
  window_.ControlsToFields();
  window_.EnableControl(kAddressBox, false);
  fields_.addressBox.clear();
  window_.FieldsToControls();
}

void TcpTransport::OnClientRadio() {
  window_.ControlsToFields();
  window_.EnableControl(kAddressBox, true);
  auto& fields = fields_;
  fields.addressBox = fields.savedIp;
  window_.FieldsToControls();
}

}  // namespace tcpip
