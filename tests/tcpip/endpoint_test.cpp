// The socket endpoints on real loopback connections, with a poll loop and an in-process queue
// in place of the window.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "platform/last_error.h"
#include "tcpip/endpoint_rig.h"
#include "tcpip/listen_endpoint.h"
#include "tcpip/loopback_peer.h"
#include "tcpip/peer_endpoint.h"
#include "tcpip/socket_messages.h"

namespace {

using tcpip::ListenEndpoint;
using tcpip::PeerEndpoint;
using tcpip::WM_SOCK_ACCEPT;
using tcpip::WM_SOCK_CLOSE;
using tcpip::WM_SOCK_RECEIVE;
using tcpip_test::EndpointRig;
using tcpip_test::LoopbackPeer;

std::uintptr_t Id(const PeerEndpoint& e) {
  return e.Id();
}

// A listening endpoint on a port the system chose, with one accepted connection.
struct Connected {
  EndpointRig rig;
  ListenEndpoint listener{&rig.queue, &rig.loop};
  PeerEndpoint peer{&rig.queue, &rig.loop};
  LoopbackPeer far;

  Connected() {
    EXPECT_TRUE(listener.OpenSocket(0));
    EXPECT_TRUE(listener.StartListening());
    EXPECT_TRUE(far.Connect(listener.LocalPort()));
    EXPECT_TRUE(rig.RunUntil([&] { return rig.Count(WM_SOCK_ACCEPT) == 1; }));
    EXPECT_TRUE(listener.AcceptInto(peer));
    rig.seen.clear();
  }
};

TEST(ListenEndpoint, AcceptNoticeIsOneShotUntilTheNextAccept) {
  EndpointRig rig;
  ListenEndpoint listener(&rig.queue, &rig.loop);
  ASSERT_TRUE(listener.OpenSocket(0));
  ASSERT_GT(listener.LocalPort(), 0) << "port 0 lets the system choose";
  ASSERT_TRUE(listener.StartListening());

  LoopbackPeer first, second;
  ASSERT_TRUE(first.Connect(listener.LocalPort()));
  ASSERT_TRUE(second.Connect(listener.LocalPort()));
  rig.Settle(std::chrono::milliseconds(100));
  ASSERT_EQ(rig.Count(WM_SOCK_ACCEPT), 1) << "two waiting connections, one notice until accept";
  EXPECT_EQ(rig.seen[0], (platform::WindowMessage{WM_SOCK_ACCEPT, listener.Id(), 0}));

  PeerEndpoint a(&rig.queue, &rig.loop);
  ASSERT_TRUE(listener.AcceptInto(a));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.Count(WM_SOCK_ACCEPT) == 2; }));
  PeerEndpoint b(&rig.queue, &rig.loop);
  ASSERT_TRUE(listener.AcceptInto(b));

  std::string address;
  int port = 0;
  ASSERT_TRUE(a.ReadPeerName(address, port));
  EXPECT_EQ(address, "127.0.0.1");
  EXPECT_EQ(port, first.LocalPort());
  ASSERT_TRUE(b.ReadPeerName(address, port));
  EXPECT_EQ(port, second.LocalPort());
  rig.Settle();
  EXPECT_EQ(rig.Count(WM_SOCK_ACCEPT), 2);
}

TEST(ListenEndpoint, PortInUseFailsWithTheBindErrorAndReListeningAfterCloseWorks) {
  EndpointRig rig;
  ListenEndpoint holder(&rig.queue, &rig.loop);
  ASSERT_TRUE(holder.OpenSocket(0));
  ASSERT_TRUE(holder.StartListening());
  const int port = holder.LocalPort();

  // A connection on the port leaves a socket in TIME_WAIT after the close below.
  LoopbackPeer far;
  ASSERT_TRUE(far.Connect(port));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.Count(WM_SOCK_ACCEPT) == 1; }));
  PeerEndpoint accepted(&rig.queue, &rig.loop);
  ASSERT_TRUE(holder.AcceptInto(accepted));

  ListenEndpoint second(&rig.queue, &rig.loop);
  EXPECT_FALSE(second.OpenSocket(port));
  EXPECT_EQ(platform::LastError(), EADDRINUSE);
  EXPECT_FALSE(second.IsOpen()) << "no socket is left open";

  accepted.CloseSocket();
  holder.CloseSocket();
  ListenEndpoint again(&rig.queue, &rig.loop);
  EXPECT_TRUE(again.OpenSocket(port)) << platform::LastError();
  EXPECT_TRUE(again.StartListening());
}

TEST(PeerEndpoint, DataNoticeIsOneShotAndComesAgainForWhatIsLeft) {
  Connected c;
  ASSERT_TRUE(c.far.SendAll("abcdef"));
  ASSERT_TRUE(c.rig.RunUntil([&] { return c.rig.Count(WM_SOCK_RECEIVE) == 1; }));
  EXPECT_EQ(c.rig.seen[0], (platform::WindowMessage{WM_SOCK_RECEIVE, Id(c.peer), 0}));
  ASSERT_TRUE(c.far.SendAll("gh"));
  c.rig.Settle();
  EXPECT_EQ(c.rig.Count(WM_SOCK_RECEIVE), 1) << "no second notice before a receive";

  EXPECT_EQ(c.peer.PendingBytes(), 8);
  char buffer[16];
  ASSERT_EQ(c.peer.ReceiveSome(buffer, 3), 3);
  ASSERT_TRUE(c.rig.RunUntil([&] { return c.rig.Count(WM_SOCK_RECEIVE) == 2; }))
      << "the rest gives a further notice";
  ASSERT_EQ(c.peer.ReceiveSome(buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer, 5), "defgh");
  c.rig.Settle();
  EXPECT_EQ(c.rig.Count(WM_SOCK_RECEIVE), 2) << "nothing pending: no notice";
  EXPECT_EQ(c.rig.Count(WM_SOCK_CLOSE), 0);
}

TEST(PeerEndpoint, OrderlyCloseIsReportedOnceAfterThePendingBytes) {
  Connected c;
  ASSERT_TRUE(c.far.SendAll("last words"));
  c.far.Close();
  ASSERT_TRUE(c.rig.RunUntil([&] { return c.rig.Count(WM_SOCK_RECEIVE) == 1; }));
  c.rig.Settle();
  EXPECT_EQ(c.rig.Count(WM_SOCK_CLOSE), 0) << "the close waits until the bytes are read";

  char buffer[64];
  ASSERT_EQ(c.peer.ReceiveSome(buffer, sizeof buffer), 10);
  ASSERT_TRUE(c.rig.RunUntil([&] { return c.rig.Count(WM_SOCK_CLOSE) == 1; }));
  EXPECT_EQ(c.rig.seen.back(), (platform::WindowMessage{WM_SOCK_CLOSE, Id(c.peer), 0}));
  c.rig.Settle();
  EXPECT_EQ(c.rig.Count(WM_SOCK_CLOSE), 1) << "reported once";
  EXPECT_EQ(c.rig.Count(WM_SOCK_RECEIVE), 1);
}

TEST(PeerEndpoint, ResetIsReportedAtOnce) {
  Connected c;
  c.far.Reset();
  ASSERT_TRUE(c.rig.RunUntil([&] { return c.rig.Count(WM_SOCK_CLOSE) == 1; }));
  EXPECT_EQ(c.rig.Count(WM_SOCK_RECEIVE), 0);
  c.rig.Settle();
  EXPECT_EQ(c.rig.Count(WM_SOCK_CLOSE), 1);
}

// The peer's name is the one read when the connection was accepted: a closed endpoint still
// names it, and an endpoint that never had a peer names nothing.
TEST(PeerEndpoint, ClosedEndpointPostsNothingAndKeepsItsPeerName) {
  Connected c;
  ASSERT_TRUE(c.far.SendAll("x"));
  const int farPort = c.far.LocalPort();
  c.peer.CloseSocket();
  c.peer.CloseSocket();  // closing twice does nothing
  c.far.Close();
  c.rig.Settle();
  EXPECT_TRUE(c.rig.seen.empty());
  std::string address;
  int port = 0;
  ASSERT_TRUE(c.peer.ReadPeerName(address, port));
  EXPECT_EQ(address, "127.0.0.1");
  EXPECT_EQ(port, farPort);
  EXPECT_TRUE(c.far.SeesEnd());

  PeerEndpoint never(&c.rig.queue, &c.rig.loop);
  address = "untouched";
  EXPECT_FALSE(never.ReadPeerName(address, port));
  EXPECT_EQ(address, "untouched");
}

TEST(PeerEndpoint, WithoutOwnerNothingIsPosted) {
  EndpointRig rig;
  ListenEndpoint listener(nullptr, &rig.loop);
  ASSERT_TRUE(listener.OpenSocket(0));
  ASSERT_TRUE(listener.StartListening());
  LoopbackPeer far;
  ASSERT_TRUE(far.Connect(listener.LocalPort()));
  PeerEndpoint peer(nullptr, &rig.loop);
  ASSERT_TRUE(listener.AcceptInto(peer));
  ASSERT_TRUE(far.SendAll("data"));
  far.Close();
  rig.Settle();
  EXPECT_TRUE(rig.seen.empty());
  EXPECT_EQ(rig.loop.EnabledWatches(), 0);
}

TEST(PeerEndpoint, ConnectsToAListenerAndExchangesBytes) {
  EndpointRig rig;
  ListenEndpoint listener(&rig.queue, &rig.loop);
  ASSERT_TRUE(listener.OpenSocket(0));
  ASSERT_TRUE(listener.StartListening());

  PeerEndpoint client(&rig.queue, &rig.loop);
  EXPECT_EQ(client.ConnectResult(), -1);
  ASSERT_TRUE(client.OpenSocket(0));
  ASSERT_TRUE(client.ConnectTo("127.0.0.1", listener.LocalPort()));
  EXPECT_EQ(client.ConnectResult(), 0);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.Count(WM_SOCK_ACCEPT) == 1; }));
  PeerEndpoint server(&rig.queue, &rig.loop);
  ASSERT_TRUE(listener.AcceptInto(server));

  const std::string hello = "\x02hello\x03";
  EXPECT_EQ(client.SendAll(hello.data(), hello.size()), static_cast<long>(hello.size()));
  EXPECT_EQ(client.SendAll(hello.data(), 0), 0) << "zero bytes send nothing";
  char buffer[32];
  EXPECT_EQ(server.ReceiveSome(buffer, sizeof buffer), static_cast<long>(hello.size()))
      << "waits for the bytes if they are not there yet";
  EXPECT_EQ(std::string(buffer, hello.size()), hello);

  std::string address;
  int port = 0;
  ASSERT_TRUE(client.ReadPeerName(address, port));
  EXPECT_EQ(address, "127.0.0.1");
  EXPECT_EQ(port, listener.LocalPort());
}

TEST(PeerEndpoint, ConnectFailures) {
  struct Case {
    const char* name;
    std::string host;
    bool refusedPort;
    int error;
    int connectResult;
  };
  const Case cases[] = {
      {"refused", "127.0.0.1", true, ECONNREFUSED, ECONNREFUSED},
      {"host name that does not resolve", "no-such-host.invalid", true, EINVAL, -1},
      {"neither address nor name", "1.2.3.4.5 x", true, EINVAL, -1},
      {"empty host", "", true, EINVAL, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EndpointRig rig;
    PeerEndpoint client(&rig.queue, &rig.loop);
    ASSERT_TRUE(client.OpenSocket(0));
    EXPECT_FALSE(client.ConnectTo(c.host, tcpip_test::FreePort()));
    EXPECT_EQ(platform::LastError(), c.error);
    EXPECT_EQ(client.ConnectResult(), c.connectResult);
    rig.Settle(std::chrono::milliseconds(20));
    EXPECT_TRUE(rig.seen.empty());
  }
}

TEST(PeerEndpoint, HostNameOfTheLoopbackResolves) {
  EndpointRig rig;
  ListenEndpoint listener(&rig.queue, &rig.loop);
  ASSERT_TRUE(listener.OpenSocket(0));
  ASSERT_TRUE(listener.StartListening());
  PeerEndpoint client(&rig.queue, &rig.loop);
  ASSERT_TRUE(client.OpenSocket(0));
  EXPECT_TRUE(client.ConnectTo("localhost", listener.LocalPort())) << platform::LastError();
}

// A send larger than the socket buffers waits with the queue held: the messages that other
// sockets post meanwhile are delivered afterwards in arrival order, only repaints run, and the
// endpoint refuses to be re-entered.
TEST(PeerEndpoint, BlockingSendHoldsMessagesRepaintsAndRefusesReEntry) {
  Connected c;
  // A second connection whose data arrives while the first one's send waits.
  LoopbackPeer other;
  ASSERT_TRUE(other.Connect(c.listener.LocalPort()));
  ASSERT_TRUE(c.rig.RunUntil([&] { return c.rig.Count(WM_SOCK_ACCEPT) == 1; }));
  PeerEndpoint second(&c.rig.queue, &c.rig.loop);
  ASSERT_TRUE(c.listener.AcceptInto(second));
  c.rig.seen.clear();

  const std::string big(8 << 20, 'z');
  std::string received;
  // The far side starts reading only once the send waits and the other connection's notice has
  // been set aside in the wait (or, should that never happen, after a limit, so that the test
  // ends).
  std::atomic<bool> otherHeld = false;
  std::thread reader([&] {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!otherHeld && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    received = c.far.Read(big.size());
  });

  bool sentOther = false;
  long reentrySend = -2, reentryReceive = -2;
  int reentrySendError = 0, reentryReceiveError = 0;
  bool reentryConnect = true;
  c.rig.queue.onRepaint = [&] {
    // Stands for the toolkit running other sockets' notifiers while the wait repaints.
    if (!sentOther) {
      sentOther = other.SendAll("other");
    }
    c.rig.loop.RunOnce(std::chrono::milliseconds(0));
    if (sentOther && c.rig.queue.Waiting() > 0) otherHeld = true;
    if (reentrySend == -2) {
      reentrySend = c.peer.SendAll("x", 1);
      reentrySendError = platform::LastError();
      char b[4];
      reentryReceive = c.peer.ReceiveSome(b, sizeof b);
      reentryReceiveError = platform::LastError();
      reentryConnect = c.peer.ConnectTo("127.0.0.1", 1);
    }
  };
  const long sent = c.peer.SendAll(big.data(), big.size());
  c.rig.queue.onRepaint = nullptr;
  reader.join();

  EXPECT_EQ(sent, static_cast<long>(big.size()));
  EXPECT_EQ(received.size(), big.size());
  EXPECT_EQ(received, big);
  EXPECT_GT(c.rig.queue.Repaints(), 0);
  EXPECT_TRUE(c.rig.seen.empty()) << "nothing is delivered during the wait";
  EXPECT_EQ(reentrySend, 0);
  EXPECT_EQ(reentrySendError, EALREADY);
  EXPECT_EQ(reentryReceive, 0);
  EXPECT_EQ(reentryReceiveError, EALREADY);
  EXPECT_FALSE(reentryConnect);
  EXPECT_NE(EALREADY, EINPROGRESS) << "busy is told apart from a connect under way";

  c.rig.queue.PumpMessages();
  ASSERT_EQ(c.rig.seen.size(), 1u) << "set aside and delivered after the wait";
  EXPECT_EQ(c.rig.seen[0], (platform::WindowMessage{WM_SOCK_RECEIVE, Id(second), 0}));
}

// A reset while a send waits ends the wait; the send fails and the close is consumed by the wait.
TEST(PeerEndpoint, CloseDuringABlockingSendIsConsumed) {
  Connected c;
  c.peer.SetWaitTick(std::chrono::milliseconds(500));
  const std::string big(16 << 20, 'q');
  bool reset = false;
  c.rig.queue.onRepaint = [&] {
    if (!reset) {
      reset = true;
      c.far.Reset();
    }
  };
  EXPECT_EQ(c.peer.SendAll(big.data(), big.size()), -1);
  const int error = platform::LastError();
  EXPECT_TRUE(error == ECONNRESET || error == EPIPE) << error;
  c.rig.queue.onRepaint = nullptr;
  c.rig.Settle(std::chrono::milliseconds(100));
  EXPECT_EQ(c.rig.Count(WM_SOCK_CLOSE), 0) << "the close was consumed by the wait";
}

TEST(PeerEndpoint, BlockingReceiveWaitsAcrossTicksForLateData) {
  Connected c;
  c.peer.SetWaitTick(std::chrono::milliseconds(30));
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    c.far.SendAll("late");
  });
  char buffer[16];
  const long got = c.peer.ReceiveSome(buffer, sizeof buffer);
  late.join();
  ASSERT_EQ(got, 4);
  EXPECT_EQ(std::string(buffer, 4), "late");
}

}  // namespace
