#pragma once
// The TCP/IP tool's connection flows: server and client connection, the accepted peers and the
// current peer, reception, sending of text and files, disconnection, and the TCP/IP controls of
// the main window (mode buttons, address box, busy and idle states). Everything runs on the
// user-interface thread, in the window's handlers and in the handlers of the endpoints' window
// messages.
//
// Endpoint lifetime: the transport owns every endpoint. The messages of an endpoint name it by its
// id and are matched against the live endpoints, so an endpoint that leaves service (closed by
// "切　断", or by its peer) is closed and destroyed at once: what is still queued for it finds
// nothing. The socket messages are transport messages: their handlers are never re-entered, not
// even from the loop of an error box they open. No handler keeps an endpoint or received bytes
// across anything that runs a loop: the line's texts are made before a box can be shown.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/transport.h"
#include "platform/readiness.h"
#include "tcpip/listen_endpoint.h"
#include "tcpip/peer_endpoint.h"
#include "tcpip/peer_table.h"

namespace core {
class MainWindow;
}

namespace tcpip {

class TcpTransport final : public core::Transport {
 public:
  // One block of reception, text or file sending.
  static constexpr std::size_t kBlockBytes = 102400;
  // How often and how long OnDataReady looks for pending bytes.
  static constexpr int kReceiveTries = 301;
  static constexpr int kReceiveTryMs = 10;

  // `fields` are the window's fields of the TCP/IP controls (tcpip/tcpip_tool.h). `startSockets`
  // stands for the socket layer's start (tests make it fail); the default makes sure sockets can
  // be made at all. `loop` watches socket readiness; by default the toolkit's.
  TcpTransport(core::MainWindow& window, core::TcpIpSettings& fields,
               std::function<bool()> startSockets = {},
               std::unique_ptr<platform::ReadinessLoop> loop = {});
  ~TcpTransport() override;

  // core::Transport
  bool StartTransport() override;
  void ConnectAction() override { OnConnectButton(); }
  void DisconnectAction() override { OnDisconnectButton(); }
  void SendOneFile(const std::string& cp932Path) override;
  bool IsConnected() const override { return currentPeer_ != nullptr; }
  void HandleWindowMessage(const platform::WindowMessage& message) override;

  // The handlers.
  void OnConnectButton();
  void OnDisconnectButton();
  void OnAcceptReady();
  void OnDataReady(PeerEndpoint* peer);
  void OnPeerClosed(PeerEndpoint* peer);
  void OnTextSendButton();
  void OnTrafficSelect(int line);
  void OnServerRadio();
  void OnClientRadio();
  // Client mode: the port box number; server mode: the remote port of an endpoint in the table,
  // or the empty text for one that is not in it (or whose peer name cannot be read).
  std::string PeerPortText(PeerEndpoint* peer);

  // For tests and the benchmark.
  ListenEndpoint* Listener() const { return listener_.get(); }
  PeerEndpoint* CurrentPeer() const { return currentPeer_; }
  const PeerTable& Peers() const { return peerTable_; }
  // Endpoints alive: the current client connection or the accepted peers.
  std::size_t LiveEndpoints() const { return endpoints_.size(); }

 private:
  PeerEndpoint* NewPeer();
  // Closes an endpoint and destroys it; messages still queued for it are dropped.
  void Destroy(PeerEndpoint* peer);
  PeerEndpoint* Find(std::uintptr_t id) const;

  void SendBlock(std::string bytes);
  std::string PeerAddress(PeerEndpoint* peer) const;
  void SetBusy();
  void SetIdle(bool addressEnabled);
  int PortNumber() const;
  void AddLine(const std::string& line);
  // A line about a peer without data (connected, closed): its address and `portText`.
  void AddPeerLine(const std::string& format, PeerEndpoint* peer, const std::string& portText);

  core::MainWindow& window_;
  core::TcpIpSettings& fields_;
  std::function<bool()> startSockets_;
  std::unique_ptr<platform::ReadinessLoop> loop_;

  std::unique_ptr<ListenEndpoint> listener_;
  PeerTable peerTable_;
  PeerEndpoint* currentPeer_ = nullptr;

  std::vector<std::unique_ptr<PeerEndpoint>> endpoints_;
};

}  // namespace tcpip
