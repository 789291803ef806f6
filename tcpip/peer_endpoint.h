#pragma once
// One TCP connection: accepted by the listening endpoint, or the tool's own connection to a
// server. Posts WM_SOCK_RECEIVE when data waits and WM_SOCK_CLOSE when the peer closed or the
// connection broke, each naming this endpoint by its id; a message still queued when the endpoint
// is gone finds nothing and is dropped.

#include <cstddef>
#include <string>

#include "tcpip/socket_endpoint.h"

namespace tcpip {

class PeerEndpoint final : public SocketEndpoint {
 public:
  PeerEndpoint(platform::MessageQueue* owner, platform::ReadinessLoop* loop);

  // Connects to a host text (dotted IPv4 address or host name, CP932) after OpenSocket(0). A host
  // that does not resolve fails with EINVAL before any connection is tried. Waits for the
  // outcome (blocking); true when connected, otherwise the connection's error is the last error.
  bool ConnectTo(const std::string& host, int port);
  // The error code the connection attempt ended with; -1 while none has ended.
  int ConnectResult() const { return connectResult_; }

  // Sends every byte, waiting (blocking) whenever the socket buffer is full. Returns `count`,
  // -1 when a send failed (last error set), or 0 without sending when `count` is 0 or the
  // endpoint is already inside a blocking operation (EALREADY). Never a partial count.
  long SendAll(const char* data, std::size_t count);

  // The bytes that can be read at once, or -1 when the query fails.
  long PendingBytes() const;

  // One receive of at most `capacity` bytes, waiting (blocking) when nothing is there: the
  // count, -1 on failure, 0 at the end of the stream or without reading when the endpoint is
  // already inside a blocking operation (EALREADY).
  long ReceiveSome(char* buffer, std::size_t capacity);

  // The remote address (dotted decimal) and port as read when the connection was accepted or
  // made, so that a peer that reset or closed is still named; false, outputs untouched, when the
  // endpoint never had a peer.
  bool ReadPeerName(std::string& address, int& port) const;

 private:
  friend class ListenEndpoint;  // accepts into the endpoint's socket
  void OnNotice(platform::StreamSocket::Notice notice);
  // Reads the peer's name from the new connection and keeps it.
  void KeepPeerName();

  int connectResult_ = -1;
  std::string peerAddress_;
  int peerPort_ = -1;
};

}  // namespace tcpip
