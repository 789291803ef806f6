// The server under a faulty disk and hostile peers, end to end with the real window: every
// received block shows an error box (the data folder cannot take files), and the box's loop runs
// while peers keep sending, close or reset.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/cp932.h"
#include "tcpip/loopback_peer.h"
#include "tcpip/tool_fixture.h"
#include "tcpip/traffic_lines.h"

namespace tcpip_test {
namespace {

using platform::Cp932;
using tcpip::LineFormats;

class HostilePeers : public ToolFixture {
 protected:
  // A listening tool saving data into a "folder" that is a plain file: every data file fails to
  // open, whoever runs the test (root included).
  void OpenWithUnwritableDataFolder() {
    Open(true, "0");
    std::filesystem::remove_all(DataFolder());
    std::ofstream(DataFolder()) << "not a folder";
    tool_.fields.data.dataSave = true;
    tool_.fields.data.listSave = true;
    W().FieldsToControls();
    Click(ids::kConnect);
    ASSERT_GT(ListenPort(), 0);
  }

  // The bytes of every reception line of `peer`, in the order of the lines.
  std::string ReceivedFrom(const LoopbackPeer& peer, int* lines = nullptr) {
    return ReceivedAfter(PeerLine(LineFormats::Get().received, peer, ""), lines);
  }
  // The same for the lines that start with `prefix`, read from the daily log, which keeps every
  // line (the window keeps the newest 100).
  std::string ReceivedAfter(const std::string& prefix, int* lines = nullptr) {
    std::string bytes;
    int count = 0;
    for (const std::string& line : LoggedLines()) {
      if (line.compare(0, prefix.size(), prefix) != 0) continue;
      bytes += line.substr(prefix.size());
      ++count;
    }
    if (lines) *lines = count;
    return bytes;
  }

  // Counts how deep boxes are nested while they are "shown"; each one runs the event loop a
  // little, as the real box's loop runs until the user answers.
  void CountBoxNesting(int loopMs) {
    dialogs_.whileBoxShown = [this, loopMs] {
      ++depth_;
      deepest_ = std::max(deepest_, depth_);
      Settle(loopMs);
      --depth_;
    };
  }

  int depth_ = 0;
  int deepest_ = 0;
};

// A peer sends 1,000 small blocks while every block's box is up in turn: the boxes never nest,
// the tool stays alive, and every byte is on a reception line of that peer, in order.
TEST_F(HostilePeers, AnUnwritableDataFolderShowsOneBoxAtATimeAndLosesNoBlock) {
  OpenWithUnwritableDataFolder();
  LoopbackPeer peer;
  Join(peer);
  CountBoxNesting(2);

  std::string sent;
  for (int i = 0; i < 1000; ++i) {
    char block[8];
    std::snprintf(block, sizeof block, "%03d;", i);
    sent += block;
  }
  // The sending thread alone touches the peer's socket until it is done.
  const std::string prefix = PeerLine(LineFormats::Get().received, peer, "");
  std::atomic<bool> sending{true};
  std::thread sender([&] {
    for (std::size_t at = 0; at < sent.size(); at += 4) {
      if (!peer.SendAll(sent.substr(at, 4))) break;
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    sending = false;
  });
  int lines = 0;
  const bool all =
      RunUntil([&] { return !sending && ReceivedAfter(prefix).size() >= sent.size(); }, 60000);
  sender.join();
  ASSERT_TRUE(all) << ReceivedAfter(prefix).size() << " of " << sent.size() << " bytes";
  EXPECT_EQ(ReceivedAfter(prefix, &lines), sent);
  EXPECT_EQ(deepest_, 1) << "a box opened inside another box's loop";
  EXPECT_GT(lines, 1) << "the blocks should have come apart";
  EXPECT_EQ(dialogs_.boxes.size(), static_cast<std::size_t>(lines)) << "one box per block";
  for (const auto& box : dialogs_.boxes) EXPECT_EQ(box.caption, Cp932("ファイルオープンエラー"));
  EXPECT_EQ(T().Peers().Occupied(), 1);
}

// The peer closes while the box of its block is up: the close waits for the box, then its line
// follows the data line, naming the peer (run under the sanitizers, a freed endpoint would show).
TEST_F(HostilePeers, APeerClosingWhileItsBoxIsUpIsHandledAfterTheBlock) {
  OpenWithUnwritableDataFolder();
  LoopbackPeer peer;
  Join(peer);
  const std::string dataLine = PeerLine(LineFormats::Get().received, peer, "AAAA");
  const std::string closeLine = PeerLine(LineFormats::Get().peerClosed, peer);
  bool closed = false;
  dialogs_.whileBoxShown = [&] {
    if (closed) return;
    closed = true;
    peer.Close();
    Settle(150);  // the close is noticed and posted while the box is up
    EXPECT_EQ(T().Peers().Occupied(), 1) << "the close ran inside the box";
  };
  ASSERT_TRUE(peer.SendAll("AAAA"));
  ASSERT_TRUE(RunUntil([&] { return T().Peers().Occupied() == 0; }));
  Settle();
  const auto lines = Lines();
  const auto data = std::find(lines.begin(), lines.end(), dataLine);
  const auto close = std::find(lines.begin(), lines.end(), closeLine);
  ASSERT_NE(data, lines.end());
  ASSERT_NE(close, lines.end());
  EXPECT_LT(data, close);
  EXPECT_EQ(dialogs_.boxes.size(), 1u);
}

// Peer B's block arrives while peer A's box is up: each line carries its own peer's bytes.
TEST_F(HostilePeers, TwoPeersWhileABoxIsUpKeepTheirOwnBytes) {
  OpenWithUnwritableDataFolder();
  LoopbackPeer a, b;
  Join(a);
  Join(b);
  bool once = false;
  dialogs_.whileBoxShown = [&] {
    if (once) return;
    once = true;
    EXPECT_TRUE(b.SendAll("BBBB"));
    Settle(150);
  };
  ASSERT_TRUE(a.SendAll("AAAA"));
  ASSERT_TRUE(RunUntil([&] { return ReceivedFrom(b) == "BBBB"; }));
  EXPECT_EQ(ReceivedFrom(a), "AAAA");
  const auto lines = Lines();
  const auto lineA =
      std::find(lines.begin(), lines.end(), PeerLine(LineFormats::Get().received, a, "AAAA"));
  const auto lineB =
      std::find(lines.begin(), lines.end(), PeerLine(LineFormats::Get().received, b, "BBBB"));
  ASSERT_NE(lineA, lines.end());
  ASSERT_NE(lineB, lines.end());
  EXPECT_LT(lineA, lineB);
}

// A peer that resets cannot be asked its name any more: the close line names it all the same,
// by the address and port kept from the accept.
TEST_F(HostilePeers, AResetPeersCloseLineNamesIt) {
  Open(true, "0");
  Click(ids::kConnect);
  LoopbackPeer peer;
  Join(peer);
  const std::string closeLine = PeerLine(LineFormats::Get().peerClosed, peer);
  peer.Reset();
  ASSERT_TRUE(RunUntil([&] { return T().Peers().Occupied() == 0; }));
  EXPECT_EQ(LastLine(), closeLine);
}

}  // namespace
}  // namespace tcpip_test
