// The socket component over TCP, against plain loopback peers, driven only by the poll loop.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "components/socket/winsock_errors.h"
#include "socket_component/socket_rig.h"

namespace {

using namespace socket_tests;
using platform::StreamSocket;

// A component connected to a plain server, with the server's end of the connection.
struct ClientRig : Rig {
  PlainServer server;
  SocketComponent socket{loop};
  Recorder events;
  ClientRig() {
    socket.SetEvents(&events);
    EXPECT_TRUE(socket.Connect(std::string("127.0.0.1"), server.Port()).ok());
    EXPECT_TRUE(server.AcceptPeer(*this));
    EXPECT_TRUE(RunUntil([&] { return events.Has("Connect"); }));
    events.events.clear();
  }
};

TEST(SocketComponentTcp, ClientConnectsSendsReceivesAndIsClosedByThePeer) {
  Rig rig;
  PlainServer server;
  SocketComponent socket(rig.loop);
  Recorder events;
  socket.SetEvents(&events);
  EXPECT_EQ(socket.SocketHandle(), -1);

  ASSERT_TRUE(socket.Connect(std::string("127.0.0.1"), server.Port()).ok());
  // Nothing is raised from inside the call.
  EXPECT_TRUE(events.events.empty());
  EXPECT_EQ(socket.GetState(), State::Connecting);
  ASSERT_TRUE(server.AcceptPeer(rig));
  ASSERT_TRUE(rig.RunUntil([&] { return events.Has("Connect"); }));
  EXPECT_EQ(socket.GetState(), State::Connected);
  EXPECT_EQ(socket.RemoteHostIP(), "127.0.0.1");
  EXPECT_EQ(socket.RemotePort(), server.Port());
  EXPECT_GT(socket.LocalPort(), 0);
  EXPECT_GE(socket.SocketHandle(), 0);

  ASSERT_TRUE(socket.SendData("hello").ok());
  EXPECT_EQ(ReadPlain(rig, server.peer, 5), "hello");
  ASSERT_TRUE(rig.RunUntil([&] { return events.Has("SendComplete"); }));
  EXPECT_TRUE(events.Has("SendProgress 5 0"));

  // One DataArrival per arrival, none again for bytes left unread, a new one for new bytes.
  ASSERT_EQ(server.peer.Send("abc", 3), 3);
  ASSERT_TRUE(rig.RunUntil([&] { return events.Has("DataArrival 3"); }));
  rig.RunFor(std::chrono::milliseconds(50));
  EXPECT_EQ(events.Count("DataArrival"), 1u);
  EXPECT_EQ(socket.BytesReceived(), 3);
  ASSERT_EQ(server.peer.Send("de", 2), 2);
  ASSERT_TRUE(rig.RunUntil([&] { return events.Has("DataArrival 5"); }));
  EXPECT_EQ(events.Count("DataArrival"), 2u);

  std::string got;
  ASSERT_TRUE(socket.Read(2, true, got).ok());
  EXPECT_EQ(got, "ab");
  EXPECT_EQ(socket.BytesReceived(), 5);
  ASSERT_TRUE(socket.Read(2, false, got).ok());
  EXPECT_EQ(got, "ab");
  ASSERT_TRUE(socket.Read(std::nullopt, false, got).ok());
  EXPECT_EQ(got, "cde");
  EXPECT_EQ(socket.BytesReceived(), 0);
  ASSERT_TRUE(socket.Read(std::nullopt, false, got).ok());
  EXPECT_EQ(got, "");

  // The peer's close, after bytes it sent last: the bytes first, then Close, State 8.
  ASSERT_EQ(server.peer.Send("z", 1), 1);
  server.peer.Close();
  ASSERT_TRUE(rig.RunUntil([&] { return events.Has("Close"); }));
  EXPECT_EQ(socket.GetState(), State::Closing);
  ASSERT_TRUE(socket.Read(std::nullopt, false, got).ok());
  EXPECT_EQ(got, "z");
  EXPECT_EQ(socket.SendData("x").Number(), 40006);
  ASSERT_TRUE(socket.Close().ok());
  EXPECT_EQ(socket.GetState(), State::Closed);
  EXPECT_EQ(socket.SocketHandle(), -1);
}

TEST(SocketComponentTcp, CallsInAStateThatDoesNotAllowThemFailWith40006) {
  ClientRig rig;
  auto& socket = rig.socket;
  EXPECT_EQ(socket.Connect(std::nullopt, std::nullopt).Number(), 40006);
  EXPECT_EQ(socket.Listen().Number(), 40006);
  EXPECT_EQ(socket.Bind(std::nullopt, std::nullopt).Number(), 40006);
  EXPECT_EQ(socket.Accept(1).Number(), 40006);
  EXPECT_EQ(socket.SetProtocol(1).Number(), 40006);
  EXPECT_EQ(socket.GetState(), State::Connected);

  SocketComponent listening(rig.loop);
  ASSERT_TRUE(listening.Listen().ok());
  EXPECT_EQ(listening.Connect(std::string("127.0.0.1"), 1).Number(), 40006);
  EXPECT_EQ(listening.Listen().Number(), 40006);
  EXPECT_EQ(listening.SendData("x").Number(), 40006);
  EXPECT_EQ(listening.SetProtocol(0).Number(), 40006);
  ASSERT_TRUE(listening.Close().ok());
  EXPECT_TRUE(listening.SetProtocol(1).ok());
  EXPECT_EQ(listening.Listen().Number(), 40026);
  EXPECT_EQ(listening.Connect(std::string("127.0.0.1"), 1).Number(), 40026);

  SocketComponent closed(rig.loop);
  EXPECT_EQ(closed.SendData("x").Number(), 40006);
  EXPECT_EQ(closed.SetRemotePort(65536).Number(), 40021);
  EXPECT_EQ(closed.SetLocalPort(-1).Number(), 40021);
  EXPECT_EQ(closed.SetProtocol(2).Number(), 40021);
  EXPECT_EQ(closed.Accept(123456).Number(), 10038);
}

TEST(SocketComponentTcp, RefusedAndUnresolvableConnectsAreErrorEventsAndState9) {
  Rig rig;
  const struct {
    std::string host;
    int number;
  } cases[] = {{"127.0.0.1", 10061}, {"no-such-host.invalid", 11001}};
  for (const auto& c : cases) {
    SocketComponent socket(rig.loop);
    Recorder events;
    ErrorEvent seen;
    events.onError = [&](ErrorEvent& e) { seen = e; };
    socket.SetEvents(&events);
    ASSERT_TRUE(socket.Connect(c.host, ClosedPort()).ok());
    ASSERT_TRUE(rig.RunUntil([&] { return events.Count("Error") > 0; })) << c.host;
    EXPECT_EQ(seen.number, c.number);
    EXPECT_FALSE(seen.description.empty());
    EXPECT_EQ(seen.scode, components::winsock::ScodeOf(c.number));
    EXPECT_EQ(seen.source, "Winsock");
    EXPECT_EQ(socket.GetState(), State::Error);
    EXPECT_EQ(socket.Connect(std::nullopt, std::nullopt).Number(), 40006);
    ASSERT_TRUE(socket.Close().ok());
    EXPECT_EQ(socket.GetState(), State::Closed);
  }
}

TEST(SocketComponentTcp, AHostNameIsResolvedOffTheThreadThenConnected) {
  Rig rig;
  PlainServer server;
  SocketComponent socket(rig.loop);
  Recorder events;
  socket.SetEvents(&events);
  socket.SetRemoteHost("localhost");
  ASSERT_TRUE(socket.SetRemotePort(server.Port()).ok());
  ASSERT_TRUE(socket.Connect(std::nullopt, std::nullopt).ok());
  EXPECT_EQ(socket.GetState(), State::ResolvingHost);
  ASSERT_TRUE(server.AcceptPeer(rig));
  ASSERT_TRUE(rig.RunUntil([&] { return events.Has("Connect"); }));
  EXPECT_EQ(socket.RemoteHostIP(), "127.0.0.1");
  EXPECT_EQ(socket.RemoteHost(), "localhost");
  // A close while a lookup is under way drops its result.
  SocketComponent dropped(rig.loop);
  Recorder droppedEvents;
  dropped.SetEvents(&droppedEvents);
  ASSERT_TRUE(dropped.Connect(std::string("localhost"), server.Port()).ok());
  ASSERT_TRUE(dropped.Close().ok());
  rig.RunFor(std::chrono::milliseconds(100));
  EXPECT_TRUE(droppedEvents.events.empty());
  EXPECT_EQ(dropped.GetState(), State::Closed);
}

TEST(SocketComponentTcp, ListenOnPortZeroAcceptsIntoAnotherComponent) {
  Rig rig;
  SocketComponent server(rig.loop);
  SocketComponent session(rig.loop);
  Recorder serverEvents;
  Recorder sessionEvents;
  server.SetEvents(&serverEvents);
  session.SetEvents(&sessionEvents);
  std::string addressInEvent;
  int portInEvent = 0;
  serverEvents.onConnectionRequest = [&](std::int32_t id) {
    addressInEvent = server.RemoteHostIP();
    portInEvent = server.RemotePort();
    EXPECT_TRUE(session.Accept(id).ok());
    EXPECT_EQ(session.SocketHandle(), id);
  };
  ASSERT_TRUE(server.Listen().ok());
  EXPECT_EQ(server.GetState(), State::Listening);
  ASSERT_GT(server.LocalPort(), 0);

  StreamSocket client;
  ASSERT_TRUE(ConnectPlain(rig, client, server.LocalPort()));
  ASSERT_TRUE(rig.RunUntil([&] { return serverEvents.Has("ConnectionRequest"); }));
  EXPECT_EQ(addressInEvent, "127.0.0.1");
  EXPECT_EQ(portInEvent, client.LocalPort());
  EXPECT_EQ(server.GetState(), State::Listening);
  EXPECT_EQ(session.GetState(), State::Connected);
  EXPECT_EQ(session.RemotePort(), client.LocalPort());

  ASSERT_EQ(client.Send("ping", 4), 4);
  ASSERT_TRUE(rig.RunUntil([&] { return sessionEvents.Has("DataArrival 4"); }));
  ASSERT_TRUE(session.SendData("pong").ok());
  EXPECT_EQ(ReadPlain(rig, client, 4), "pong");
}

TEST(SocketComponentTcp, ARequestNotAcceptedDuringItsEventIsClosed) {
  Rig rig;
  SocketComponent server(rig.loop);
  Recorder serverEvents;
  server.SetEvents(&serverEvents);
  std::int32_t requestId = 0;
  serverEvents.onConnectionRequest = [&](std::int32_t id) { requestId = id; };
  ASSERT_TRUE(server.Listen().ok());
  StreamSocket client;
  ASSERT_TRUE(ConnectPlain(rig, client, server.LocalPort()));
  ASSERT_TRUE(rig.RunUntil([&] { return serverEvents.Has("ConnectionRequest"); }));
  // The peer sees the close; the request cannot be accepted afterwards.
  EXPECT_EQ(ReadPlain(rig, client, 1), "");
  SocketComponent late(rig.loop);
  EXPECT_EQ(late.Accept(requestId).Number(), 10038);
}

TEST(SocketComponentTcp, AListenerMayCloseAndAcceptTheRequestItself) {
  Rig rig;
  SocketComponent server(rig.loop);
  Recorder events;
  server.SetEvents(&events);
  events.onConnectionRequest = [&](std::int32_t id) {
    EXPECT_EQ(server.GetState(), State::Listening);
    EXPECT_TRUE(server.Close().ok());
    EXPECT_TRUE(server.Accept(id).ok());
  };
  ASSERT_TRUE(server.Listen().ok());
  const int port = server.LocalPort();
  StreamSocket client;
  ASSERT_TRUE(ConnectPlain(rig, client, port));
  ASSERT_TRUE(rig.RunUntil([&] { return events.Has("ConnectionRequest"); }));
  EXPECT_EQ(server.GetState(), State::Connected);
  // Bytes the client sent before the accept are announced too.
  ASSERT_EQ(client.Send("early", 5), 5);
  ASSERT_TRUE(rig.RunUntil([&] { return events.Has("DataArrival 5"); }));
  // No listener is left on the port.
  StreamSocket second;
  EXPECT_FALSE(ConnectPlain(rig, second, port));
}

TEST(SocketComponentTcp, AResetByThePeerIsError10054) {
  ClientRig rig;
  rig.server.peer.CloseWithReset();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.events.Count("Error") > 0; }));
  EXPECT_TRUE(rig.events.Has("Error 10054"));
  EXPECT_EQ(rig.socket.GetState(), State::Error);
}

TEST(SocketComponentTcp, ALargeSendNeverBlocksAndDrainsWithProgressThenComplete) {
  ClientRig rig;
  const std::size_t size = 16u << 20;
  std::string block(size, '\0');
  for (std::size_t i = 0; i < size; ++i) block[i] = static_cast<char>(i * 7 + i / 4096);
  // The peer does not read yet: the call returns at once with most of the block waiting.
  ASSERT_TRUE(rig.socket.SendData(block).ok());
  rig.RunFor(std::chrono::milliseconds(30));
  EXPECT_FALSE(rig.events.Has("SendComplete"));
  std::string got = ReadPlain(rig, rig.server.peer, size);
  ASSERT_EQ(got.size(), size);
  EXPECT_TRUE(got == block);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.events.Has("SendComplete"); }));
  EXPECT_EQ(rig.events.progressSent, static_cast<std::int64_t>(size));
  EXPECT_GT(rig.events.Count("SendProgress"), 1u);
  // The remaining count falls with each progress and reaches 0 just before SendComplete.
  long previous = static_cast<long>(size);
  for (const auto& line : rig.events.events) {
    if (line.rfind("SendProgress", 0) != 0) continue;
    const long remaining = std::stol(line.substr(line.rfind(' ') + 1));
    EXPECT_LT(remaining, previous);
    previous = remaining;
  }
  EXPECT_EQ(previous, 0);
  EXPECT_EQ(rig.events.events.back(), "SendComplete");
}

TEST(SocketComponentTcp, AnUnreadFloodPausesTheReadingUntilTheOwnerTakesBytes) {
  ClientRig rig;
  const std::size_t size = 24u << 20;
  std::string block(size, '\0');
  for (std::size_t i = 0; i < size; ++i) block[i] = static_cast<char>(i % 251);
  std::size_t offset = 0;
  std::string got;
  // The peer pushes what the system takes; the component reads up to its limit, then stops.
  auto push = [&] {
    while (offset < size) {
      long n = rig.server.peer.Send(block.data() + offset, size - offset);
      if (n <= 0) break;
      offset += static_cast<std::size_t>(n);
    }
  };
  for (int i = 0; i < 100; ++i) {
    push();
    rig.RunFor(std::chrono::milliseconds(5));
  }
  EXPECT_LT(offset, size);
  EXPECT_LE(static_cast<std::size_t>(rig.socket.BytesReceived()), SocketComponent::kReceiveLimit);
  // Taking the bytes lets the reading go on; everything comes, in order.
  ASSERT_TRUE(rig.RunUntil(
      [&] {
        push();
        std::string part;
        EXPECT_TRUE(rig.socket.Read(std::nullopt, false, part).ok());
        got += part;
        return got.size() >= size;
      },
      std::chrono::seconds(20)));
  EXPECT_TRUE(got == block);
}

TEST(SocketComponentTcp, CloseFromInsideDataArrivalEndsTheHandling) {
  ClientRig rig;
  rig.events.onDataArrival = [&](std::int32_t) { EXPECT_TRUE(rig.socket.Close().ok()); };
  ASSERT_EQ(rig.server.peer.Send("abc", 3), 3);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.events.Count("DataArrival") > 0; }));
  rig.RunFor(std::chrono::milliseconds(30));
  EXPECT_EQ(rig.socket.GetState(), State::Closed);
  EXPECT_EQ(rig.events.events.size(), 1u);
  // The component can connect again at once.
  PlainServer other;
  ASSERT_TRUE(rig.socket.Connect(std::string("127.0.0.1"), other.Port()).ok());
  ASSERT_TRUE(other.AcceptPeer(rig));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.events.Has("Connect"); }));
}

TEST(SocketComponentTcp, TcpBindThenConnectUsesTheBoundPort) {
  Rig rig;
  PlainServer server;
  SocketComponent socket(rig.loop);
  Recorder events;
  socket.SetEvents(&events);
  ASSERT_TRUE(socket.Bind(0, std::string("127.0.0.1")).ok());
  EXPECT_EQ(socket.GetState(), State::Open);
  const int bound = socket.LocalPort();
  ASSERT_GT(bound, 0);
  ASSERT_TRUE(socket.Connect(std::string("127.0.0.1"), server.Port()).ok());
  ASSERT_TRUE(server.AcceptPeer(rig));
  ASSERT_TRUE(rig.RunUntil([&] { return events.Has("Connect"); }));
  std::string address;
  int port = 0;
  ASSERT_TRUE(server.peer.PeerName(address, port));
  EXPECT_EQ(port, bound);
  EXPECT_EQ(socket.Bind(std::nullopt, std::string("not an address")).Number(), 40006);
  SocketComponent other(rig.loop);
  EXPECT_EQ(other.Bind(std::nullopt, std::string("not an address")).Number(), 40014);
  EXPECT_EQ(other.Bind(std::nullopt, std::string("192.0.2.1")).Number(), 10049);
}

}  // namespace
