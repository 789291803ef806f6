#pragma once
// The listening socket of server mode (there is at most one). Posts WM_SOCK_ACCEPT, without
// parameters, when a connection waits to be accepted.

#include "tcpip/peer_endpoint.h"
#include "tcpip/socket_endpoint.h"

namespace tcpip {

class ListenEndpoint final : public SocketEndpoint {
 public:
  ListenEndpoint(platform::MessageQueue* owner, platform::ReadinessLoop* loop);

  // Listens with the system's longest accept queue, so that a burst of connecting devices is
  // taken at once.
  bool StartListening();

  // Accepts one waiting connection into a peer endpoint that is not open yet, waiting (blocking)
  // when none is there. The peer then owns the new socket and posts its own messages. False,
  // with the peer left unopened, on failure or when the endpoint is already inside a blocking
  // operation (EALREADY).
  bool AcceptInto(PeerEndpoint& peer);

  // Whether this endpoint has posted WM_SOCK_ACCEPT and no accept has been made since. The
  // message names no endpoint, so one left in the queue by an endpoint that is gone must not
  // make its successor wait for a connection that is not there.
  bool AcceptAnnounced() const { return announced_; }

 protected:
  // Re-listening on the same port right after closing must work.
  bool ReuseAddress() const override { return true; }

 private:
  bool announced_ = false;
};

}  // namespace tcpip
