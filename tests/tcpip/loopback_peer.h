#pragma once
// The far side of a loopback connection in the tests: a plain socket driven by the test itself
// (no loop, no messages), with generous time limits so that a slow run never fails early.

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/stream_socket.h"

namespace tcpip_test {

inline constexpr std::uint32_t kLoopback = 0x7F000001;

class LoopbackPeer {
 public:
  // Connects to 127.0.0.1:port and waits for the outcome.
  bool Connect(int port);
  // Sends every byte, waiting while the socket buffer is full.
  bool SendAll(const std::string& bytes);
  // Reads until `count` bytes have come, the stream ends or five seconds pass.
  std::string Read(std::size_t count);
  // Reads until the far side closes (or ten seconds pass).
  std::string ReadToEnd();
  // True when the far side has closed (the stream ended) within the time; looks at least once.
  bool SeesEnd(int timeoutMs = 5000);
  void Close() { socket_.Close(); }
  void Reset() { socket_.CloseWithReset(); }
  int LocalPort() const { return socket_.LocalPort(); }
  platform::StreamSocket& socket() { return socket_; }

 private:
  std::string ReadUntil(std::size_t count, std::chrono::seconds limit);
  platform::StreamSocket socket_;
};

// A port that was free a moment ago: bound, read and released.
int FreePort();

}  // namespace tcpip_test
