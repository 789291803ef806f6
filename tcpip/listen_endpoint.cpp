#include "tcpip/listen_endpoint.h"

#include <cerrno>

#include "platform/last_error.h"
#include "tcpip/socket_messages.h"

namespace tcpip {

using platform::StreamSocket;

ListenEndpoint::ListenEndpoint(platform::MessageQueue* owner, platform::ReadinessLoop* loop)
    : SocketEndpoint(owner, loop) {
  socket_.SetNoticeHandler([this](StreamSocket::Notice notice) {
    if (notice != StreamSocket::Notice::Acceptable) return;
    announced_ = true;
    Post(WM_SOCK_ACCEPT);
  });
}

bool ListenEndpoint::StartListening() {
  return socket_.Listen(platform::MaxListenBacklog());
}

bool ListenEndpoint::AcceptInto(PeerEndpoint& peer) {
  BlockingMarker marker(*this);
  if (!marker.Acquired()) return false;
  if (!socket_.IsOpen()) {
    platform::SetLastError(ENOTSOCK);
    return false;
  }
  announced_ = false;
  for (;;) {
    if (socket_.Accept(peer.socket_)) {
      peer.KeepPeerName();
      return true;
    }
    if (!WaitIfWouldBlock(StreamSocket::Await::Acceptable)) return false;
  }
}

}  // namespace tcpip
