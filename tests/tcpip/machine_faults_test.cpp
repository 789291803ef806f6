// What a careless user and a faulty machine do to the server, end to end with the real window:
// a port text that is no number, a FIFO where a file to send should be, a full disk under the
// daily log and under the data files, and a burst of connecting peers.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/recording_names.h"
#include "platform/cp932.h"
#include "platform/fault_drills.h"
#include "platform/last_error.h"
#include "tcpip/loopback_peer.h"
#include "tcpip/tool_fixture.h"
#include "tcpip/traffic_lines.h"

namespace tcpip_test {
namespace {

namespace fs = std::filesystem;
using platform::Cp932;
using tcpip::FormatLine;
using tcpip::LineFormats;

class MachineFaults : public ToolFixture {
 protected:
  // Listens on a port the system chooses, with one peer joined (the current peer).
  void ListenWithPeer(LoopbackPeer& peer) {
    Open(true, "0");
    Click(ids::kConnect);
    ASSERT_GT(ListenPort(), 0);
    Join(peer);
  }

  // Makes `folder` full after `bytes`, or skips the test where no fault can be made.
  void FillUp(const std::string& folder, std::size_t bytes) {
    full_ = platform::FullFolder::Make(folder, bytes);
    if (!full_) GTEST_SKIP() << "neither a small file system nor a file-size limit";
  }
  void TearDown() override {
    ToolFixture::TearDown();
    full_.reset();
  }

  // The data of every reception line of `peer` in the history, in order.
  std::vector<std::string> Blocks(const LoopbackPeer& peer) {
    const std::string prefix = PeerLine(LineFormats::Get().received, peer, "");
    std::vector<std::string> blocks;
    for (const std::string& line : Lines())
      if (line.compare(0, prefix.size(), prefix) == 0) blocks.push_back(line.substr(prefix.size()));
    return blocks;
  }

  std::unique_ptr<platform::FullFolder> full_;
};

// A port text that is not a number gives an error line with the system's text for EINVAL, in
// either mode, and nothing listens or connects.
TEST_F(MachineFaults, APortTextThatIsNoNumberIsAnErrorLine) {
  const std::string invalid = platform::SystemMessageText(EINVAL);
  for (const bool server : {true, false}) {
    for (const char* text : {"abc", "", " ", "80x", "8 0"}) {
      Open(server, text);
      if (!server) SetText(ids::kPeerAddress, "127.0.0.1");
      Click(ids::kConnect);
      const std::string host = server ? "" : "127.0.0.1";
      EXPECT_EQ(LastLine(), FormatLine(LineFormats::Get().failedWithPort, host.c_str(),
                                       tcpip::PortNumber(text), invalid.c_str()))
          << "port text '" << text << "'";
      EXPECT_EQ(T().Listener(), nullptr);
      EXPECT_FALSE(T().IsConnected());
      EXPECT_TRUE(Enabled(ids::kConnect));
      TearDown();
    }
  }
  // Blanks around a number are still a number.
  Open(true, " 0 ");
  Click(ids::kConnect);
  ASSERT_NE(T().Listener(), nullptr);
  EXPECT_EQ(LastLine(), FormatLine(LineFormats::Get().listenStarted, "", ListenPort()));
}

// A FIFO named by a list, sent directly, or standing for the list itself fails as a file that
// cannot be opened (ENXIO), without waiting for a writer; the list goes on with its next file.
TEST_F(MachineFaults, AFifoFailsAsAFileThatCannotBeOpened) {
  LoopbackPeer peer;
  ListenWithPeer(peer);
  const std::string fifo = dir_ / "pipe";
  ASSERT_TRUE(platform::CreateFifo(fifo));
  ASSERT_TRUE(platform::CreateFifo(dir_ / "pipe.lst"));
  testing_support::WriteWholeFile(dir_ / "after.txt", "AFTER");
  testing_support::WriteWholeFile(dir_ / "send.lst", "pipe\nafter.txt\n");

  W().SendFileOrList(platform::Utf8ToCp932(dir_ / "send.lst"));
  EXPECT_EQ(peer.Read(5), "AFTER");
  T().SendOneFile(platform::Utf8ToCp932(fifo));
  W().SendFileOrList(platform::Utf8ToCp932(dir_ / "pipe.lst"));

  ASSERT_EQ(dialogs_.boxes.size(), 3u);
  for (const auto& box : dialogs_.boxes) {
    EXPECT_EQ(box.caption, Cp932("ファイルオープンエラー"));
    EXPECT_EQ(box.text, platform::SystemMessageText(ENXIO));
  }
  // A device fails in the same way, even one that never waits.
  T().SendOneFile("/dev/zero");
  ASSERT_EQ(dialogs_.boxes.size(), 4u);
  EXPECT_EQ(dialogs_.boxes[3].text, platform::SystemMessageText(ENXIO));
}

// The data folder fills up while blocks come in: every data file left holds one block whole,
// the blocks that did not fit left no file (neither cut nor empty), and each of them showed a box.
TEST_F(MachineFaults, DataFilesOnAFullDiskAreWholeOrAbsent) {
  LoopbackPeer peer;
  ListenWithPeer(peer);
  tool_.fields.data.dataSave = true;
  W().FieldsToControls();
  FillUp(DataFolder(), 16384);

  // Blocks of 5,000 bytes, one at a time, then one larger than the whole folder.
  std::vector<std::string> sent;
  for (int i = 0; i < 6; ++i) sent.push_back(std::string(5000, static_cast<char>('a' + i)));
  sent.push_back(std::string(30000, 'z'));
  std::size_t total = 0;
  for (const std::string& block : sent) {
    ASSERT_TRUE(peer.SendAll(block));
    total += block.size();
    ASSERT_TRUE(RunUntil([&] {
      std::size_t got = 0;
      for (const auto& b : Blocks(peer)) got += b.size();
      return got == total;
    }));
  }
  const std::vector<std::string> blocks = Blocks(peer);
  std::set<std::string> received(blocks.begin(), blocks.end());
  int files = 0;
  for (const auto& entry : fs::directory_iterator(DataFolder())) {
    const std::string bytes = testing_support::ReadWholeFile(entry.path().string());
    EXPECT_EQ(received.count(bytes), 1u)
        << entry.path().filename() << " holds " << bytes.size() << " bytes, no whole block";
    ++files;
  }
  EXPECT_LT(files, static_cast<int>(blocks.size())) << "the folder never filled up";
  EXPECT_EQ(files + static_cast<int>(dialogs_.boxes.size()), static_cast<int>(blocks.size()))
      << "every block is a file or a box";
  for (const auto& box : dialogs_.boxes)
    EXPECT_TRUE(box.caption == Cp932("ファイル書き込みエラー") ||
                box.caption == Cp932("ファイルオープンエラー"));
}

// The log folder fills up while lines come in: the daily log holds whole records only, each one
// a stamp, a line of the window and CR LF.
TEST_F(MachineFaults, TheDailyLogOnAFullDiskKeepsWholeRecords) {
  LoopbackPeer peer;
  ListenWithPeer(peer);
  tool_.fields.data.listSave = true;
  W().FieldsToControls();
  FillUp(LogFolder(), 16384);

  // 300 lines of about 130 bytes: more than the folder holds.
  const std::vector<std::string> before = Lines();
  std::set<std::string> lines(before.begin(), before.end());
  for (int i = 0; i < 300; ++i) {
    const std::string block = std::to_string(1000 + i) + std::string(100, 'x');
    ASSERT_TRUE(peer.SendAll(block));
    ASSERT_TRUE(RunUntil([&] { return Blocks(peer).size() > 0 && Blocks(peer).back() == block; }));
    lines.insert(LastLine());
  }
  const std::string log = testing_support::ReadWholeFile(
      *core::DailyLogPath(core::kTcpIpTool, LogFolder(), clock_.Now()));
  ASSERT_GT(log.size(), 0u);
  ASSERT_LT(log.size(), 300u * 130u) << "the folder never filled up";
  const std::string stamp = core::DailyLogStamp(clock_.Now());
  std::size_t records = 0;
  for (std::size_t at = 0; at < log.size();) {
    const std::size_t end = log.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "the log ends inside a record";
    const std::string record = log.substr(at, end - at);
    ASSERT_EQ(record.compare(0, stamp.size(), stamp), 0) << record;
    EXPECT_EQ(lines.count(record.substr(stamp.size())), 1u) << "not a whole line: " << record;
    ++records;
    at = end + 2;
  }
  EXPECT_GT(records, 10u);
}

// A burst of 200 connects is taken at once: the listener's queue holds them all, so none waits
// for the peer's retry of a dropped request (after a second, then three, then seven). 100 take
// the slots; the others are accepted and let go, each with its two lines.
TEST_F(MachineFaults, ABurstOfConnectsIsAcceptedAtOnce) {
  Open(true, "0");
  SetCheck(ids::kListSave, true);  // daily log: the window keeps only the newest 100 lines
  Click(ids::kConnect);
  const int port = ListenPort();
  ASSERT_GT(port, 0);
  std::vector<std::unique_ptr<platform::StreamSocket>> peers;
  for (int i = 0; i < 200; ++i) {
    auto socket = std::make_unique<platform::StreamSocket>();
    ASSERT_TRUE(socket->Open());
    if (!socket->StartConnect(kLoopback, static_cast<std::uint16_t>(port))) {
      ASSERT_EQ(platform::LastError(), EINPROGRESS);
    }
    peers.push_back(std::move(socket));
  }
  const std::string prefix = FormatLine(LineFormats::Get().peerConnected, "127.0.0.1", "");
  const std::string named = prefix.substr(0, prefix.size() - 6);  // up to the port
  auto accepted = [&] {
    int count = 0;
    for (const std::string& line : LoggedLines())
      count += line.compare(0, named.size(), named) == 0;
    return count;
  };
  // A short listening queue makes the kernel drop SYNs, which the peers resend after 1, 3 and 7
  // seconds: six seconds leaves a loaded sanitizer build room and still tells the two apart.
  EXPECT_TRUE(RunUntil([&] { return accepted() == 200; }, 6000)) << accepted() << " of 200";
  EXPECT_EQ(T().Peers().Occupied(), 100);
}

}  // namespace
}  // namespace tcpip_test
