// Server mode end to end: the real window, real loopback peers.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/cp932.h"
#include "platform/last_error.h"
#include "tcpip/loopback_peer.h"
#include "tcpip/tool_fixture.h"
#include "tcpip/traffic_lines.h"

namespace tcpip_test {
namespace {

using platform::Cp932;
using tcpip::FormatLine;
using tcpip::LineFormats;

class ServerFlows : public ToolFixture {};

TEST_F(ServerFlows, ThreePeersTheCurrentPeerAndTheAddressBox) {
  Open(true, "0");
  EXPECT_FALSE(Enabled(ids::kPeerAddress)) << "server mode disables the address box";
  Click(ids::kConnect);
  ASSERT_GT(ListenPort(), 0);
  // Port 0 lets the system choose; the line names the port taken.
  EXPECT_EQ(LastLine(), FormatLine(LineFormats::Get().listenStarted, "", ListenPort()));
  EXPECT_FALSE(Enabled(ids::kConnect));
  EXPECT_FALSE(Enabled(ids::kServer));
  EXPECT_FALSE(Enabled(ids::kClient));
  EXPECT_FALSE(Enabled(ids::kPort));
  EXPECT_TRUE(Enabled(ids::kDisconnect));

  LoopbackPeer p1, p2, p3;
  Join(p1);
  Join(p2);
  Join(p3);
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], PeerLine(LineFormats::Get().peerConnected, p1));
  EXPECT_EQ(lines[3], PeerLine(LineFormats::Get().peerConnected, p3));
  EXPECT_EQ(AddressBox(), "127.0.0.1:" + std::to_string(p3.LocalPort()));  // "%s:%s"
  EXPECT_TRUE(T().IsConnected());

  // The current (third) peer goes: the lowest slot's peer takes its place, with a colon after.
  const std::string thirdClosed = PeerLine(LineFormats::Get().peerClosed, p3);
  p3.Close();
  ASSERT_TRUE(RunUntil([&] { return T().Peers().Occupied() == 2; }));
  EXPECT_EQ(LastLine(), thirdClosed);
  EXPECT_EQ(AddressBox(), "127.0.0.1:" + std::to_string(p1.LocalPort()) + ":");  // "%s:%s:"

  // Clicking a line of the second peer picks it.
  ClickLine(2);
  EXPECT_EQ(AddressBox(), "127.0.0.1:" + std::to_string(p2.LocalPort()));  // "%s:%d"
  // Text goes to the picked peer.
  SetText(ids::kSendBox, "<STX>A<ETX>");
  Click(ids::kSendText);
  EXPECT_EQ(p2.Read(3),
            "\x02"
            "A\x03");
  EXPECT_EQ(LastLine(), PeerLine(LineFormats::Get().sent, p2, "<STX>A<ETX>"));

  // The listening socket's line and the gone peer's lines pick nothing.
  ClickLine(0);
  EXPECT_EQ(AddressBox(), "127.0.0.1:" + std::to_string(p2.LocalPort()));
  ClickLine(3);
  EXPECT_EQ(AddressBox(), "127.0.0.1:" + std::to_string(p2.LocalPort()));
  // A line of the first peer picks it, whatever its prefix.
  ClickLine(1);
  EXPECT_EQ(AddressBox(), "127.0.0.1:" + std::to_string(p1.LocalPort()));

  // "切　断" closes every peer, then the listening socket.
  const int listenPort = ListenPort();
  Click(ids::kDisconnect);
  lines = Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], PeerLine(LineFormats::Get().peerClosed, p1));
  EXPECT_EQ(lines[lines.size() - 2], PeerLine(LineFormats::Get().peerClosed, p2));
  EXPECT_EQ(lines.back(), FormatLine(LineFormats::Get().listenEnded, "", listenPort));
  EXPECT_EQ(AddressBox(), "");
  EXPECT_FALSE(T().IsConnected());
  EXPECT_TRUE(Enabled(ids::kConnect));
  EXPECT_FALSE(Enabled(ids::kDisconnect));
  EXPECT_FALSE(Enabled(ids::kPeerAddress)) << "idle in server mode keeps the address box disabled";
  EXPECT_TRUE(p1.SeesEnd());
  EXPECT_TRUE(p2.SeesEnd());
  LoopbackPeer late;
  EXPECT_FALSE(late.Connect(listenPort));
}

TEST_F(ServerFlows, ReceivedDataAsNotationAndHex) {
  Open(true, "0");
  Click(ids::kConnect);
  LoopbackPeer p;
  Join(p);
  ASSERT_TRUE(
      p.SendAll("\x02"
                "A\x03"));
  ASSERT_TRUE(RunUntil([&] { return Lines().size() == 3; }));
  EXPECT_EQ(LastLine(), PeerLine(LineFormats::Get().received, p, "<STX>A<ETX>"));
  SetCheck(ids::kDspHex, true);
  ASSERT_TRUE(
      p.SendAll("\x02"
                "A\x03"));
  ASSERT_TRUE(RunUntil([&] { return Lines().size() == 4; }));
  EXPECT_EQ(LastLine(), PeerLine(LineFormats::Get().received, p, "<02><41><03>"));
}

TEST_F(ServerFlows, LargeBurstArrivesInBlocksAndSendAndCloseLosesNothing) {
  Open(true, "0");
  SetCheck(ids::kDataSave, true);  // data files
  Click(ids::kConnect);
  LoopbackPeer p;
  Join(p);
  std::string burst(250000, '\0');
  for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<char>('a' + i % 26);
  const std::string closed = PeerLine(LineFormats::Get().peerClosed, p);
  // The peer sends everything at once and closes at once, from its own thread.
  bool sent = false;
  std::thread flood([&] {
    sent = p.SendAll(burst);
    p.Close();
  });
  const bool seenClose = RunUntil([&] { return LastLine() == closed; }, 20000);
  flood.join();
  ASSERT_TRUE(sent);
  ASSERT_TRUE(seenClose);

  // Every block is one line of at most 102,400 bytes; the data files hold the bytes in order.
  const std::string prefix = Cp932("->受 ");
  int receiveLines = 0;
  for (const auto& line : Lines()) receiveLines += line.compare(0, prefix.size(), prefix) == 0;
  EXPECT_GE(receiveLines, 3);
  std::string joined;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(DataFolder()))
    names.push_back(entry.path().string());
  std::sort(names.begin(), names.end());
  for (const auto& name : names) {
    const std::string block = testing_support::ReadWholeFile(name);
    EXPECT_LE(block.size(), 102400u);
    joined += block;
  }
  EXPECT_EQ(names.size(), static_cast<std::size_t>(receiveLines));
  EXPECT_EQ(joined, burst) << "no byte lost before the close";
}

// Bytes that wait beyond one block are read as a whole block of 102,400 bytes, then the rest.
TEST_F(ServerFlows, BytesWaitingBeyondOneBlockComeAsAFullBlockThenTheRest) {
  Open(true, "0");
  SetCheck(ids::kDataSave, true);  // data files
  Click(ids::kConnect);
  LoopbackPeer p;
  Join(p);
  std::string burst(102401, '\0');
  for (std::size_t i = 0; i < burst.size(); ++i) burst[i] = static_cast<char>('A' + i % 26);
  // All of it waits on the tool's side before the tool reads: the loop is not run meanwhile.
  ASSERT_TRUE(p.SendAll(burst));
  const std::string prefix = Cp932("->受 ");
  auto receiveLines = [&] {
    int count = 0;
    for (const auto& line : Lines()) count += line.compare(0, prefix.size(), prefix) == 0;
    return count;
  };
  ASSERT_TRUE(RunUntil([&] { return receiveLines() == 2; }, 10000));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(DataFolder()))
    names.push_back(entry.path().string());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(testing_support::ReadWholeFile(names[0]), burst.substr(0, 102400));
  EXPECT_EQ(testing_support::ReadWholeFile(names[1]), burst.substr(102400));
}

TEST_F(ServerFlows, ReListensOnTheSamePortRightAfterDisconnect) {
  const int port = FreePort();
  Open(true, std::to_string(port));
  Click(ids::kConnect);
  ASSERT_EQ(ListenPort(), port);
  LoopbackPeer p;
  Join(p);
  Click(ids::kDisconnect);
  Click(ids::kConnect);
  EXPECT_EQ(LastLine(), FormatLine(LineFormats::Get().listenStarted, "", port));
  EXPECT_EQ(ListenPort(), port);
}

TEST_F(ServerFlows, PortInUseGivesAnErrorLineAndStaysIdle) {
  LoopbackPeer holder;
  ASSERT_TRUE(holder.socket().Open());
  ASSERT_TRUE(holder.socket().Bind(0, false));
  ASSERT_TRUE(holder.socket().Listen(1));
  const int port = holder.LocalPort();
  Open(true, std::to_string(port));
  Click(ids::kConnect);
  EXPECT_EQ(LastLine(), FormatLine(LineFormats::Get().failedWithPort, "", port,
                                   platform::SystemMessageText(EADDRINUSE).c_str()));
  EXPECT_EQ(T().Listener(), nullptr);
  EXPECT_TRUE(Enabled(ids::kConnect));
}

// Closing with "切　断" while a reception and a close of the same peers are still queued: the
// endpoints go at once, and the queued messages, which name them by id, find nothing and add
// nothing.
TEST_F(ServerFlows, MessagesQueuedForEndpointsClosedMeanwhileAreDropped) {
  Open(true, "0");
  Click(ids::kConnect);
  LoopbackPeer a, b;
  Join(a);
  Join(b);
  ASSERT_TRUE(a.SendAll("pending"));
  b.Close();
  // Let the notices be posted, but not delivered: hold the queue while the loop runs.
  {
    platform::MessageHold hold(W().Messages());
    Settle(100);
  }
  const std::size_t before = Lines().size();
  T().OnDisconnectButton();
  EXPECT_EQ(Lines().size(), before + 3);
  EXPECT_EQ(T().LiveEndpoints(), 0u);
  Settle();
  EXPECT_EQ(Lines().size(), before + 3) << "the queued reception and close add nothing";
}

// An accept message left in the queue by a listening socket that "切　断" closed names no
// endpoint: the next listening socket must not wait for a connection that is not there.
TEST_F(ServerFlows, AnAcceptMessageOfAClosedListenerIsIgnored) {
  Open(true, "0");
  Click(ids::kConnect);
  LoopbackPeer p;
  {
    platform::MessageHold hold(W().Messages());
    ASSERT_TRUE(p.Connect(ListenPort()));
    Settle(100);  // the accept message is posted and held
    T().OnDisconnectButton();
    T().OnConnectButton();
  }
  ASSERT_NE(T().Listener(), nullptr);
  const auto count = Lines().size();
  QElapsedTimer timer;
  timer.start();
  Settle(100);
  EXPECT_LT(timer.elapsed(), 1500) << "no blocking accept";
  EXPECT_EQ(Lines().size(), count);
  EXPECT_EQ(T().Peers().Occupied(), 0);
  // The new listening socket still takes its own connections.
  LoopbackPeer q;
  Join(q);
  EXPECT_EQ(AddressBox(), "127.0.0.1:" + std::to_string(q.LocalPort()));
}

TEST_F(ServerFlows, AutomaticConnectionAtStartListens) {
  testing_support::WriteWholeFile(SettingsFile(),
                                  "[TCPIP]\r\nPORT=0\r\nSRV_CLI=SRV\r\n[START]\r\nCONECT=1\r\n");
  OpenWindow();
  ASSERT_NE(T().Listener(), nullptr);
  EXPECT_EQ(LastLine(), FormatLine(LineFormats::Get().listenStarted, "", ListenPort()));
  EXPECT_FALSE(Enabled(ids::kConnect));
  EXPECT_TRUE(Enabled(ids::kDisconnect));
}

TEST_F(ServerFlows, AConnectionBeyondTheHundredSlotsIsLetGo) {
  Open(true, "0");
  Click(ids::kConnect);
  std::vector<std::unique_ptr<LoopbackPeer>> peers;
  for (int i = 0; i < 100; ++i) {
    peers.push_back(std::make_unique<LoopbackPeer>());
    Join(*peers.back());
  }
  const std::string current = AddressBox();
  LoopbackPeer extra;
  ASSERT_TRUE(extra.Connect(ListenPort()));
  const std::string extraConnected = PeerLine(LineFormats::Get().peerConnected, extra);
  const std::string extraClosed = PeerLine(LineFormats::Get().peerClosed, extra);
  EXPECT_TRUE(RunUntil([&] { return extra.SeesEnd(0); }))
      << "the 101st connection is closed, not leaked";
  auto lines = Lines();
  EXPECT_EQ(lines[lines.size() - 2], extraConnected);
  EXPECT_EQ(lines.back(), extraClosed);
  EXPECT_EQ(AddressBox(), current) << "the current peer stays";
  ASSERT_TRUE(RunUntil([&] { return T().LiveEndpoints() == 100; }));
  // A slot that frees up takes the next one.
  peers[5]->Close();
  ASSERT_TRUE(RunUntil([&] { return T().Peers().Occupied() == 99; }));
  LoopbackPeer next;
  Join(next);
  EXPECT_EQ(AddressBox(), "127.0.0.1:" + std::to_string(next.LocalPort()));
}

TEST_F(ServerFlows, CloseSequenceDisconnectsConnectedPeers) {
  Open(true, "0");
  SetCheck(ids::kListSave, true);  // daily log
  Click(ids::kConnect);
  LoopbackPeer a, b;
  Join(a);
  Join(b);
  const int listenPort = ListenPort();
  W().CloseMainWindow();
  auto lines = Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], PeerLine(LineFormats::Get().peerClosed, a));
  EXPECT_EQ(lines[lines.size() - 2], PeerLine(LineFormats::Get().peerClosed, b));
  EXPECT_EQ(lines.back(), FormatLine(LineFormats::Get().listenEnded, "", listenPort));
  EXPECT_TRUE(a.SeesEnd());
  EXPECT_TRUE(b.SeesEnd());
  // The daily log ends with the same lines.
  std::string log;
  for (const auto& entry : std::filesystem::directory_iterator(LogFolder()))
    log += testing_support::ReadWholeFile(entry.path().string());
  EXPECT_NE(log.find(lines[lines.size() - 3]), std::string::npos);
  EXPECT_NE(log.find(lines.back()), std::string::npos);
}

TEST_F(ServerFlows, PortTextOfAnEndpointOutsideTheTableIsEmpty) {
  Open(true, "0");
  Click(ids::kConnect);
  tcpip::PeerEndpoint stranger(nullptr, nullptr);
  EXPECT_EQ(T().PeerPortText(&stranger), "");
}

}  // namespace
}  // namespace tcpip_test
