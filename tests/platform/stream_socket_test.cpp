// Stream sockets and their notices through the poll loop, on real loopback connections.

#include "platform/stream_socket.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "platform/last_error.h"
#include "platform/readiness.h"

namespace {

using platform::PollReadinessLoop;
using platform::StreamSocket;
using Notice = platform::StreamSocket::Notice;

constexpr std::uint32_t kLoopback = 0x7F000001;

// A listening socket with notices, a connected client without, and the accepted end.
struct Pair {
  PollReadinessLoop loop;
  StreamSocket listener{&loop};
  StreamSocket client;
  StreamSocket accepted{&loop};
  std::vector<Notice> notices;

  Pair() {
    listener.SetNoticeHandler([this](Notice n) { notices.push_back(n); });
    accepted.SetNoticeHandler([this](Notice n) { notices.push_back(n); });
    EXPECT_TRUE(listener.Open());
    EXPECT_TRUE(listener.Bind(0, true));
    EXPECT_TRUE(listener.Listen(5));
    EXPECT_TRUE(client.Open());
    if (!client.StartConnect(kLoopback, static_cast<std::uint16_t>(listener.LocalPort()))) {
      EXPECT_EQ(platform::LastError(), EINPROGRESS);
      EXPECT_EQ(client.WaitFor(StreamSocket::Await::Connected, 5000),
                StreamSocket::WaitOutcome::Ready);
      EXPECT_EQ(client.FinishConnect(), 0);
    }
    EXPECT_TRUE(Run(1));
    EXPECT_EQ(notices.back(), Notice::Acceptable);
    EXPECT_TRUE(listener.Accept(accepted));
    notices.clear();
  }
  // Runs the loop until `count` notices have come (or two seconds pass).
  bool Run(std::size_t count) {
    for (int i = 0; i < 200 && notices.size() < count; ++i)
      loop.RunOnce(std::chrono::milliseconds(10));
    return notices.size() >= count;
  }
};

TEST(StreamSocket, AcceptWithNothingWaitingFailsWithEagainAndReArms) {
  Pair p;
  StreamSocket none;
  EXPECT_FALSE(p.listener.Accept(none));
  EXPECT_EQ(platform::LastError(), EAGAIN);
  EXPECT_FALSE(none.IsOpen());
  EXPECT_EQ(p.loop.EnabledWatches(), 2) << "the listener and the accepted end are watched";
}

TEST(StreamSocket, WaitConsumesTheCloseOfItsOwnSocket) {
  Pair p;
  p.client.Close();
  EXPECT_EQ(p.accepted.WaitFor(StreamSocket::Await::Writable, 1000),
            StreamSocket::WaitOutcome::Ready)
      << "an orderly close leaves the socket writable";
  EXPECT_EQ(p.accepted.WaitFor(StreamSocket::Await::Readable, 1000),
            StreamSocket::WaitOutcome::Closed);
  p.Run(1);
  EXPECT_TRUE(p.notices.empty()) << "no close notice follows a consumed close";
  char byte;
  EXPECT_EQ(p.accepted.Receive(&byte, 1), 0);
}

TEST(StreamSocket, PendingBytesAndPeerName) {
  Pair p;
  ASSERT_EQ(p.client.Send("abc", 3), 3);
  ASSERT_TRUE(p.Run(1));
  EXPECT_EQ(p.notices[0], Notice::DataReady);
  EXPECT_EQ(p.accepted.PendingBytes(), 3);
  std::string address;
  int port = 0;
  ASSERT_TRUE(p.accepted.PeerName(address, port));
  EXPECT_EQ(address, "127.0.0.1");
  EXPECT_EQ(port, p.client.LocalPort());
  p.accepted.Close();
  EXPECT_FALSE(p.accepted.PeerName(address, port));
  EXPECT_EQ(p.loop.EnabledWatches(), 1);
}

TEST(StreamSocket, SendToAVanishedPeerFailsWithoutASignal) {
  Pair p;
  p.accepted.CloseWithReset();
  long result = 0;
  for (int i = 0; i < 100 && result >= 0; ++i) {
    result = p.client.Send("x", 1);
    p.client.WaitFor(StreamSocket::Await::Readable, 10);
  }
  EXPECT_EQ(result, -1);
  EXPECT_TRUE(platform::LastError() == EPIPE || platform::LastError() == ECONNRESET);
}

TEST(ResolveIPv4, DottedNamesAndFailures) {
  std::uint32_t address = 0;
  ASSERT_TRUE(platform::ResolveIPv4("127.0.0.1", address));
  EXPECT_EQ(address, kLoopback);
  ASSERT_TRUE(platform::ResolveIPv4("localhost", address));
  EXPECT_EQ(address >> 24, 127u);
  for (const char* bad : {"", "no-such-host.invalid", "1.2.3.4.5 x"}) {
    platform::SetLastError(0);
    EXPECT_FALSE(platform::ResolveIPv4(bad, address)) << bad;
    EXPECT_EQ(platform::LastError(), EINVAL) << bad;
  }
  EXPECT_TRUE(platform::SocketLayerWorks());
}

TEST(PollReadinessLoop, WatchesMayGoFromInsideACallback) {
  Pair p;
  // Two readable sockets; the first callback destroys the other's watch (by closing it).
  StreamSocket second(&p.loop);
  StreamSocket secondClient;
  ASSERT_TRUE(secondClient.Open());
  secondClient.StartConnect(kLoopback, static_cast<std::uint16_t>(p.listener.LocalPort()));
  ASSERT_EQ(secondClient.WaitFor(StreamSocket::Await::Connected, 5000),
            StreamSocket::WaitOutcome::Ready);
  ASSERT_TRUE(p.Run(1));
  ASSERT_TRUE(p.listener.Accept(second));
  p.notices.clear();
  int secondNotices = 0;
  second.SetNoticeHandler([&](Notice) { ++secondNotices; });
  p.accepted.SetNoticeHandler([&](Notice n) {
    p.notices.push_back(n);
    second.Close();
  });
  ASSERT_EQ(p.client.Send("a", 1), 1);
  ASSERT_EQ(secondClient.Send("b", 1), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(p.Run(1));
  p.loop.RunOnce(std::chrono::milliseconds(20));
  EXPECT_LE(secondNotices, 1);
  EXPECT_FALSE(second.IsOpen());
}

}  // namespace
