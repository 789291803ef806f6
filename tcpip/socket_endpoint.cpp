#include "tcpip/socket_endpoint.h"

#include <cerrno>
#include <optional>

#include "platform/last_error.h"

namespace tcpip {
namespace {

// How long the socket is watched between two rounds of repaints.
constexpr std::chrono::milliseconds kRepaintSlice{20};

}  // namespace

SocketEndpoint::SocketEndpoint(platform::MessageQueue* owner, platform::ReadinessLoop* loop)
    : socket_(owner ? loop : nullptr), owner_(owner), id_(platform::NewMessageTargetId()) {}

bool SocketEndpoint::OpenSocket(int port) {
  if (port < 0 || port > 65535) {
    platform::SetLastError(EINVAL);
    return false;
  }
  if (!socket_.Open()) return false;
  if (!socket_.Bind(static_cast<std::uint16_t>(port), ReuseAddress())) {
    const int error = platform::LastError();
    socket_.Close();
    platform::SetLastError(error);
    return false;
  }
  return true;
}

SocketEndpoint::BlockingMarker::BlockingMarker(SocketEndpoint& endpoint)
    : endpoint_(endpoint), acquired_(!endpoint.blocking_) {
  if (acquired_) {
    endpoint_.blocking_ = true;
  } else {
    platform::SetLastError(EALREADY);
  }
}

SocketEndpoint::BlockingMarker::~BlockingMarker() {
  if (acquired_) endpoint_.blocking_ = false;
}

platform::StreamSocket::WaitOutcome SocketEndpoint::BlockingWait(
    platform::StreamSocket::Await what) {
  using Clock = std::chrono::steady_clock;
  std::optional<platform::MessageHold> hold;
  if (owner_) hold.emplace(*owner_);
  const auto end = Clock::now() + waitTick_;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() <= 0) return platform::StreamSocket::WaitOutcome::TimedOut;
    const auto slice = std::min(left, kRepaintSlice);
    const auto outcome = socket_.WaitFor(what, static_cast<int>(slice.count()));
    if (outcome != platform::StreamSocket::WaitOutcome::TimedOut) return outcome;
    if (owner_) owner_->ProcessRepaints();
  }
}

bool SocketEndpoint::WaitIfWouldBlock(platform::StreamSocket::Await what) {
  const int error = platform::LastError();
  if (error != EAGAIN && error != EWOULDBLOCK) return false;
  BlockingWait(what);
  return true;
}

void SocketEndpoint::Post(unsigned number) {
  if (owner_) owner_->Post(platform::WindowMessage{number, id_, 0});
}

}  // namespace tcpip
