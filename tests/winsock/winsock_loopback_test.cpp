// The Winsock control with its real socket component, through the loaded library, against plain
// loopback peers: both event modes, TCP client and server, UDP, errors, and a flood.

#include <atomic>
#include <fstream>
#include <thread>

#include "automation/coercion.h"
#include "automation/control.h"
#include "automation/property_bag.h"
#include "winsock/winsock_host.h"

namespace winsock_test {
namespace {

using Platform = platform::StreamSocket;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

std::string ReadAll(WinsockHost& host, Platform& socket, std::size_t count,
                    const std::function<void()>& pump) {
  std::string got;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (got.size() < count && std::chrono::steady_clock::now() < end) {
    char buffer[65536];
    long n = socket.Receive(buffer, sizeof buffer);
    if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    if (n == 0) break;
    if (n < 0) pump();
  }
  (void)host;
  return got;
}

bool AcceptPlain(WinsockHost& host, PlainServer& server, const std::function<void()>& pump) {
  (void)host;
  for (int i = 0; i < 2500; ++i) {
    if (server.listener.Accept(server.peer)) return true;
    pump();
  }
  return false;
}

bool ConnectPlain(Platform& client, int port, const std::function<void()>& pump) {
  if (!client.Open()) return false;
  if (client.StartConnect(kLoopback, static_cast<std::uint16_t>(port))) return true;
  for (int i = 0; i < 2500; ++i) {
    if (client.WaitFor(Platform::Await::Connected, 0) == Platform::WaitOutcome::Ready)
      return client.FinishConnect() == 0;
    pump();
  }
  return false;
}

class WinsockLoopback : public WinsockHost {
 protected:
  std::function<void()> Pump() {
    return [this] { loop_.RunOnce(std::chrono::milliseconds(2)); };
  }
  bool Has(const std::vector<HostEvent>& events, DispId id) {
    for (const auto& e : events)
      if (e.id == id) return true;
    return false;
  }
};

TEST_F(WinsockLoopback, ClientSendsStringsAndBytesReceivesAndIsClosedByThePeer) {
  PlainServer server;
  auto winsock = Create();
  ASSERT_TRUE(winsock);
  std::vector<HostEvent> events;
  Listen(*winsock, events);
  ASSERT_TRUE(
      Call(*winsock, u"Connect", {Variant::String(u"127.0.0.1"), Variant::I4(server.Port())}).ok());
  ASSERT_TRUE(AcceptPlain(*this, server, Pump()));
  ASSERT_TRUE(RunUntil([&] { return Has(events, kConnect); }));
  EXPECT_EQ(State(*winsock), 7);
  EXPECT_EQ(Get(*winsock, u"RemoteHostIP"), Variant::String(u"127.0.0.1"));

  // A string goes out in CP932; a byte array as it is.
  ASSERT_TRUE(Call(*winsock, u"SendData", {Variant::String(u"全角ｶﾅ")}).ok());
  ASSERT_TRUE(Call(*winsock, u"SendData", {Variant::Bytes({0x00, 0x02, 0xFF})}).ok());
  EXPECT_EQ(ReadAll(*this, server.peer, 9, Pump()),
            std::string("\x91\x53\x8A\x70\xB6\xC5", 6) + std::string("\x00\x02\xFF", 3));

  // DataArrival with the total; GetData without a type is a byte array, with 8 a string.
  const std::string sent =
      "\x82\xA0"
      "abc";  // "あabc" in CP932
  ASSERT_EQ(server.peer.Send(sent.data(), sent.size()), 5);
  ASSERT_TRUE(RunUntil([&] { return Has(events, kDataArrival); }));
  EXPECT_EQ(events.back().args, std::vector<Variant>{Variant::I4(5)});
  EXPECT_EQ(Get(*winsock, u"BytesReceived"), Variant::I4(5));
  Variant data;
  std::vector<Variant> peek = {Variant::ByRef(data), Variant::I4(8)};
  ASSERT_TRUE(pa::CallMethod(*winsock, u"PeekData", std::span<Variant>(peek)).ok());
  EXPECT_EQ(data, Variant::String(u"あabc"));
  std::vector<Variant> get = {Variant::ByRef(data), Variant::Missing(), Variant::I4(2)};
  ASSERT_TRUE(pa::CallMethod(*winsock, u"GetData", std::span<Variant>(get)).ok());
  EXPECT_EQ(data, Variant::Bytes({0x82, 0xA0}));
  std::vector<Variant> rest = {Variant::ByRef(data)};
  ASSERT_TRUE(pa::CallMethod(*winsock, u"GetData", std::span<Variant>(rest)).ok());
  EXPECT_EQ(Bytes(data), "abc");

  // A number from its bytes; too few bytes for the type give Empty and take nothing.
  ASSERT_EQ(server.peer.Send("\x34\x12\x01", 3), 3);
  ASSERT_TRUE(RunUntil([&] { return Get(*winsock, u"BytesReceived") == Variant::I4(3); }));
  std::vector<Variant> integer = {Variant::ByRef(data), Variant::I4(2)};
  ASSERT_TRUE(pa::CallMethod(*winsock, u"GetData", std::span<Variant>(integer)).ok());
  EXPECT_EQ(data, Variant::I2(0x1234));
  std::vector<Variant> longValue = {Variant::ByRef(data), Variant::I4(3)};
  ASSERT_TRUE(pa::CallMethod(*winsock, u"GetData", std::span<Variant>(longValue)).ok());
  EXPECT_TRUE(data.IsEmpty());
  EXPECT_EQ(Get(*winsock, u"BytesReceived"), Variant::I4(1));
  std::vector<Variant> unsupported = {Variant::ByRef(data), Variant::I4(9)};
  EXPECT_EQ(pa::CallMethod(*winsock, u"GetData", std::span<Variant>(unsupported)).error().number,
            40018);

  // The peer closes: Close2, State 8; Close2 returns to 0.
  server.peer.Close();
  ASSERT_TRUE(RunUntil([&] { return Has(events, kClose2); }));
  EXPECT_EQ(State(*winsock), 8);
  ASSERT_TRUE(Call(*winsock, u"Close2").ok());
  EXPECT_EQ(State(*winsock), 0);
}

TEST_F(WinsockLoopback, AServerInScriptModeQueuesTheRequestThenClosesAndAccepts) {
  auto winsock = Create();
  Put(*winsock, u"LocalPort", Variant::I4(0));
  ASSERT_TRUE(Call(*winsock, u"Start_EventForScript").ok());
  ASSERT_TRUE(Call(*winsock, u"Listen").ok());
  EXPECT_EQ(State(*winsock), 2);
  auto port = pa::ToI4(Get(*winsock, u"LocalPort"));
  ASSERT_TRUE(port.ok());
  ASSERT_GT(*port, 0);

  Platform client;
  ASSERT_TRUE(ConnectPlain(client, *port, Pump()));
  std::optional<std::vector<Variant>> record;
  ASSERT_TRUE(RunUntil([&] { return (record = NextRecord(*winsock)).has_value(); }));
  EXPECT_EQ(Name(*record), u"ConnectionRequest");
  ASSERT_EQ((*record)[1].Type(), pa::VarType::I4);
  // The control closed its listener and accepted the request on it.
  EXPECT_EQ(State(*winsock), 7);
  EXPECT_EQ(Get(*winsock, u"SocketHandle"), (*record)[1]);
  EXPECT_EQ(Get(*winsock, u"RemotePort"), Variant::I4(client.LocalPort()));

  ASSERT_EQ(client.Send("hello", 5), 5);
  ASSERT_TRUE(RunUntil([&] { return (record = NextRecord(*winsock)).has_value(); }));
  EXPECT_EQ(Name(*record), u"DataArrival");
  EXPECT_EQ((*record)[1], Variant::I4(5));
  EXPECT_EQ(Bytes((*record)[9]), "hello");
  // The control took the bytes already.
  EXPECT_EQ(Get(*winsock, u"BytesReceived"), Variant::I4(0));

  ASSERT_TRUE(Call(*winsock, u"SendData", {Variant::String(u"world")}).ok());
  EXPECT_EQ(ReadAll(*this, client, 5, Pump()), "world");
  ASSERT_TRUE(RunUntil([&] { return (record = NextRecord(*winsock)).has_value(); }));
  EXPECT_EQ(Name(*record), u"SendProgress");
  EXPECT_EQ((*record)[1], Variant::I4(5));
  EXPECT_EQ((*record)[2], Variant::I4(0));
  ASSERT_TRUE(RunUntil([&] { return (record = NextRecord(*winsock)).has_value(); }));
  EXPECT_EQ(Name(*record), u"SendComplete");

  client.Close();
  ASSERT_TRUE(RunUntil([&] { return (record = NextRecord(*winsock)).has_value(); }));
  EXPECT_EQ(Name(*record), u"Close2");
  EXPECT_EQ(State(*winsock), 8);
}

TEST_F(WinsockLoopback, ARaiseModeHandlerAcceptsIntoASecondControl) {
  auto server = Create();
  auto session = Create();
  std::vector<HostEvent> serverEvents;
  std::vector<HostEvent> sessionEvents;
  Listen(*session, sessionEvents);
  Listen(*server, serverEvents, [&](DispId id, std::span<Variant> args) {
    if (id != kConnectionRequest) return;
    EXPECT_TRUE(Call(*session, u"Accept", {args[0].Value()}).ok());
  });
  ASSERT_TRUE(Call(*server, u"Listen").ok());
  const std::int32_t port = Get(*server, u"LocalPort").AsI4();
  Platform client;
  ASSERT_TRUE(ConnectPlain(client, port, Pump()));
  ASSERT_TRUE(RunUntil([&] { return Has(serverEvents, kConnectionRequest); }));
  EXPECT_EQ(State(*server), 2);
  EXPECT_EQ(State(*session), 7);
  ASSERT_EQ(client.Send("x", 1), 1);
  ASSERT_TRUE(RunUntil([&] { return Has(sessionEvents, kDataArrival); }));
  EXPECT_FALSE(Has(serverEvents, kDataArrival));
}

TEST_F(WinsockLoopback, RefusedAndUnresolvableConnectsComeAsErrorEventsOrRecords) {
  int closedPort = 0;
  {
    Platform probe;
    ASSERT_TRUE(probe.Open());
    ASSERT_TRUE(probe.Bind(0, false));
    closedPort = probe.LocalPort();
  }
  auto raised = Create();
  std::vector<HostEvent> events;
  Listen(*raised, events, [](DispId id, std::span<Variant> args) {
    if (id == kError) args[6].Deref() = Variant::Bool(true);  // CancelDisplay, by reference
  });
  ASSERT_TRUE(
      Call(*raised, u"Connect", {Variant::String(u"127.0.0.1"), Variant::I4(closedPort)}).ok());
  ASSERT_TRUE(RunUntil([&] { return Has(events, kError); }));
  const auto& error = events.back().args;
  ASSERT_EQ(error.size(), 7u);
  EXPECT_EQ(error[0], Variant::I2(10061));
  EXPECT_EQ(error[1], Variant::String(u"Connection is forcefully rejected."));
  EXPECT_EQ(error[2], Variant::I4(static_cast<std::int32_t>(0x800A274D)));
  EXPECT_EQ(State(*raised), 9);

  auto queued = Create();
  ASSERT_TRUE(Call(*queued, u"Start_EventForScript").ok());
  Put(*queued, u"RemoteHost", Variant::String(u"no-such-host.invalid"));
  Put(*queued, u"RemotePort", Variant::I4(80));
  ASSERT_TRUE(Call(*queued, u"Connect").ok());
  EXPECT_EQ(State(*queued), 4);
  std::optional<std::vector<Variant>> record;
  ASSERT_TRUE(RunUntil([&] { return (record = NextRecord(*queued)).has_value(); }));
  EXPECT_EQ(Name(*record), u"Error");
  EXPECT_EQ((*record)[1], Variant::I2(11001));
  EXPECT_EQ((*record)[7], Variant::Bool(false));
  EXPECT_EQ(State(*queued), 9);
  // A call the state does not allow fails with the control's own error.
  auto again = Call(*queued, u"Listen");
  ASSERT_FALSE(again.ok());
  EXPECT_EQ(again.error().number, 40006);
  EXPECT_EQ(again.error().description,
            u"Wrong protocol or connection state for the requested transaction or request.");
}

TEST_F(WinsockLoopback, UdpBothWaysWithOneArrivalPerDatagramAndTruncation) {
  auto a = Create();
  auto b = Create();
  for (auto* control : {a.get(), b.get()}) {
    Put(*control, u"Protocol", Variant::I4(1));
    ASSERT_TRUE(Call(*control, u"Bind", {Variant::I4(0), Variant::String(u"127.0.0.1")}).ok());
    EXPECT_EQ(State(*control), 1);
  }
  std::vector<HostEvent> bEvents;
  Listen(*b, bEvents);
  ASSERT_TRUE(Call(*a, u"Start_EventForScript").ok());
  Put(*a, u"RemoteHost", Variant::String(u"127.0.0.1"));
  Put(*a, u"RemotePort", Get(*b, u"LocalPort"));
  ASSERT_TRUE(Call(*a, u"SendData", {Variant::String(u"datagram one")}).ok());
  ASSERT_TRUE(Call(*a, u"SendData", {Variant::Bytes({1, 2, 3})}).ok());
  ASSERT_TRUE(RunUntil([&] { return bEvents.size() >= 2; }));
  EXPECT_EQ(bEvents[0].id, kDataArrival);
  EXPECT_EQ(bEvents[0].args, std::vector<Variant>{Variant::I4(12)});
  EXPECT_EQ(bEvents[1].args, std::vector<Variant>{Variant::I4(3)});
  EXPECT_EQ(Get(*b, u"RemotePort"), Get(*a, u"LocalPort"));
  EXPECT_EQ(Get(*b, u"RemoteHostIP"), Variant::String(u"127.0.0.1"));

  // A maxLen below the datagram gives the first bytes, then error 10040; the rest is gone.
  Variant data;
  std::vector<Variant> cut = {Variant::ByRef(data), Variant::I4(8), Variant::I4(8)};
  auto truncated = pa::CallMethod(*b, u"GetData", std::span<Variant>(cut));
  ASSERT_FALSE(truncated.ok());
  EXPECT_EQ(truncated.error().number, 10040);
  EXPECT_EQ(data, Variant::String(u"datagram"));
  std::vector<Variant> next = {Variant::ByRef(data)};
  ASSERT_TRUE(pa::CallMethod(*b, u"GetData", std::span<Variant>(next)).ok());
  EXPECT_EQ(data, Variant::Bytes({1, 2, 3}));

  // And back: B answers the sender it just heard from; A's record carries the bytes.
  ASSERT_TRUE(Call(*b, u"SendData", {Variant::String(u"reply")}).ok());
  std::optional<std::vector<Variant>> record;
  ASSERT_TRUE(RunUntil([&] {
    record = NextRecord(*a);
    return record && Name(*record) == u"DataArrival";
  }));
  EXPECT_EQ((*record)[1], Variant::I4(5));
  EXPECT_EQ(Bytes((*record)[9]), "reply");
}

TEST_F(WinsockLoopback, AnEmptyPropertyBagSetsTheDefaultsOnTheInnerComponent) {
  auto winsock = Create();
  Put(*winsock, u"LocalPort", Variant::I4(1234));
  Put(*winsock, u"Protocol", Variant::I4(1));
  Put(*winsock, u"RemoteHost", Variant::String(u"somewhere"));
  Put(*winsock, u"RemotePort", Variant::I4(99));
  auto control = pa::QueryInterface<pa::Control>(winsock);
  ASSERT_TRUE(control);
  pa::MemoryPropertyBag empty;
  ASSERT_TRUE(control->Load(empty).ok());
  EXPECT_EQ(Get(*winsock, u"LocalPort"), Variant::I4(0));
  EXPECT_EQ(Get(*winsock, u"Protocol"), Variant::I4(0));
  EXPECT_EQ(Get(*winsock, u"RemoteHost"), Variant::String(u""));
  EXPECT_EQ(Get(*winsock, u"RemotePort"), Variant::I4(0));

  // Saved and loaded again, the values come back.
  Put(*winsock, u"RemotePort", Variant::I4(5000));
  Put(*winsock, u"RemoteHost", Variant::String(u"機器"));
  pa::MemoryPropertyBag saved;
  ASSERT_TRUE(control->Save(saved).ok());
  auto other = Create();
  ASSERT_TRUE(pa::QueryInterface<pa::Control>(other)->Load(saved).ok());
  EXPECT_EQ(Get(*other, u"RemotePort"), Variant::I4(5000));
  EXPECT_EQ(Get(*other, u"RemoteHost"), Variant::String(u"機器"));
  // Out of range and in the wrong state, writes fail with the component's numbers.
  EXPECT_EQ(pa::PutProperty(*other, u"RemotePort", Variant::I4(70000)).error().number, 40021);
}

// The peak resident size of this process in bytes, from the kernel's status file.
std::size_t PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoul(line.substr(6)) * 1024;
  }
  return 0;
}

TEST_F(WinsockLoopback, A64MiBFloodLosesNothingWhileTheScriptPollsEvery100ms) {
  constexpr std::size_t kFlood = 64u << 20;
  auto byteAt = [](std::size_t i) { return static_cast<char>((i * 31 + (i >> 12)) & 0xFF); };
  PlainServer server;
  auto winsock = Create();
  ASSERT_TRUE(Call(*winsock, u"Start_EventForScript").ok());
  ASSERT_TRUE(
      Call(*winsock, u"Connect", {Variant::String(u"127.0.0.1"), Variant::I4(server.Port())}).ok());
  ASSERT_TRUE(AcceptPlain(*this, server, Pump()));

  // The peer floods from a thread of its own, as fast as the connection takes it.
  std::atomic<bool> stop{false};
  std::thread flooder([&] {
    std::string block(1 << 20, '\0');
    std::size_t sent = 0;
    while (sent < kFlood && !stop) {
      for (std::size_t i = 0; i < block.size(); ++i) block[i] = byteAt(sent + i);
      std::size_t offset = 0;
      while (offset < block.size() && !stop) {
        long n = server.peer.Send(block.data() + offset, block.size() - offset);
        if (n > 0) {
          offset += static_cast<std::size_t>(n);
        } else {
          server.peer.WaitFor(Platform::Await::Writable, 100);
        }
      }
      sent += block.size();
    }
  });

  std::size_t received = 0;
  std::size_t mismatches = 0;
  std::size_t records = 0;
  bool connected = false;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (received < kFlood && std::chrono::steady_clock::now() < end) {
    RunFor(std::chrono::milliseconds(100));  // the script's WScript.Sleep 100
    while (auto record = NextRecord(*winsock)) {
      if (Name(*record) == u"Connect") connected = true;
      if (Name(*record) != u"DataArrival") continue;
      ++records;
      const auto& bytes = (*record)[9].AsArray().bytes();
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (static_cast<char>(bytes[i]) != byteAt(received + i)) ++mismatches;
      }
      received += bytes.size();
    }
  }
  stop = true;
  flooder.join();
  EXPECT_TRUE(connected);
  EXPECT_EQ(received, kFlood);
  EXPECT_EQ(mismatches, 0u);
  EXPECT_GT(records, 0u);
  if (!kSanitized) {
    EXPECT_LT(PeakResidentBytes(), 150u << 20);
  }
}

}  // namespace
}  // namespace winsock_test
