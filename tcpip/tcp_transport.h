#pragma once
// The TCP/IP tool's connection flows: server and client connection, the accepted peers and the
// current peer, reception, sending of text and files, disconnection, and the TCP/IP controls of
// the main window (mode buttons, address box, busy and idle states). Everything runs on the
// user-interface thread, in the window's handlers and in the handlers of the endpoints' window
// messages.
//
// Endpoint lifetime: the transport owns every endpoint. The messages of a peer endpoint name it
// by address, so an endpoint that leaves service (closed by "切　断", or by its peer) is closed
// at once but destroyed only when a reclaim message, posted after the close, comes back through
// the queue: every message that could name it was queued before that one. Messages are matched
// against the live endpoints, never followed blindly.

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

// The window message that reclaims the endpoints closed before it was posted.
inline constexpr unsigned WM_SOCK_RECLAIM = 9150;

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
  // Endpoints alive, in service or waiting to be reclaimed.
  std::size_t LiveEndpoints() const { return endpoints_.size(); }

 private:
  PeerEndpoint* NewPeer();
  void Destroy(PeerEndpoint* peer);
  // Closes an endpoint and leaves it to the next reclaim.
  void Retire(PeerEndpoint* peer);
  void Reclaim(std::uint64_t upTo);
  PeerEndpoint* Find(std::uintptr_t id) const;

  void SendBlock(std::string bytes);
  std::string PeerAddress(PeerEndpoint* peer) const;
  void SetBusy();
  void SetIdle(bool addressEnabled);
  int PortNumber() const;
  void AddLine(const std::string& line);

  core::MainWindow& window_;
  core::TcpIpSettings& fields_;
  std::function<bool()> startSockets_;
  std::unique_ptr<platform::ReadinessLoop> loop_;

  std::unique_ptr<ListenEndpoint> listener_;
  PeerTable peerTable_;
  PeerEndpoint* currentPeer_ = nullptr;

  struct Owned {
    std::unique_ptr<PeerEndpoint> endpoint;
    std::uint64_t retiredIn = 0;  // the reclaim round that frees it; 0 while in service
  };
  std::vector<Owned> endpoints_;
  std::uint64_t reclaimRound_ = 0;
  std::vector<char> receiveBuffer_;
};

}  // namespace tcpip
