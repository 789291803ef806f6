#pragma once
// The socket component: TCP or UDP over IPv4 with the states, methods and events that scripts
// written for the original platform's socket control rely on. It lives on one thread (its
// apartment) and is driven only by that thread's readiness loop: no call blocks, and every event
// is raised from inside the loop, never from inside the call that caused it.
//
// Texts (host names, addresses, error descriptions) are CP932 byte strings; data are bytes.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "components/byte_queue.h"
#include "components/owner_hold.h"
#include "platform/datagram_socket.h"
#include "platform/host_lookup.h"
#include "platform/readiness.h"
#include "platform/stream_socket.h"
#include "platform/wake_event.h"

namespace components::winsock {

enum class State : std::int16_t {
  Closed = 0,
  Open = 1,  // a UDP socket (or a TCP socket) bound to its local port
  Listening = 2,
  ConnectionPending = 3,
  ResolvingHost = 4,
  HostResolved = 5,
  Connecting = 6,
  Connected = 7,
  Closing = 8,  // the peer closed; Close returns to Closed
  Error = 9,
};

enum class Protocol : std::int32_t { Tcp = 0, Udp = 1 };

// The outcome of a call: success, or the component's error number with its text.
class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status Failure(int number) { return Status(number); }
  bool ok() const { return number_ == 0; }
  int Number() const { return number_; }
  std::string_view Description() const;

 private:
  explicit Status(int number) : number_(number) {}
  int number_ = 0;
};

// The arguments of the error event; the handler may change the description and CancelDisplay.
struct ErrorEvent {
  std::int16_t number = 0;
  std::string description;
  std::int32_t scode = 0;
  std::string source;
  std::string helpFile;
  std::int32_t helpContext = 0;
  bool cancelDisplay = false;
};

// Receives the component's events, on the loop's thread. A handler may call any member of the
// component (Close included) but must not destroy it.
class SocketEvents {
 public:
  virtual ~SocketEvents() = default;
  virtual void OnClose() = 0;
  virtual void OnConnect() = 0;
  virtual void OnConnectionRequest(std::int32_t requestId) = 0;
  virtual void OnDataArrival(std::int32_t bytesTotal) = 0;
  virtual void OnError(ErrorEvent& event) = 0;
  virtual void OnSendComplete() = 0;
  virtual void OnSendProgress(std::int32_t bytesSent, std::int32_t bytesRemaining) = 0;
};

class SocketComponent {
 public:
  // Received bytes that wait beyond this stop the reading until the owner takes some, so that a
  // peer that floods an owner that does not read fills the system's buffers, not ours.
  static constexpr std::size_t kReceiveLimit = 4u << 20;
  // Bytes read from the system in one turn of the loop before DataArrival is raised.
  static constexpr std::size_t kReadPerTurn = 1u << 20;
  // SendData is refused (no buffer space) while this much still waits to be sent.
  static constexpr std::size_t kSendLimit = 64u << 20;

  explicit SocketComponent(platform::ReadinessLoop& loop);
  ~SocketComponent();
  SocketComponent(const SocketComponent&) = delete;
  SocketComponent& operator=(const SocketComponent&) = delete;

  void SetEvents(SocketEvents* events) { events_ = events; }
  // What keeps the component's owner alive through each loop callback (components/owner_hold.h).
  void SetOwnerHold(OwnerHold hold) { owner_.Set(std::move(hold)); }
  platform::ReadinessLoop& Loop() const { return loop_; }

  // Properties.
  std::int32_t RemotePort() const { return remotePort_; }
  Status SetRemotePort(std::int32_t port);
  std::int32_t LocalPort() const { return localPort_; }
  Status SetLocalPort(std::int32_t port);
  Protocol GetProtocol() const { return protocol_; }
  // Only while closed; 0 (TCP) or 1 (UDP).
  Status SetProtocol(std::int32_t protocol);
  const std::string& RemoteHost() const { return remoteHost_; }
  void SetRemoteHost(std::string host);
  const std::string& RemoteHostIP() const { return remoteHostIP_; }
  std::string LocalHostName() const;
  std::string LocalIP() const;
  std::int32_t SocketHandle() const;
  State GetState() const { return state_; }
  std::int32_t BytesReceived() const;

  // Methods. Omitted optional arguments are empty.
  Status Connect(std::optional<std::string> remoteHost, std::optional<std::int32_t> remotePort);
  Status Listen();
  // Takes the connection of a ConnectionRequest event (of this component or of another one on
  // the same loop) while that event is being raised.
  Status Accept(std::int32_t requestId);
  Status SendData(std::string_view bytes);
  // What GetData (or PeekData, which leaves the bytes waiting) hands over: at most `maxLen`
  // bytes (everything when omitted) in TCP, the next datagram in UDP. A datagram longer than
  // `maxLen` gives its first `maxLen` bytes and fails with 10040; GetData discards the rest.
  Status Read(std::optional<std::size_t> maxLen, bool peek, std::string& out);
  // The bytes a read could hand over now: all that waits (TCP) or the next datagram's size (UDP).
  std::size_t Readable() const;
  Status Close();
  Status Bind(std::optional<std::int32_t> localPort, std::optional<std::string> localIP);

 private:
  struct Datagram {
    std::string bytes;
    std::string senderAddress;
    std::int32_t senderPort = 0;
  };
  struct OutgoingDatagram {
    std::string bytes;
    std::uint32_t address = 0;
    std::uint16_t port = 0;
  };

  bool Raise(const std::function<void(SocketEvents&)>& raise);
  void Defer(std::function<void()> work);
  void OnWake();
  void Reset();
  void Fail(int number);

  // TCP.
  bool OpenStream();
  void AttachStream(std::unique_ptr<platform::StreamSocket> stream);
  void StartConnect(std::uint32_t address);
  void OnConnected();
  void OnStreamNotice(platform::StreamSocket::Notice notice);
  void OnConnectionWaiting();
  void ReadStream();
  void OnPeerClosed();
  void OnWritable();
  bool SendQueued();
  // UDP.
  bool OpenDatagram(std::uint32_t address);
  void ReadDatagrams();
  Status SendDatagram(OutgoingDatagram datagram);
  void OnDestinationResolved(int error, std::uint32_t address);

  void WatchWritable(int fd);
  void ReportProgress();
  void ScheduleProgress();
  std::size_t Waiting() const;

  platform::ReadinessLoop& loop_;
  SocketEvents* events_ = nullptr;
  OwnerHolder owner_;
  platform::HostResolver resolver_;
  platform::WakeEvent wake_;
  std::unique_ptr<platform::ReadinessWatch> wakeWatch_;
  std::deque<std::function<void()>> deferred_;

  State state_ = State::Closed;
  Protocol protocol_ = Protocol::Tcp;
  std::int32_t remotePort_ = 0;
  std::int32_t localPort_ = 0;
  // A port the system chose for a connection: LocalPort reads it, but the next connection lets
  // the system choose again, unless LocalPort is written meanwhile.
  bool localPortChosenBySystem_ = false;
  std::string remoteHost_;
  std::string remoteHostIP_;
  // Counts closes and failures: an event handler that closed the component ends the work that
  // raised it.
  std::uint64_t generation_ = 0;

  std::unique_ptr<platform::StreamSocket> stream_;
  // Streams closed, perhaps from inside their own notice; destroyed once that has returned.
  std::vector<std::unique_ptr<platform::StreamSocket>> retired_;
  std::unique_ptr<platform::ReadinessWatch> writeWatch_;
  components::ByteQueue received_;
  components::ByteQueue outgoing_;
  bool readingPaused_ = false;
  bool connecting_ = false;  // the writability watch waits for the connection

  platform::DatagramSocket datagram_;
  std::deque<Datagram> datagrams_;
  std::size_t datagramBytes_ = 0;
  std::deque<OutgoingDatagram> outgoingDatagrams_;
  std::size_t outgoingDatagramBytes_ = 0;
  // Datagrams for a remote host whose address is still being looked up.
  std::deque<std::string> awaitingAddress_;
  std::string resolvedHost_;
  std::uint32_t resolvedAddress_ = 0;
  bool resolvedHostValid_ = false;

  std::int64_t sentSinceProgress_ = 0;
  bool progressScheduled_ = false;
};

}  // namespace components::winsock
