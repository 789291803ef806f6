// The line formats, the reading of a line back into a peer, the port box number and the table.

#include "tcpip/traffic_lines.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/cp932.h"
#include "tcpip/peer_table.h"

namespace {

using platform::Cp932;
using tcpip::FormatLine;
using tcpip::LineFormats;

TEST(TrafficLines, FormatsPadByBytes) {
  const auto& f = LineFormats::Get();
  EXPECT_EQ(FormatLine(f.listenStarted, "", 4000), Cp932("接続                (4000 )"));
  EXPECT_EQ(FormatLine(f.listenEnded, "", 4000), Cp932("切断                (4000 )"));
  EXPECT_EQ(FormatLine(f.listenStarted, "127.0.0.1", 4000), Cp932("接続 127.0.0.1      (4000 )"));
  EXPECT_EQ(FormatLine(f.listenStarted, "", 0), Cp932("接続                (0    )"));
  EXPECT_EQ(FormatLine(f.received, "192.168.0.5", "50123", "<STX>A<ETX>"),
            Cp932("->受 192.168.0.5    (50123)<STX>A<ETX>"));
  EXPECT_EQ(FormatLine(f.sent, "10.0.0.1", "7", "x"), Cp932("送-> 10.0.0.1       (7    )x"));
  // A CP932 text counts by bytes: four full-width characters fill 8 of the 15.
  EXPECT_EQ(FormatLine(f.failedWithPort, Cp932("ホスト名").c_str(), 80, "err"),
            Cp932("*ER* ホスト名       (80   )err"));
  const std::string longData(512000, 'a');
  EXPECT_EQ(FormatLine(f.received, "1.2.3.4", "1", longData.c_str()).size(), 5u + 15 + 7 + 512000);
}

TEST(TrafficLines, ReadsThePeerOfALine) {
  struct Case {
    std::string line;
    bool names;
    std::string address;
    int port;
  };
  const Case cases[] = {
      {Cp932("接続 127.0.0.1      (50123)"), true, "127.0.0.1", 50123},
      {Cp932("->受 192.168.0.5    (50123)<STX>A<ETX>"), true, "192.168.0.5", 50123},
      {Cp932("送-> 10.0.0.1       (7    )abc"), true, "10.0.0.1", 7},
      {Cp932("*ER* 10.0.0.1       (7    )Broken pipe"), true, "10.0.0.1", 7},
      {Cp932("切断 10.0.0.1       (65535)"), true, "10.0.0.1", 65535},
      // The listening socket's lines have no address: the port cannot be read.
      {Cp932("接続                (4000 )"), false, "", 0},
      {Cp932("切断                (4000 )"), false, "", 0},
      // A peer whose port text was empty.
      {Cp932("接続 10.0.0.1       (     )"), false, "", 0},
      // The fifth byte is not a space.
      {Cp932("接続x10.0.0.1       (7    )"), false, "", 0},
      {"", false, "", 0},
      {"abc", false, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::Cp932ToUtf8(c.line));
    tcpip::LinePeer peer{"untouched", -1};
    ASSERT_EQ(tcpip::ReadLinePeer(c.line, peer), c.names);
    if (c.names) {
      EXPECT_EQ(peer.address, c.address);
      EXPECT_EQ(peer.port, c.port);
    } else {
      EXPECT_EQ(peer.address, "untouched");
    }
  }
}

TEST(TrafficLines, PortNumberReadsLikeAtoiWithoutOverflow) {
  struct Case {
    const char* text;
    int port;
  };
  const Case cases[] = {{"4000", 4000}, {"", 0},
                        {"abc", 0},     {" 12x", 12},
                        {"-5", -5},     {"99999999999999999999", INT_MAX},
                        {"+7", 7},      {"-99999999999999", INT_MIN}};
  for (const auto& c : cases) EXPECT_EQ(tcpip::PortNumber(c.text), c.port) << c.text;
}

TEST(PeerTable, SlotsFillFromTheLowestAndEmptyByEndpoint) {
  tcpip::PeerTable table;
  auto* a = reinterpret_cast<tcpip::PeerEndpoint*>(0x10);
  auto* b = reinterpret_cast<tcpip::PeerEndpoint*>(0x20);
  EXPECT_EQ(table.FirstEmpty(), 0);
  EXPECT_EQ(table.LowestOccupied(), nullptr);
  table[0] = a;
  table[1] = b;
  EXPECT_EQ(table.FirstEmpty(), 2);
  table.Remove(a);
  EXPECT_EQ(table.FirstEmpty(), 0);
  EXPECT_EQ(table.LowestOccupied(), b);
  EXPECT_FALSE(table.Contains(a));
  EXPECT_EQ(table.Find(b), 1);
  for (int i = 0; i < tcpip::PeerTable::kSlots; ++i) table[i] = b;
  EXPECT_EQ(table.FirstEmpty(), -1);
  EXPECT_EQ(table.Occupied(), 100);
}

}  // namespace
