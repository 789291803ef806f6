#pragma once
// Non-blocking IPv4 stream sockets whose events reach their owner as notices through the
// user-interface thread's readiness loop, the way the original platform reported socket events
// to a window:
//   - notices are one-shot: after a data-ready notice none follows until Receive re-arms it;
//     after an accept notice none follows until Accept re-arms it;
//   - an orderly close by the peer is reported once, and only after the pending bytes are read;
//     a reset is reported at once;
//   - no notice follows Close.
// Every failing call stores its error as the last error (platform/last_error.h).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/readiness.h"
#include "platform/unique_fd.h"

namespace platform {

class StreamSocket {
 public:
  enum class Notice { DataReady, Closed, Acceptable };
  // Runs on the loop's thread. It must not destroy the socket (it may close it).
  using NoticeHandler = std::function<void(Notice)>;

  // What a blocking operation waits for.
  enum class Await { Readable, Writable, Acceptable, Connected };
  enum class WaitOutcome { Ready, Closed, TimedOut };

  // Without a loop the socket works but gives no notices.
  explicit StreamSocket(ReadinessLoop* loop = nullptr);
  ~StreamSocket();
  StreamSocket(const StreamSocket&) = delete;
  StreamSocket& operator=(const StreamSocket&) = delete;

  void SetNoticeHandler(NoticeHandler handler) { handler_ = std::move(handler); }

  // A new non-blocking IPv4 stream socket (closing whatever was open).
  bool Open();
  // Binds to `address` (host byte order; 0, the default, is any local address) and `port` (0:
  // the system chooses); SO_REUSEADDR when asked.
  bool Bind(std::uint16_t port, bool reuseAddress, std::uint32_t address = 0);
  // Listens and starts the accept notices.
  bool Listen(int backlog);
  // Takes one waiting connection into `into` (closing whatever it held), which then gives the
  // data and close notices. Re-arms this socket's accept notice whatever the outcome; EAGAIN
  // when nothing waits.
  bool Accept(StreamSocket& into);
  // Starts connecting to an IPv4 address (host byte order). True when connected at once;
  // otherwise false with EINPROGRESS when the connection is under way, or the failure's error.
  bool StartConnect(std::uint32_t address, std::uint16_t port);
  // After the connection attempt has ended (Await::Connected): its error code, 0 on success.
  // A connected socket starts its data and close notices.
  int FinishConnect();
  // The error the socket holds (a reset, say), taken from it; 0 when there is none.
  int TakePendingError();

  // One send of at most `count` bytes, never raising SIGPIPE: the count sent, or -1 (EAGAIN when
  // the socket buffer is full).
  long Send(const char* data, std::size_t count);
  // One receive of at most `capacity` bytes: the count (0 at the end of the stream), or -1
  // (EAGAIN when nothing is there). Re-arms the data-ready notice.
  long Receive(char* buffer, std::size_t capacity);
  // Bytes that can be read at once, or -1.
  long PendingBytes() const;
  // The remote address as dotted decimal text and the remote port; false (outputs untouched)
  // when the socket has no peer.
  bool PeerName(std::string& address, int& port) const;
  // The local port, or -1.
  int LocalPort() const;

  // Waits up to `timeoutMs` for `what` on this socket alone; the notices pause meanwhile. A close
  // by the peer (nothing left to read) or a reset ends the wait as Closed and is consumed: no
  // close notice follows for it. Other readiness of this socket is noticed after the wait.
  WaitOutcome WaitFor(Await what, int timeoutMs);

  // Closes the socket; no notice follows. Closing a closed socket does nothing.
  void Close();
  // Closes the socket with a reset instead of an orderly close (what a crashed peer looks like).
  void CloseWithReset();
  bool IsOpen() const { return fd_.valid(); }
  // The descriptor, for an owner's own writability watch or to show as a handle; -1 when closed.
  int Descriptor() const { return fd_.get(); }

 private:
  enum class Role { None, Listening, Connected };
  void StartNotices(Role role);
  void UpdateWatch();
  void OnReadable();

  ReadinessLoop* loop_;
  NoticeHandler handler_;
  UniqueFd fd_;
  Role role_ = Role::None;
  std::unique_ptr<ReadinessWatch> watch_;
  bool armed_ = false;          // the one-shot notice may fire
  bool paused_ = false;         // a blocking wait is in progress
  bool closeReported_ = false;  // the close was noticed or consumed
};

// The system's longest accept queue (SOMAXCONN): a listener with a short one drops the
// connection requests beyond it, and the peers retry only after a second or more.
int MaxListenBacklog();

// Whether IPv4 stream sockets can be made at all (a socket is made and closed again); false with
// the last error set when not.
bool SocketLayerWorks();

// Resolves a host text (CP932) to an IPv4 address in host byte order: first as a dotted address,
// then by name lookup for IPv4 only, taking the first address. Fails with EINVAL when neither
// gives an address.
bool ResolveIPv4(const std::string& host, std::uint32_t& address);

}  // namespace platform
