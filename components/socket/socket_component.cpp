#include "components/socket/socket_component.h"

#include <algorithm>
#include <cerrno>
#include <map>

#include "components/socket/winsock_errors.h"
#include "platform/last_error.h"

namespace components::winsock {
namespace {

constexpr std::int32_t kLargestPort = 65535;
constexpr std::size_t kDatagramsPerTurn = 64;
// The largest datagram IPv4 can carry.
constexpr std::size_t kLargestDatagram = 65507;

Status FailWith(int number) {
  return Status::Failure(number);
}

Status FromLastError() {
  return Status::Failure(FromErrno(platform::LastError()));
}

// Connections that a listening component has taken and offered in its ConnectionRequest event:
// they wait here, on the apartment's thread, while that event is being raised, so that Accept on
// any component of the apartment can take them.
struct PendingRequest {
  platform::ReadinessLoop* loop = nullptr;
  std::unique_ptr<platform::StreamSocket> socket;
};

std::map<std::int32_t, PendingRequest>& PendingRequests() {
  thread_local std::map<std::int32_t, PendingRequest> requests;
  return requests;
}

}  // namespace

std::string_view Status::Description() const {
  return ErrorDescription(number_);
}

SocketComponent::SocketComponent(platform::ReadinessLoop& loop)
    : loop_(loop), resolver_(loop), datagram_(&loop) {
  if (wake_.IsValid()) {
    wakeWatch_ = loop_.WatchReadable(wake_.Descriptor(), [this] {
      const auto hold = owner_.Take();
      OnWake();
    });
    wakeWatch_->SetEnabled(true);
  }
  datagram_.SetReadyHandler([this] {
    const auto hold = owner_.Take();
    ReadDatagrams();
  });
}

SocketComponent::~SocketComponent() {
  events_ = nullptr;
  Reset();
  wakeWatch_.reset();
}

// ---------------------------------------------------------------------------------------------
// Properties.

Status SocketComponent::SetRemotePort(std::int32_t port) {
  if (port < 0 || port > kLargestPort) return FailWith(kOutOfRange);
  remotePort_ = port;
  return {};
}

Status SocketComponent::SetLocalPort(std::int32_t port) {
  if (port < 0 || port > kLargestPort) return FailWith(kOutOfRange);
  localPort_ = port;
  localPortChosenBySystem_ = false;
  return {};
}

Status SocketComponent::SetProtocol(std::int32_t protocol) {
  if (state_ != State::Closed) return FailWith(kBadState);
  if (protocol != 0 && protocol != 1) return FailWith(kOutOfRange);
  protocol_ = static_cast<Protocol>(protocol);
  return {};
}

void SocketComponent::SetRemoteHost(std::string host) {
  remoteHost_ = std::move(host);
}

std::string SocketComponent::LocalHostName() const {
  return platform::LocalHostName();
}

std::string SocketComponent::LocalIP() const {
  // The machine's own address: the first IPv4 address of an interface that is up and is not the
  // loopback, else the loopback.
  std::string found = platform::FirstInterfaceAddress();
  return found.empty() ? std::string("127.0.0.1") : found;
}

std::int32_t SocketComponent::SocketHandle() const {
  if (stream_ && stream_->IsOpen()) return stream_->Descriptor();
  if (datagram_.IsOpen()) return datagram_.Descriptor();
  return -1;
}

std::int32_t SocketComponent::BytesReceived() const {
  return static_cast<std::int32_t>(std::min<std::size_t>(Waiting(), INT32_MAX));
}

std::size_t SocketComponent::Waiting() const {
  return protocol_ == Protocol::Udp ? datagramBytes_ : received_.size();
}

std::size_t SocketComponent::Readable() const {
  if (protocol_ == Protocol::Udp) return datagrams_.empty() ? 0 : datagrams_.front().bytes.size();
  return received_.size();
}

// ---------------------------------------------------------------------------------------------
// Events, deferred work and the common failure path.

bool SocketComponent::Raise(const std::function<void(SocketEvents&)>& raise) {
  const std::uint64_t generation = generation_;
  if (events_) raise(*events_);
  return generation == generation_;
}

void SocketComponent::Defer(std::function<void()> work) {
  deferred_.push_back(std::move(work));
  wake_.Signal();
}

void SocketComponent::OnWake() {
  wake_.Consume();
  retired_.clear();
  // Work deferred by a handler of this work runs in the same turn, after it.
  while (!deferred_.empty()) {
    auto work = std::move(deferred_.front());
    deferred_.pop_front();
    work();
  }
}

void SocketComponent::Reset() {
  ++generation_;
  resolver_.Cancel();
  writeWatch_.reset();
  if (stream_) {
    // A final attempt, without waiting, to hand what still waits to the system.
    if (state_ == State::Connected && !outgoing_.empty()) SendQueued();
    stream_->Close();
    // The stream may be the one whose notice is running now: it goes only after that returns.
    retired_.push_back(std::move(stream_));
    wake_.Signal();
  }
  datagram_.Close();
  deferred_.clear();
  received_.Release();
  outgoing_.Release();
  datagrams_.clear();
  datagramBytes_ = 0;
  outgoingDatagrams_.clear();
  outgoingDatagramBytes_ = 0;
  awaitingAddress_.clear();
  readingPaused_ = false;
  connecting_ = false;
  sentSinceProgress_ = 0;
  progressScheduled_ = false;
}

void SocketComponent::Fail(int number) {
  Reset();
  state_ = State::Error;
  ErrorEvent event;
  event.number = static_cast<std::int16_t>(number);
  event.description = std::string(ErrorDescription(number));
  event.scode = ScodeOf(number);
  event.source = std::string(kErrorSource);
  Raise([&](SocketEvents& events) { events.OnError(event); });
}

// ---------------------------------------------------------------------------------------------
// Methods.

Status SocketComponent::Close() {
  Reset();
  state_ = State::Closed;
  return {};
}

Status SocketComponent::Bind(std::optional<std::int32_t> localPort,
                             std::optional<std::string> localIP) {
  if (state_ != State::Closed) return FailWith(kBadState);
  std::uint32_t address = 0;
  if (localIP && !localIP->empty() && !platform::ParseDottedAddress(*localIP, address)) {
    return FailWith(kInvalidArgument);
  }
  if (localPort) {
    if (Status set = SetLocalPort(*localPort); !set.ok()) return set;
  }
  const auto port = static_cast<std::uint16_t>(localPortChosenBySystem_ ? 0 : localPort_);
  if (protocol_ == Protocol::Udp) {
    if (!OpenDatagram(address)) return FromLastError();
  } else {
    if (!OpenStream() || !stream_->Bind(port, true, address)) {
      Status failed = FromLastError();
      Reset();
      return failed;
    }
    localPort_ = stream_->LocalPort();
  }
  localPortChosenBySystem_ = false;
  state_ = State::Open;
  return {};
}

Status SocketComponent::Listen() {
  if (protocol_ != Protocol::Tcp) return FailWith(kWrongProtocol);
  if (state_ != State::Closed && state_ != State::Open) return FailWith(kBadState);
  if (state_ == State::Closed) {
    const auto port = static_cast<std::uint16_t>(localPortChosenBySystem_ ? 0 : localPort_);
    if (!OpenStream() || !stream_->Bind(port, true)) {
      Status failed = FromLastError();
      Reset();
      return failed;
    }
  }
  if (!stream_->Listen(platform::MaxListenBacklog())) {
    Status failed = FromLastError();
    Reset();
    state_ = State::Closed;
    return failed;
  }
  localPort_ = stream_->LocalPort();
  localPortChosenBySystem_ = false;
  state_ = State::Listening;
  return {};
}

Status SocketComponent::Connect(std::optional<std::string> remoteHost,
                                std::optional<std::int32_t> remotePort) {
  if (protocol_ != Protocol::Tcp) return FailWith(kWrongProtocol);
  if (state_ != State::Closed && state_ != State::Open) return FailWith(kBadState);
  if (remotePort) {
    if (Status set = SetRemotePort(*remotePort); !set.ok()) return set;
  }
  if (remoteHost) remoteHost_ = std::move(*remoteHost);

  std::uint32_t address = 0;
  if (platform::ParseDottedAddress(remoteHost_, address)) {
    state_ = State::HostResolved;
    StartConnect(address);
    return {};
  }
  const std::uint64_t generation = generation_;
  if (!resolver_.Start(remoteHost_, [this, generation](const platform::HostLookupOutcome& outcome) {
        const auto hold = owner_.Take();
        if (generation != generation_) return;
        if (const int error = FromLookupOutcome(outcome); error != 0) return Fail(error);
        state_ = State::HostResolved;
        StartConnect(outcome.address);
      })) {
    return FromLastError();
  }
  state_ = State::ResolvingHost;
  return {};
}

void SocketComponent::StartConnect(std::uint32_t address) {
  remoteHostIP_ = platform::DottedAddressText(address);
  if (!stream_) {
    if (!OpenStream())
      return Defer([this, error = FromErrno(platform::LastError())] { Fail(error); });
    const bool chosenBefore = localPortChosenBySystem_;
    if (!chosenBefore && localPort_ != 0 &&
        !stream_->Bind(static_cast<std::uint16_t>(localPort_), true)) {
      const int error = FromErrno(platform::LastError());
      return Defer([this, error] { Fail(error); });
    }
  }
  state_ = State::Connecting;
  if (stream_->StartConnect(address, static_cast<std::uint16_t>(remotePort_))) {
    const std::uint64_t generation = generation_;
    return Defer([this, generation] {
      if (generation == generation_) OnConnected();
    });
  }
  if (platform::LastError() != EINPROGRESS) {
    const int error = FromErrno(platform::LastError());
    return Defer([this, error] { Fail(error); });
  }
  connecting_ = true;
  WatchWritable(stream_->Descriptor());
}

void SocketComponent::OnConnected() {
  state_ = State::Connected;
  localPort_ = stream_->LocalPort();
  localPortChosenBySystem_ = true;
  if (!Raise([](SocketEvents& events) { events.OnConnect(); })) return;
  // Bytes may have come with the connection.
  ReadStream();
}

Status SocketComponent::Accept(std::int32_t requestId) {
  if (protocol_ != Protocol::Tcp) return FailWith(kWrongProtocol);
  if (state_ != State::Closed) return FailWith(kBadState);
  auto& requests = PendingRequests();
  auto found = requests.find(requestId);
  if (found == requests.end() || !found->second.socket) return FailWith(kNotSocket);
  if (found->second.loop != &loop_) return FailWith(kInvalidOperation);
  std::unique_ptr<platform::StreamSocket> socket = std::move(found->second.socket);
  requests.erase(found);

  Reset();
  AttachStream(std::move(socket));
  std::string address;
  int port = 0;
  if (stream_->PeerName(address, port)) {
    remoteHostIP_ = address;
    remotePort_ = port;
  }
  localPort_ = stream_->LocalPort();
  state_ = State::Connected;
  // Bytes that came before the accept are announced from the loop.
  const std::uint64_t generation = generation_;
  Defer([this, generation] {
    if (generation == generation_) ReadStream();
  });
  return {};
}

Status SocketComponent::SendData(std::string_view bytes) {
  if (protocol_ == Protocol::Udp) {
    if (state_ == State::Closed) {
      if (Status bound = Bind(std::nullopt, std::nullopt); !bound.ok()) return bound;
    }
    if (state_ != State::Open) return FailWith(kBadState);
    if (bytes.size() > kLargestDatagram) return FailWith(kMessageTooBig);
    if (outgoingDatagramBytes_ >= kSendLimit) return FailWith(kNoBufferSpace);
    std::uint32_t address = 0;
    // Without a remote host, a datagram answers the sender heard last.
    const std::string& host = remoteHost_.empty() ? remoteHostIP_ : remoteHost_;
    if (platform::ParseDottedAddress(host, address)) {
      return SendDatagram({std::string(bytes), address, static_cast<std::uint16_t>(remotePort_)});
    }
    if (resolvedHostValid_ && resolvedHost_ == remoteHost_) {
      return SendDatagram(
          {std::string(bytes), resolvedAddress_, static_cast<std::uint16_t>(remotePort_)});
    }
    // The address is looked up first; the datagrams wait for it, in order.
    awaitingAddress_.emplace_back(bytes);
    if (!resolver_.Busy()) {
      const std::uint64_t generation = generation_;
      const std::string lookedUp = remoteHost_;
      if (!resolver_.Start(
              lookedUp, [this, generation, lookedUp](const platform::HostLookupOutcome& outcome) {
                const auto hold = owner_.Take();
                if (generation != generation_) return;
                const int error = FromLookupOutcome(outcome);
                const std::uint32_t found = outcome.address;
                if (error == 0) {
                  resolvedHost_ = lookedUp;
                  resolvedAddress_ = found;
                  resolvedHostValid_ = true;
                }
                OnDestinationResolved(error, found);
              })) {
        awaitingAddress_.pop_back();
        return FromLastError();
      }
    }
    return {};
  }

  if (state_ != State::Connected) return FailWith(kBadState);
  if (outgoing_.size() >= kSendLimit) return FailWith(kNoBufferSpace);
  const bool wasIdle = outgoing_.empty();
  outgoing_.Append(bytes);
  if (!wasIdle) return {};  // the writability watch is already waiting
  const std::uint64_t generation = generation_;
  if (!SendQueued()) {
    // The failure is reported as an event, from the loop, as for a send in the background.
    const int error = FromErrno(platform::LastError());
    Defer([this, generation, error] {
      if (generation == generation_) Fail(error);
    });
    return {};
  }
  if (!outgoing_.empty()) WatchWritable(stream_->Descriptor());
  ScheduleProgress();
  return {};
}

Status SocketComponent::Read(std::optional<std::size_t> maxLen, bool peek, std::string& out) {
  out.clear();
  if (protocol_ == Protocol::Udp) {
    if (datagrams_.empty()) return {};
    Datagram& next = datagrams_.front();
    const bool cut = maxLen && *maxLen < next.bytes.size();
    out = cut ? next.bytes.substr(0, *maxLen) : next.bytes;
    if (!peek) {
      datagramBytes_ -= next.bytes.size();
      datagrams_.pop_front();
      if (readingPaused_ && datagramBytes_ < kReceiveLimit) {
        readingPaused_ = false;
        datagram_.ResumeNotices();
      }
    }
    return cut ? FailWith(kMessageTooBig) : Status();
  }
  const std::size_t count = std::min(received_.size(), maxLen.value_or(received_.size()));
  out.assign(received_.View().substr(0, count));
  if (!peek && count > 0) {
    received_.Consume(count);
    if (readingPaused_ && received_.size() < kReceiveLimit) {
      readingPaused_ = false;
      // Reading goes on from the loop, not from inside this call (which may be a handler of the
      // DataArrival that the reading would raise).
      const std::uint64_t generation = generation_;
      Defer([this, generation] {
        if (generation == generation_) ReadStream();
      });
    }
  }
  return {};
}

// ---------------------------------------------------------------------------------------------
// TCP.

bool SocketComponent::OpenStream() {
  auto stream = std::make_unique<platform::StreamSocket>(&loop_);
  if (!stream->Open()) return false;
  AttachStream(std::move(stream));
  return true;
}

void SocketComponent::AttachStream(std::unique_ptr<platform::StreamSocket> stream) {
  stream_ = std::move(stream);
  stream_->SetNoticeHandler([this](platform::StreamSocket::Notice notice) {
    const auto hold = owner_.Take();
    OnStreamNotice(notice);
  });
}

void SocketComponent::OnStreamNotice(platform::StreamSocket::Notice notice) {
  switch (notice) {
    case platform::StreamSocket::Notice::Acceptable:
      return OnConnectionWaiting();
    case platform::StreamSocket::Notice::DataReady:
      return ReadStream();
    case platform::StreamSocket::Notice::Closed:
      return OnPeerClosed();
  }
}

void SocketComponent::OnConnectionWaiting() {
  if (state_ != State::Listening) return;
  auto socket = std::make_unique<platform::StreamSocket>(&loop_);
  if (!stream_->Accept(*socket)) return;  // nothing waits after all (the accept re-armed)
  std::string address;
  int port = 0;
  if (socket->PeerName(address, port)) {
    remoteHostIP_ = address;
    remotePort_ = port;
  }
  const std::int32_t requestId = socket->Descriptor();
  auto& requests = PendingRequests();
  requests[requestId] = PendingRequest{&loop_, std::move(socket)};
  Raise([requestId](SocketEvents& events) { events.OnConnectionRequest(requestId); });
  // A request that no component accepted while its event ran is closed: the peer sees the close.
  requests.erase(requestId);
}

void SocketComponent::ReadStream() {
  if (!stream_ || state_ != State::Connected) return;
  std::size_t got = 0;
  while (got < kReadPerTurn) {
    if (received_.size() >= kReceiveLimit) {
      readingPaused_ = true;
      break;
    }
    const std::size_t room = std::min(kReadPerTurn - got, kReceiveLimit - received_.size());
    char* into = received_.Reserve(room);
    const long count = stream_->Receive(into, room);
    received_.Commit(count > 0 ? static_cast<std::size_t>(count) : 0);
    if (count <= 0) break;  // nothing more now, or the end (whose notice follows)
    got += static_cast<std::size_t>(count);
  }
  if (got == 0) return;
  const auto total = static_cast<std::int32_t>(std::min<std::size_t>(received_.size(), INT32_MAX));
  Raise([total](SocketEvents& events) { events.OnDataArrival(total); });
}

void SocketComponent::OnPeerClosed() {
  if (state_ != State::Connected) return;
  // A reset ends the connection with an error; an orderly close leaves it closing, with the
  // bytes already received still there to be read.
  if (const int error = stream_->TakePendingError(); error != 0) return Fail(FromErrno(error));
  writeWatch_.reset();
  outgoing_.Release();
  state_ = State::Closing;
  Raise([](SocketEvents& events) { events.OnClose(); });
}

void SocketComponent::WatchWritable(int fd) {
  if (!writeWatch_) {
    writeWatch_ = loop_.WatchWritable(fd, [this] {
      const auto hold = owner_.Take();
      OnWritable();
    });
  }
  writeWatch_->SetEnabled(true);
}

void SocketComponent::OnWritable() {
  if (connecting_) {
    connecting_ = false;
    writeWatch_->SetEnabled(false);
    const int error = stream_->FinishConnect();
    if (error != 0) return Fail(FromErrno(error));
    return OnConnected();
  }
  if (protocol_ == Protocol::Udp) {
    while (!outgoingDatagrams_.empty()) {
      OutgoingDatagram& next = outgoingDatagrams_.front();
      const long sent =
          datagram_.SendTo(next.bytes.data(), next.bytes.size(), next.address, next.port);
      if (sent < 0 && platform::LastError() == EAGAIN) break;
      if (sent < 0) return Fail(FromErrno(platform::LastError()));
      sentSinceProgress_ += sent;
      outgoingDatagramBytes_ -= next.bytes.size();
      outgoingDatagrams_.pop_front();
    }
    if (outgoingDatagrams_.empty()) writeWatch_->SetEnabled(false);
    return ReportProgress();
  }
  if (!SendQueued()) return Fail(FromErrno(platform::LastError()));
  if (outgoing_.empty()) writeWatch_->SetEnabled(false);
  ReportProgress();
}

bool SocketComponent::SendQueued() {
  while (!outgoing_.empty()) {
    const std::string_view next = outgoing_.View().substr(0, kReadPerTurn);
    const long sent = stream_->Send(next.data(), next.size());
    if (sent < 0) return platform::LastError() == EAGAIN;
    outgoing_.Consume(static_cast<std::size_t>(sent));
    sentSinceProgress_ += sent;
  }
  return true;
}

void SocketComponent::ScheduleProgress() {
  if (progressScheduled_ || sentSinceProgress_ == 0) return;
  progressScheduled_ = true;
  const std::uint64_t generation = generation_;
  Defer([this, generation] {
    if (generation != generation_) return;
    progressScheduled_ = false;
    ReportProgress();
  });
}

void SocketComponent::ReportProgress() {
  if (sentSinceProgress_ == 0) return;
  const auto sent =
      static_cast<std::int32_t>(std::min<std::int64_t>(sentSinceProgress_, INT32_MAX));
  sentSinceProgress_ = 0;
  const std::size_t left = protocol_ == Protocol::Udp ? outgoingDatagramBytes_ : outgoing_.size();
  const auto remaining = static_cast<std::int32_t>(std::min<std::size_t>(left, INT32_MAX));
  if (!Raise([&](SocketEvents& events) { events.OnSendProgress(sent, remaining); })) return;
  if (remaining == 0) Raise([](SocketEvents& events) { events.OnSendComplete(); });
}

// ---------------------------------------------------------------------------------------------
// UDP.

bool SocketComponent::OpenDatagram(std::uint32_t address) {
  const auto port = static_cast<std::uint16_t>(localPortChosenBySystem_ ? 0 : localPort_);
  if (!datagram_.Open() || !datagram_.Bind(address, port)) {
    const int error = platform::LastError();
    datagram_.Close();
    platform::SetLastError(error);
    return false;
  }
  std::uint32_t boundAddress = 0;
  std::uint16_t boundPort = 0;
  if (datagram_.LocalName(boundAddress, boundPort)) localPort_ = boundPort;
  return true;
}

void SocketComponent::ReadDatagrams() {
  if (state_ != State::Open) return;
  const std::size_t announcedBefore = datagrams_.size();
  for (std::size_t taken = 0; taken < kDatagramsPerTurn; ++taken) {
    if (datagramBytes_ >= kReceiveLimit) {
      readingPaused_ = true;
      break;
    }
    const long size = datagram_.NextSize();
    if (size < 0) {
      // Nothing waits after all (or an error was taken): the notice waits for the next one.
      datagram_.ResumeNotices();
      break;
    }
    Datagram datagram;
    datagram.bytes.resize(static_cast<std::size_t>(size));
    platform::DatagramSocket::Sender from;
    const long got = datagram_.Receive(datagram.bytes.data(), datagram.bytes.size(), from);
    if (got < 0) break;
    datagram.senderAddress = platform::DottedAddressText(from.address);
    datagram.senderPort = from.port;
    datagramBytes_ += datagram.bytes.size();
    datagrams_.push_back(std::move(datagram));
  }
  // One DataArrival per datagram; while it is raised, RemoteHostIP and RemotePort name its
  // sender. The datagrams not yet announced are always the newest ones, since a handler can only
  // take from the front.
  std::size_t unannounced = datagrams_.size() - announcedBefore;
  while ((unannounced = std::min(unannounced, datagrams_.size())) > 0) {
    const Datagram& next = datagrams_[datagrams_.size() - unannounced];
    --unannounced;
    remoteHostIP_ = next.senderAddress;
    remotePort_ = next.senderPort;
    const auto size = static_cast<std::int32_t>(next.bytes.size());
    if (!Raise([size](SocketEvents& events) { events.OnDataArrival(size); })) return;
  }
}

Status SocketComponent::SendDatagram(OutgoingDatagram datagram) {
  if (outgoingDatagrams_.empty()) {
    const long sent = datagram_.SendTo(datagram.bytes.data(), datagram.bytes.size(),
                                       datagram.address, datagram.port);
    if (sent >= 0) {
      sentSinceProgress_ += sent;
      ScheduleProgress();
      return {};
    }
    if (platform::LastError() != EAGAIN) return FromLastError();
  }
  outgoingDatagramBytes_ += datagram.bytes.size();
  outgoingDatagrams_.push_back(std::move(datagram));
  WatchWritable(datagram_.Descriptor());
  return {};
}

void SocketComponent::OnDestinationResolved(int error, std::uint32_t address) {
  std::deque<std::string> waiting;
  waiting.swap(awaitingAddress_);
  if (error != 0) return Fail(error);
  const std::uint64_t generation = generation_;
  for (auto& bytes : waiting) {
    Status sent =
        SendDatagram({std::move(bytes), address, static_cast<std::uint16_t>(remotePort_)});
    if (generation != generation_) return;
    if (!sent.ok()) return Fail(sent.Number());
  }
}

}  // namespace components::winsock
