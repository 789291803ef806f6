#pragma once
// What the socket component tests share: a poll loop run until a condition holds, an event
// recorder, and plain loopback peers made from our platform layer's own sockets.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "components/socket/socket_component.h"
#include "platform/datagram_socket.h"
#include "platform/readiness.h"
#include "platform/stream_socket.h"

namespace socket_tests {

using components::winsock::ErrorEvent;
using components::winsock::SocketComponent;
using components::winsock::State;

constexpr std::uint32_t kLoopback = 0x7F000001;

// Every event as one line ("Connect", "DataArrival 5", "Error 10061", "SendProgress 3 0"), with
// optional handlers that run after the line is written.
struct Recorder : components::winsock::SocketEvents {
  std::vector<std::string> events;
  std::function<void(std::int32_t)> onConnectionRequest;
  std::function<void(std::int32_t)> onDataArrival;
  std::function<void(ErrorEvent&)> onError;
  std::int64_t progressSent = 0;

  void OnClose() override { events.push_back("Close"); }
  void OnConnect() override { events.push_back("Connect"); }
  void OnConnectionRequest(std::int32_t id) override {
    events.push_back("ConnectionRequest");
    if (onConnectionRequest) onConnectionRequest(id);
  }
  void OnDataArrival(std::int32_t total) override {
    events.push_back("DataArrival " + std::to_string(total));
    if (onDataArrival) onDataArrival(total);
  }
  void OnError(ErrorEvent& e) override {
    events.push_back("Error " + std::to_string(e.number));
    if (onError) onError(e);
  }
  void OnSendComplete() override { events.push_back("SendComplete"); }
  void OnSendProgress(std::int32_t sent, std::int32_t remaining) override {
    progressSent += sent;
    events.push_back("SendProgress " + std::to_string(sent) + " " + std::to_string(remaining));
  }
  bool Has(const std::string& line) const {
    for (const auto& e : events)
      if (e == line) return true;
    return false;
  }
  std::size_t Count(const std::string& prefix) const {
    std::size_t n = 0;
    for (const auto& e : events)
      if (e.rfind(prefix, 0) == 0) ++n;
    return n;
  }
};

struct Rig {
  platform::PollReadinessLoop loop;

  // Runs the loop until `done` holds, at most `limit`; true when it held.
  bool RunUntil(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      loop.RunOnce(std::chrono::milliseconds(2));
    }
    return true;
  }
  void RunFor(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) loop.RunOnce(std::chrono::milliseconds(5));
  }
};

// A plain listening socket on a free loopback port, without notices.
struct PlainServer {
  platform::StreamSocket listener;
  platform::StreamSocket peer;
  PlainServer() {
    EXPECT_TRUE(listener.Open());
    EXPECT_TRUE(listener.Bind(0, true));
    EXPECT_TRUE(listener.Listen(16));
  }
  int Port() const { return listener.LocalPort(); }
  // Takes the connection that the component made, running the loop meanwhile.
  bool AcceptPeer(Rig& rig) {
    return rig.RunUntil([&] { return listener.Accept(peer); });
  }
};

// Reads from a plain socket (running the loop meanwhile) until `count` bytes have come.
inline std::string ReadPlain(Rig& rig, platform::StreamSocket& socket, std::size_t count) {
  std::string got;
  bool ended = false;
  rig.RunUntil(
      [&] {
        static thread_local char buffer[1 << 18];
        long n;
        while ((n = socket.Receive(buffer, sizeof buffer)) > 0)
          got.append(buffer, static_cast<std::size_t>(n));
        ended = n == 0;
        return got.size() >= count || ended;
      },
      std::chrono::seconds(20));
  return got;
}

// Connects a plain client to a loopback port, running the loop until the connection is made.
inline bool ConnectPlain(Rig& rig, platform::StreamSocket& client, int port) {
  if (!client.Open()) return false;
  if (client.StartConnect(kLoopback, static_cast<std::uint16_t>(port))) return true;
  bool connected = false;
  rig.RunUntil([&] {
    if (client.WaitFor(platform::StreamSocket::Await::Connected, 0) ==
        platform::StreamSocket::WaitOutcome::Ready) {
      connected = client.FinishConnect() == 0;
      return true;
    }
    return false;
  });
  return connected;
}

// A loopback port on which nothing listens (a listener is made and closed again).
inline int ClosedPort() {
  platform::StreamSocket probe;
  EXPECT_TRUE(probe.Open());
  EXPECT_TRUE(probe.Bind(0, false));
  return probe.LocalPort();
}

}  // namespace socket_tests
