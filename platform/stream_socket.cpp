#include "platform/stream_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/cp932.h"
#include "platform/ipv4_address.h"
#include "platform/last_error.h"

namespace platform {
namespace {

short EventsFor(StreamSocket::Await what) {
  switch (what) {
    case StreamSocket::Await::Readable:
    case StreamSocket::Await::Acceptable:
      return POLLIN;
    case StreamSocket::Await::Writable:
    case StreamSocket::Await::Connected:
      return POLLOUT;
  }
  return POLLIN;
}

}  // namespace

StreamSocket::StreamSocket(ReadinessLoop* loop) : loop_(loop) {}

StreamSocket::~StreamSocket() {
  Close();
}

bool StreamSocket::Open() {
  Close();
  fd_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd_.valid()) return FailWithErrno();
  return true;
}

bool StreamSocket::Bind(std::uint16_t port, bool reuseAddress, std::uint32_t address) {
  if (reuseAddress) {
    int on = 1;
    if (::setsockopt(fd_.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
      return FailWithErrno();
  }
  sockaddr_in where = Ipv4(address, port);
  if (::bind(fd_.get(), reinterpret_cast<sockaddr*>(&where), sizeof where) != 0)
    return FailWithErrno();
  return true;
}

bool StreamSocket::Listen(int backlog) {
  if (::listen(fd_.get(), backlog) != 0) return FailWithErrno();
  StartNotices(Role::Listening);
  return true;
}

bool StreamSocket::Accept(StreamSocket& into) {
  int fd = ::accept4(fd_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  int error = errno;
  armed_ = true;
  UpdateWatch();
  if (fd < 0) {
    SetLastError(error);
    return false;
  }
  into.Close();
  into.fd_.reset(fd);
  into.StartNotices(Role::Connected);
  return true;
}

bool StreamSocket::StartConnect(std::uint32_t address, std::uint16_t port) {
  sockaddr_in where = Ipv4(address, port);
  if (::connect(fd_.get(), reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
    return FailWithErrno();
  }
  StartNotices(Role::Connected);
  return true;
}

int StreamSocket::FinishConnect() {
  const int error = TakePendingError();
  if (error == 0) StartNotices(Role::Connected);
  return error;
}

int StreamSocket::TakePendingError() {
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(fd_.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  return error;
}

long StreamSocket::Send(const char* data, std::size_t count) {
  ssize_t sent = ::send(fd_.get(), data, count, MSG_NOSIGNAL);
  if (sent < 0) {
    FailWithErrno();
    return -1;
  }
  return static_cast<long>(sent);
}

long StreamSocket::Receive(char* buffer, std::size_t capacity) {
  ssize_t got = ::recv(fd_.get(), buffer, capacity, 0);
  int error = errno;
  armed_ = true;
  UpdateWatch();
  if (got < 0) {
    SetLastError(error);
    return -1;
  }
  return static_cast<long>(got);
}

long StreamSocket::PendingBytes() const {
  int count = 0;
  if (::ioctl(fd_.get(), FIONREAD, &count) != 0) {
    FailWithErrno();
    return -1;
  }
  return count;
}

bool StreamSocket::PeerName(std::string& address, int& port) const {
  sockaddr_in where{};
  socklen_t size = sizeof where;
  if (::getpeername(fd_.get(), reinterpret_cast<sockaddr*>(&where), &size) != 0)
    return FailWithErrno();
  char text[INET_ADDRSTRLEN] = {};
  if (!::inet_ntop(AF_INET, &where.sin_addr, text, sizeof text)) return FailWithErrno();
  address = text;
  port = ntohs(where.sin_port);
  return true;
}

int StreamSocket::LocalPort() const {
  sockaddr_in where{};
  socklen_t size = sizeof where;
  if (::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&where), &size) != 0) {
    FailWithErrno();
    return -1;
  }
  return ntohs(where.sin_port);
}

StreamSocket::WaitOutcome StreamSocket::WaitFor(Await what, int timeoutMs) {
  // The close of a connected socket ends every wait of its own, so it is watched for as well
  // (until it has been reported once).
  const bool watchClose = role_ == Role::Connected && !closeReported_;
  pollfd entry{fd_.get(), static_cast<short>(EventsFor(what) | (watchClose ? POLLRDHUP : 0)), 0};
  paused_ = true;
  UpdateWatch();
  int ready = ::poll(&entry, 1, timeoutMs);
  paused_ = false;
  UpdateWatch();
  if (ready <= 0) return WaitOutcome::TimedOut;
  // A connection attempt ends with readiness or an error alike; FinishConnect tells which.
  if (what == Await::Connected || !watchClose) return WaitOutcome::Ready;

  const bool reset = (entry.revents & POLLERR) != 0;
  const bool peerGone = (entry.revents & (POLLRDHUP | POLLHUP)) != 0;
  const bool awaitedReady = (entry.revents & EventsFor(what)) != 0;
  // An orderly close counts only once nothing is left to read.
  const bool closed = reset || (peerGone && PendingBytes() == 0);
  if (closed && !(awaitedReady && what == Await::Writable && !reset)) {
    closeReported_ = true;
    UpdateWatch();
    return WaitOutcome::Closed;
  }
  if (awaitedReady || what == Await::Readable) return WaitOutcome::Ready;
  if (peerGone) {
    // The peer has stopped sending but its bytes are still unread: wait for the awaited event
    // alone, so that the half-close does not wake this wait again and again.
    entry = pollfd{fd_.get(), EventsFor(what), 0};
    paused_ = true;
    UpdateWatch();
    ready = ::poll(&entry, 1, timeoutMs);
    paused_ = false;
    UpdateWatch();
    if (ready > 0) return WaitOutcome::Ready;
  }
  return WaitOutcome::TimedOut;
}

void StreamSocket::Close() {
  // The watch goes before the descriptor: a notifier must never see a closed descriptor.
  watch_.reset();
  role_ = Role::None;
  armed_ = false;
  paused_ = false;
  closeReported_ = false;
  fd_.reset();
}

void StreamSocket::CloseWithReset() {
  if (fd_.valid()) {
    linger abortive{1, 0};
    ::setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
  }
  Close();
}

void StreamSocket::StartNotices(Role role) {
  role_ = role;
  armed_ = true;
  closeReported_ = false;
  if (loop_ && !watch_) watch_ = loop_->WatchReadable(fd_.get(), [this] { OnReadable(); });
  UpdateWatch();
}

void StreamSocket::UpdateWatch() {
  if (watch_) watch_->SetEnabled(armed_ && !paused_ && !closeReported_ && role_ != Role::None);
}

void StreamSocket::OnReadable() {
  armed_ = false;
  UpdateWatch();
  if (role_ == Role::Listening) {
    if (handler_) handler_(Notice::Acceptable);
    return;
  }
  if (role_ != Role::Connected) return;

  pollfd entry{fd_.get(), POLLIN | POLLRDHUP, 0};
  ::poll(&entry, 1, 0);
  bool closed = (entry.revents & POLLERR) != 0;  // a reset is reported at once
  if (!closed) {
    long pending = PendingBytes();
    if (pending != 0) {
      if (handler_) handler_(Notice::DataReady);
      return;
    }
    char probe;
    ssize_t peeked = ::recv(fd_.get(), &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked > 0) {
      if (handler_) handler_(Notice::DataReady);
      return;
    }
    if (peeked < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
      // Readiness without data or close: nothing to report; keep watching.
      armed_ = true;
      UpdateWatch();
      return;
    }
    closed = true;
  }
  closeReported_ = true;
  UpdateWatch();
  if (handler_) handler_(Notice::Closed);
}

int MaxListenBacklog() {
  return SOMAXCONN;
}

bool SocketLayerWorks() {
  const UniqueFd probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!probe.valid()) return FailWithErrno();
  return true;
}

bool ResolveIPv4(const std::string& host, std::uint32_t& address) {
  const std::string name = Cp932ToUtf8(host);
  in_addr dotted{};
  if (!name.empty() && ::inet_aton(name.c_str(), &dotted) != 0) {
    address = ntohl(dotted.s_addr);
    return true;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (name.empty() || ::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) {
    SetLastError(EINVAL);
    return false;
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owned(found, &::freeaddrinfo);
  address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
  return true;
}

}  // namespace platform
