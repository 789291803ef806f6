#pragma once
// Non-blocking IPv4 datagram sockets whose arrivals reach their owner as notices through the
// thread's readiness loop. The data-ready notice is one-shot, as for stream sockets: after it no
// further notice comes until Receive re-arms it, so an owner that keeps datagrams
// waiting in the kernel is not called again and again. Every failing call stores its error as
// the last error (platform/last_error.h).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/readiness.h"
#include "platform/unique_fd.h"

namespace platform {

class DatagramSocket {
 public:
  // Runs on the loop's thread when a datagram waits. It must not destroy the socket (it may
  // close it).
  using ReadyHandler = std::function<void()>;

  // The sender of a received datagram, in host byte order.
  struct Sender {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
  };

  // Without a loop the socket works but gives no notices.
  explicit DatagramSocket(ReadinessLoop* loop = nullptr);
  ~DatagramSocket();
  DatagramSocket(const DatagramSocket&) = delete;
  DatagramSocket& operator=(const DatagramSocket&) = delete;

  void SetReadyHandler(ReadyHandler handler) { handler_ = std::move(handler); }

  // A new non-blocking IPv4 datagram socket (closing whatever was open).
  bool Open();
  // Binds to `address` (host byte order, 0 for any local address) and `port` (0: the system
  // chooses), then starts the data-ready notices.
  bool Bind(std::uint32_t address, std::uint16_t port);

  // Sends one datagram: the count sent, or -1 (EAGAIN when the socket buffer is full, EMSGSIZE
  // when the datagram can never be sent whole).
  long SendTo(const char* data, std::size_t count, std::uint32_t address, std::uint16_t port);

  // The size of the next waiting datagram (0 is a real, empty datagram), or -1 (EAGAIN when none
  // waits).
  long NextSize() const;
  // Takes the next datagram into `buffer`: its full size (more than `capacity` when the rest was
  // cut off and discarded), or -1 (EAGAIN when none waits). Re-arms the notice.
  long Receive(char* buffer, std::size_t capacity, Sender& from);

  // Lets the data-ready notice fire again without taking a datagram (for an owner that paused
  // taking them).
  void ResumeNotices();

  // The local address and port (host byte order); false when the socket is not bound.
  bool LocalName(std::uint32_t& address, std::uint16_t& port) const;
  int Descriptor() const { return fd_.get(); }
  bool IsOpen() const { return fd_.valid(); }
  // Closes the socket; no notice follows.
  void Close();

 private:
  void OnReadable();

  ReadinessLoop* loop_;
  ReadyHandler handler_;
  UniqueFd fd_;
  std::unique_ptr<ReadinessWatch> watch_;
};

}  // namespace platform
