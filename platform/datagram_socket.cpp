#include "platform/datagram_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/ipv4_address.h"
#include "platform/last_error.h"

namespace platform {

DatagramSocket::DatagramSocket(ReadinessLoop* loop) : loop_(loop) {}

DatagramSocket::~DatagramSocket() {
  Close();
}

bool DatagramSocket::Open() {
  Close();
  UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!fd) return FailWithErrno();
  fd_ = std::move(fd);
  return true;
}

bool DatagramSocket::Bind(std::uint32_t address, std::uint16_t port) {
  sockaddr_in where = Ipv4(address, port);
  if (::bind(fd_.get(), reinterpret_cast<sockaddr*>(&where), sizeof where) != 0) {
    return FailWithErrno();
  }
  if (loop_ && !watch_) {
    watch_ = loop_->WatchReadable(fd_.get(), [this] { OnReadable(); });
    watch_->SetEnabled(true);
  }
  return true;
}

long DatagramSocket::SendTo(const char* data, std::size_t count, std::uint32_t address,
                            std::uint16_t port) {
  sockaddr_in where = Ipv4(address, port);
  ssize_t sent = ::sendto(fd_.get(), data, count, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&where),
                          sizeof where);
  if (sent < 0) {
    FailWithErrno();
    return -1;
  }
  return static_cast<long>(sent);
}

long DatagramSocket::NextSize() const {
  char probe;
  ssize_t size = ::recv(fd_.get(), &probe, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
  if (size < 0) {
    FailWithErrno();
    return -1;
  }
  return static_cast<long>(size);
}

long DatagramSocket::Receive(char* buffer, std::size_t capacity, Sender& from) {
  sockaddr_in where{};
  socklen_t size = sizeof where;
  // MSG_TRUNC makes the result the datagram's full size even when the buffer was smaller.
  ssize_t got = ::recvfrom(fd_.get(), buffer, capacity, MSG_TRUNC | MSG_DONTWAIT,
                           reinterpret_cast<sockaddr*>(&where), &size);
  const int error = errno;
  if (watch_) watch_->SetEnabled(true);
  if (got < 0) {
    SetLastError(error);
    return -1;
  }
  from.address = ntohl(where.sin_addr.s_addr);
  from.port = ntohs(where.sin_port);
  return static_cast<long>(got);
}

void DatagramSocket::ResumeNotices() {
  if (watch_) watch_->SetEnabled(true);
}

bool DatagramSocket::LocalName(std::uint32_t& address, std::uint16_t& port) const {
  sockaddr_in where{};
  socklen_t size = sizeof where;
  if (::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&where), &size) != 0) {
    return FailWithErrno();
  }
  address = ntohl(where.sin_addr.s_addr);
  port = ntohs(where.sin_port);
  return true;
}

void DatagramSocket::Close() {
  // The watch goes before the descriptor: a loop must never see a closed descriptor.
  watch_.reset();
  fd_.reset();
}

void DatagramSocket::OnReadable() {
  watch_->SetEnabled(false);
  if (handler_) handler_();
}

}  // namespace platform
