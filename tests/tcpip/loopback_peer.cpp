#include "tcpip/loopback_peer.h"

#include <cerrno>
#include <chrono>
#include <limits>

#include "platform/last_error.h"

namespace tcpip_test {

using platform::StreamSocket;

bool LoopbackPeer::Connect(int port) {
  if (!socket_.Open()) return false;
  if (socket_.StartConnect(kLoopback, static_cast<std::uint16_t>(port))) return true;
  if (platform::LastError() != EINPROGRESS) return false;
  if (socket_.WaitFor(StreamSocket::Await::Connected, 5000) != StreamSocket::WaitOutcome::Ready)
    return false;
  return socket_.FinishConnect() == 0;
}

bool LoopbackPeer::SendAll(const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    long now = socket_.Send(bytes.data() + sent, bytes.size() - sent);
    if (now > 0) {
      sent += static_cast<std::size_t>(now);
      continue;
    }
    if (now < 0 && platform::LastError() != EAGAIN) return false;
    if (socket_.WaitFor(StreamSocket::Await::Writable, 5000) == StreamSocket::WaitOutcome::TimedOut)
      return false;
  }
  return true;
}

std::string LoopbackPeer::ReadUntil(std::size_t count, std::chrono::seconds limit) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + limit;
  char buffer[65536];
  while (got.size() < count && std::chrono::steady_clock::now() < end) {
    long now = socket_.Receive(buffer, std::min(sizeof buffer, count - got.size()));
    if (now == 0) break;
    if (now > 0) {
      got.append(buffer, static_cast<std::size_t>(now));
      continue;
    }
    if (platform::LastError() != EAGAIN) break;
    socket_.WaitFor(StreamSocket::Await::Readable, 50);
  }
  return got;
}

std::string LoopbackPeer::Read(std::size_t count) {
  return ReadUntil(count, std::chrono::seconds(5));
}

std::string LoopbackPeer::ReadToEnd() {
  return ReadUntil(std::numeric_limits<std::size_t>::max(), std::chrono::seconds(10));
}

bool LoopbackPeer::SeesEnd(int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  for (;;) {
    long now = socket_.Receive(buffer, sizeof buffer);
    if (now == 0) return true;
    if (now < 0 && platform::LastError() != EAGAIN) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    if (now < 0) socket_.WaitFor(StreamSocket::Await::Readable, 50);
  }
}

int FreePort() {
  StreamSocket probe;
  if (!probe.Open() || !probe.Bind(0, false)) return -1;
  return probe.LocalPort();
}

}  // namespace tcpip_test
