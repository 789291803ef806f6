#include "tcpip/peer_endpoint.h"

#include <cerrno>
#include <cstdint>

#include "platform/last_error.h"
#include "tcpip/socket_messages.h"

namespace tcpip {

using platform::StreamSocket;

PeerEndpoint::PeerEndpoint(platform::MessageQueue* owner, platform::ReadinessLoop* loop)
    : SocketEndpoint(owner, loop) {
  socket_.SetNoticeHandler([this](StreamSocket::Notice notice) { OnNotice(notice); });
}

void PeerEndpoint::OnNotice(StreamSocket::Notice notice) {
  if (notice == StreamSocket::Notice::DataReady) Post(WM_SOCK_RECEIVE);
  if (notice == StreamSocket::Notice::Closed) Post(WM_SOCK_CLOSE);
}

bool PeerEndpoint::ConnectTo(const std::string& host, int port) {
  BlockingMarker marker(*this);
  if (!marker.Acquired()) return false;
  std::uint32_t address = 0;
  if (!platform::ResolveIPv4(host, address)) return false;
  if (port < 0 || port > 65535) {
    platform::SetLastError(EINVAL);
    return false;
  }
  if (socket_.StartConnect(address, static_cast<std::uint16_t>(port))) {
    connectResult_ = 0;
    KeepPeerName();
    return true;
  }
  if (platform::LastError() != EINPROGRESS) return false;
  // There is no time limit of the tool's own: the system's connect time-out ends the attempt.
  while (BlockingWait(StreamSocket::Await::Connected) == StreamSocket::WaitOutcome::TimedOut) {
  }
  connectResult_ = socket_.FinishConnect();
  if (connectResult_ == 0) KeepPeerName();
  platform::SetLastError(connectResult_);
  return connectResult_ == 0;
}

long PeerEndpoint::SendAll(const char* data, std::size_t count) {
  BlockingMarker marker(*this);
  if (!marker.Acquired() || count == 0) return 0;
  if (!socket_.IsOpen()) {
    platform::SetLastError(ENOTCONN);
    return -1;
  }
  std::size_t sent = 0;
  while (sent < count) {
    const long now = socket_.Send(data + sent, count - sent);
    if (now >= 0) {
      sent += static_cast<std::size_t>(now);
      continue;
    }
    if (!WaitIfWouldBlock(StreamSocket::Await::Writable)) return -1;
  }
  return static_cast<long>(count);
}

long PeerEndpoint::PendingBytes() const {
  if (!socket_.IsOpen()) {
    platform::SetLastError(ENOTCONN);
    return -1;
  }
  return socket_.PendingBytes();
}

long PeerEndpoint::ReceiveSome(char* buffer, std::size_t capacity) {
  BlockingMarker marker(*this);
  if (!marker.Acquired()) return 0;
  if (!socket_.IsOpen()) {
    platform::SetLastError(ENOTCONN);
    return -1;
  }
  for (;;) {
    const long got = socket_.Receive(buffer, capacity);
    if (got >= 0) return got;
    if (!WaitIfWouldBlock(StreamSocket::Await::Readable)) return -1;
  }
}

void PeerEndpoint::KeepPeerName() {
  const int error = platform::LastError();
  std::string address;
  int port = 0;
  if (socket_.PeerName(address, port)) {
    peerAddress_ = std::move(address);
    peerPort_ = port;
  }
  platform::SetLastError(error);
}

bool PeerEndpoint::ReadPeerName(std::string& address, int& port) const {
  if (peerPort_ < 0) {
    platform::SetLastError(ENOTCONN);
    return false;
  }
  address = peerAddress_;
  port = peerPort_;
  return true;
}

}  // namespace tcpip
