#pragma once
// What both kinds of endpoint share: the socket, the owner window's message queue (the endpoint
// posts nothing when it has none), the blocking marker and the blocking wait.
//
// The blocking wait, run when a socket call would block:
//   - the marker is set; a second blocking operation on the endpoint fails at once (EALREADY);
//   - the owner's queue is held: no posted message (no handler) runs until the wait ends, and
//     the messages that other sockets post meanwhile are delivered afterwards, in order;
//   - only repaints run (the queue's ProcessRepaints) while the socket is watched;
//   - the wait ends when the awaited event comes, when the connection closes (that close is
//     consumed: no close message follows for it), or after the 2-second tick, and the call is
//     retried.

#include <chrono>
#include <cstdint>

#include "platform/stream_socket.h"
#include "platform/window_messages.h"

namespace tcpip {

class SocketEndpoint {
 public:
  SocketEndpoint(platform::MessageQueue* owner, platform::ReadinessLoop* loop);
  virtual ~SocketEndpoint() = default;
  SocketEndpoint(const SocketEndpoint&) = delete;
  SocketEndpoint& operator=(const SocketEndpoint&) = delete;

  // A new IPv4 stream socket bound to any local address and `port` (0: the system chooses).
  // When the bind fails the socket is closed again and the bind's error stays the last error.
  bool OpenSocket(int port);
  // Closes the socket; nothing is posted for it afterwards. Closing a closed endpoint does
  // nothing.
  void CloseSocket() { socket_.Close(); }
  bool IsOpen() const { return socket_.IsOpen(); }
  // The port the socket is bound to, or -1.
  int LocalPort() const { return socket_.LocalPort(); }
  // Whether one of the endpoint's blocking operations is waiting.
  bool IsBlocking() const { return blocking_; }
  // The id the endpoint's window messages name it by (never 0, never reused).
  std::uintptr_t Id() const { return id_; }

  // The wait tick; tests shorten it.
  void SetWaitTick(std::chrono::milliseconds tick) { waitTick_ = tick; }

 protected:
  // Sets the blocking marker for its life; tells whether the endpoint was free.
  class BlockingMarker {
   public:
    explicit BlockingMarker(SocketEndpoint& endpoint);
    ~BlockingMarker();
    BlockingMarker(const BlockingMarker&) = delete;
    BlockingMarker& operator=(const BlockingMarker&) = delete;
    // False (last error EALREADY) when the endpoint was already inside a blocking operation.
    bool Acquired() const { return acquired_; }

   private:
    SocketEndpoint& endpoint_;
    bool acquired_;
  };

  virtual bool ReuseAddress() const { return false; }

  // One blocking wait for `what`, ended by the event, the close or the tick.
  platform::StreamSocket::WaitOutcome BlockingWait(platform::StreamSocket::Await what);

  // After a socket call failed: when it failed only because it would block, runs one blocking
  // wait for `what` and returns true, so that the caller tries again; otherwise false, with the
  // call's error still the last error.
  bool WaitIfWouldBlock(platform::StreamSocket::Await what);

  // Posts a message naming this endpoint by its id.
  void Post(unsigned number);

  platform::StreamSocket socket_;

 private:
  platform::MessageQueue* owner_;
  std::uintptr_t id_;
  bool blocking_ = false;
  std::chrono::milliseconds waitTick_{2000};
};

}  // namespace tcpip
