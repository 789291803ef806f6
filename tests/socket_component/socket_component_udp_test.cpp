// The socket component over UDP, and the datagram socket under it, against plain loopback peers.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "socket_component/socket_rig.h"

namespace {

using namespace socket_tests;
using platform::DatagramSocket;

// A plain datagram peer bound to a free loopback port.
struct PlainPeer {
  DatagramSocket socket;
  std::uint16_t port = 0;
  PlainPeer() {
    EXPECT_TRUE(socket.Open());
    EXPECT_TRUE(socket.Bind(kLoopback, 0));
    std::uint32_t address = 0;
    EXPECT_TRUE(socket.LocalName(address, port));
  }
  // Waits (running the loop) for one datagram.
  std::optional<std::string> Receive(Rig& rig) {
    std::optional<std::string> got;
    rig.RunUntil([&] {
      const long size = socket.NextSize();
      if (size < 0) return false;
      std::string bytes(static_cast<std::size_t>(size), '\0');
      DatagramSocket::Sender from;
      if (socket.Receive(bytes.data(), bytes.size(), from) == size) got = bytes;
      return true;
    });
    return got;
  }
};

struct UdpRig : Rig {
  SocketComponent socket{loop};
  Recorder events;
  PlainPeer peer;
  UdpRig() {
    socket.SetEvents(&events);
    EXPECT_TRUE(socket.SetProtocol(1).ok());
    EXPECT_TRUE(socket.Bind(0, std::nullopt).ok());
  }
  void SendFromPeer(std::string_view bytes) {
    EXPECT_EQ(peer.socket.SendTo(bytes.data(), bytes.size(), kLoopback,
                                 static_cast<std::uint16_t>(socket.LocalPort())),
              static_cast<long>(bytes.size()));
  }
};

TEST(SocketComponentUdp, BindGivesOpenStateAndAPortOneDataArrivalPerDatagram) {
  UdpRig rig;
  EXPECT_EQ(rig.socket.GetState(), State::Open);
  ASSERT_GT(rig.socket.LocalPort(), 0);
  EXPECT_GE(rig.socket.SocketHandle(), 0);

  rig.SendFromPeer("first");
  rig.SendFromPeer("second!");
  rig.SendFromPeer("");
  ASSERT_TRUE(rig.RunUntil([&] { return rig.events.Count("DataArrival") >= 3; }));
  rig.RunFor(std::chrono::milliseconds(30));
  EXPECT_EQ(rig.events.events,
            (std::vector<std::string>{"DataArrival 5", "DataArrival 7", "DataArrival 0"}));
  EXPECT_EQ(rig.socket.RemoteHostIP(), "127.0.0.1");
  EXPECT_EQ(rig.socket.RemotePort(), rig.peer.port);
  EXPECT_EQ(rig.socket.BytesReceived(), 12);

  // One datagram per read; PeekData leaves it; a short maxLen cuts it with 10040 and drops the
  // rest.
  std::string got;
  ASSERT_TRUE(rig.socket.Read(std::nullopt, true, got).ok());
  EXPECT_EQ(got, "first");
  ASSERT_TRUE(rig.socket.Read(std::nullopt, false, got).ok());
  EXPECT_EQ(got, "first");
  EXPECT_EQ(rig.socket.Read(3, true, got).Number(), 10040);
  EXPECT_EQ(got, "sec");
  EXPECT_EQ(rig.socket.Read(3, false, got).Number(), 10040);
  EXPECT_EQ(got, "sec");
  ASSERT_TRUE(rig.socket.Read(std::nullopt, false, got).ok());
  EXPECT_EQ(got, "");
  EXPECT_EQ(rig.socket.BytesReceived(), 0);
}

TEST(SocketComponentUdp, SendDataGoesToRemoteHostAndPortByAddressOrName) {
  UdpRig rig;
  rig.socket.SetRemoteHost("127.0.0.1");
  ASSERT_TRUE(rig.socket.SetRemotePort(rig.peer.port).ok());
  ASSERT_TRUE(rig.socket.SendData("to the peer").ok());
  EXPECT_EQ(rig.peer.Receive(rig), "to the peer");
  ASSERT_TRUE(rig.RunUntil([&] { return rig.events.Has("SendComplete"); }));
  EXPECT_TRUE(rig.events.Has("SendProgress 11 0"));

  // By name: the datagrams wait for the lookup, then go in order.
  rig.socket.SetRemoteHost("localhost");
  ASSERT_TRUE(rig.socket.SendData("one").ok());
  ASSERT_TRUE(rig.socket.SendData("two").ok());
  EXPECT_EQ(rig.peer.Receive(rig), "one");
  EXPECT_EQ(rig.peer.Receive(rig), "two");

  // An unknown name is an error event.
  rig.socket.SetRemoteHost("no-such-host.invalid");
  ASSERT_TRUE(rig.socket.SendData("lost").ok());
  ASSERT_TRUE(rig.RunUntil([&] { return rig.events.Has("Error 11001"); }));
  EXPECT_EQ(rig.socket.GetState(), State::Error);
}

TEST(SocketComponentUdp, SendDataWhileClosedBindsFirstAndTooLargeIsRefused) {
  Rig rig;
  SocketComponent socket(rig.loop);
  PlainPeer peer;
  ASSERT_TRUE(socket.SetProtocol(1).ok());
  socket.SetRemoteHost("127.0.0.1");
  ASSERT_TRUE(socket.SetRemotePort(peer.port).ok());
  ASSERT_TRUE(socket.SendData("hi").ok());
  EXPECT_EQ(socket.GetState(), State::Open);
  EXPECT_GT(socket.LocalPort(), 0);
  EXPECT_EQ(peer.Receive(rig), "hi");
  EXPECT_EQ(socket.SendData(std::string(70000, 'x')).Number(), 10040);
  EXPECT_EQ(socket.Bind(std::nullopt, std::nullopt).Number(), 40006);
  EXPECT_EQ(socket.Accept(1).Number(), 40026);
}

TEST(SocketComponentUdp, AHandlerThatReadsAheadIsNotToldAboutDatagramsItTook) {
  UdpRig rig;
  std::vector<std::string> taken;
  rig.events.onDataArrival = [&](std::int32_t) {
    // Takes every datagram at once, the not yet announced ones included.
    std::string got;
    while (rig.socket.BytesReceived() > 0) {
      EXPECT_TRUE(rig.socket.Read(std::nullopt, false, got).ok());
      taken.push_back(got);
    }
  };
  rig.SendFromPeer("a");
  rig.SendFromPeer("b");
  rig.SendFromPeer("c");
  ASSERT_TRUE(rig.RunUntil([&] { return taken.size() >= 3; }));
  rig.RunFor(std::chrono::milliseconds(30));
  EXPECT_EQ(taken, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_LE(rig.events.Count("DataArrival"), 3u);
}

TEST(ReadinessLoop, WritableWatchesFireWhileEnabledBesideReadableOnes) {
  Rig rig;
  PlainPeer peer;
  int readable = 0;
  int writable = 0;
  auto readWatch = rig.loop.WatchReadable(peer.socket.Descriptor(), [&] { ++readable; });
  auto writeWatch = rig.loop.WatchWritable(peer.socket.Descriptor(), [&] { ++writable; });
  readWatch->SetEnabled(true);
  rig.loop.RunOnce(std::chrono::milliseconds(10));
  EXPECT_EQ(writable, 0);  // a watch starts disabled
  writeWatch->SetEnabled(true);
  rig.loop.RunOnce(std::chrono::milliseconds(10));
  EXPECT_EQ(writable, 1);
  EXPECT_EQ(readable, 0);
  writeWatch.reset();
  EXPECT_EQ(rig.loop.EnabledWatches(), 1);
}

}  // namespace
