// The RS-232C tool's port flows through its real window: real pseudo-terminals carry the bytes,
// the fake device stands in only where modem lines are needed.

#include <QListWidget>
#include <cerrno>
#include <chrono>
#include <thread>

#include "core/notation.h"
#include "platform/pseudo_terminal.h"
#include "serial_engine/fake_serial_device.h"
#include "serial_fixture.h"

namespace serial_window_test {
namespace {

using namespace std::chrono_literals;
using platform::Cp932;
using platform::PseudoTerminalPair;
namespace common = core::ids;
namespace ids = serial::ids;

constexpr int kSettingIds[] = {ids::kPortName, ids::kBaudRate, ids::kByteSize,  ids::kParity,
                               ids::kStopBits, ids::kXonXoff,  ids::kParityChar};

class PortFlows : public SerialFixture {};

TEST_F(PortFlows, ConnectAndDisconnectSwitchButtonsAndSettings) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  Open(pty.SlavePath());
  Click(common::kConnect);
  EXPECT_EQ(Lines(), std::vector<std::string>{Cp932("接続 ") + pty.SlavePath()});
  EXPECT_TRUE(T().IsConnected());
  EXPECT_FALSE(Enabled(common::kConnect));
  EXPECT_TRUE(Enabled(common::kDisconnect));
  for (int id : kSettingIds) EXPECT_FALSE(Enabled(id)) << id;
  for (int id : {ids::kDtr, ids::kRts, common::kSendBox, common::kSendText, common::kSendFile})
    EXPECT_TRUE(Enabled(id)) << id;

  Click(common::kDisconnect);
  EXPECT_EQ(LastLine(), Cp932("切断 ") + pty.SlavePath());
  EXPECT_FALSE(T().IsConnected());
  EXPECT_TRUE(Enabled(common::kConnect));
  EXPECT_FALSE(Enabled(common::kDisconnect));
  for (int id : kSettingIds) EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(PortFlows, AMissingPortGivesOneOpenErrorLineAndStaysClosed) {
  Open("ttyNoSuchPort");
  Click(common::kConnect);
  ASSERT_EQ(LineCount(), 1u);
  EXPECT_TRUE(LastLine().starts_with("*ER* RS232C Open Error(")) << LastLine();
  EXPECT_TRUE(Enabled(common::kConnect));
  EXPECT_FALSE(Enabled(common::kDisconnect));
  EXPECT_TRUE(T().Port()->errorText.empty());
}

TEST_F(PortFlows, AnEmptyOrBlankPortNameFailsAsAPortThatDoesNotExist) {
  OpenWindow();
  const std::string line = "*ER* " + serial::PortErrorText(Cp932("RS232C Open Error"), ENOENT);
  for (const char* name : {"", " ", "   "}) {
    W().ClearTraffic();
    Fields().port = name;
    W().FieldsToControls();
    Click(common::kConnect);
    EXPECT_EQ(Lines(), std::vector<std::string>{line}) << '"' << name << '"';
    EXPECT_FALSE(T().IsConnected());
    EXPECT_TRUE(Enabled(common::kConnect));
    EXPECT_FALSE(Enabled(common::kDisconnect));
  }
}

TEST_F(PortFlows, TheSpeedBoxShowsItsDecimalValueAfterEveryConnectAttempt) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  struct Case {
    std::string port;
    const char* typed;
    const char* shown;
  } const cases[] = {
      {pty.SlavePath(), "009600", "9600"},
      {"ttyNoSuchPort", "009600", "9600"},
      {"ttyNoSuchPort", "", "0"},
  };
  OpenWindow();
  for (const Case& c : cases) {
    Fields().port = c.port;
    Fields().baudRate = c.typed;
    W().FieldsToControls();
    Click(common::kConnect);
    EXPECT_EQ(BoxText(ids::kBaudRate), c.shown) << c.port << " " << c.typed;
    Click(common::kDisconnect);
  }
}

TEST_F(PortFlows, ReceivedBlocksAreShownWithAndWithoutHexAfterTheirDataFile) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  Open(pty.SlavePath());
  Fields().data.dataSave = true;
  W().FieldsToControls();
  Click(common::kConnect);
  // When the line appears, its data file is there already.
  std::vector<std::size_t> filesAtLine;
  QObject::connect(W().TrafficListWidget().model(), &QAbstractItemModel::rowsInserted,
                   [&] { filesAtLine.push_back(DataFiles().size()); });

  ASSERT_TRUE(
      pty.Write("\x02"
                "A\x03"));
  ASSERT_TRUE(RunUntil([&] { return LineCount() == 2; }));
  EXPECT_EQ(LastLine(), Cp932("->受 <STX>A<ETX>"));
  Click(common::kDspHex);
  ASSERT_TRUE(
      pty.Write("\x02"
                "A\x03"));
  ASSERT_TRUE(RunUntil([&] { return LineCount() == 3; }));
  EXPECT_EQ(LastLine(), Cp932("->受 <02><41><03>"));

  ASSERT_EQ(filesAtLine.size(), 2u);
  EXPECT_EQ(filesAtLine[0], 1u);
  EXPECT_EQ(filesAtLine[1], 2u);
  for (const std::string& name : DataFiles()) {
    EXPECT_TRUE(name.ends_with(platform::Cp932ToUtf8(Cp932("_Com受信.dat")))) << name;
    EXPECT_EQ(testing_support::ReadWholeFile(DataFolder() + "/" + name),
              "\x02"
              "A\x03");
  }
}

TEST_F(PortFlows, TheDefaultTextSends12BytesConvertedAnd20AsTyped) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  OpenWindow();
  Fields().port = pty.SlavePath();
  W().FieldsToControls();
  const std::string typed = Cp932("<STX>あいうえお<ETX>");
  ASSERT_EQ(BoxText(common::kSendBox), typed);
  Click(common::kConnect);

  Click(common::kSendText);
  EXPECT_EQ(pty.Read(20, 1s), "\x02" + Cp932("あいうえお") + "\x03");
  EXPECT_EQ(LastLine(), Cp932("送-> ") + typed);

  Click(common::kDataTran);
  Click(common::kSendText);
  EXPECT_EQ(pty.Read(20, 1s), typed);
  EXPECT_EQ(LastLine(), Cp932("送-> ") + typed);
  EXPECT_EQ(LineCount(), 3u);
}

TEST_F(PortFlows, MalformedNotationSendsWhatTheConversionGives) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  Open(pty.SlavePath());
  Click(common::kConnect);
  for (const char* text : {"<", "<ST", "ab<0", "<STX>x<", "<0d", "<<>>", "<FFF>"}) {
    Fields().data.sendText = text;
    W().FieldsToControls();
    Click(common::kSendText);
    const std::string expected = core::NotationToBytes(text);
    EXPECT_EQ(pty.Read(expected.size() + 1, 300ms), expected) << text;
  }
}

TEST_F(PortFlows, AnEmptySendBoxOrAClosedPortAddsNoLine) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  Open(pty.SlavePath());
  Click(common::kSendText);  // closed
  EXPECT_EQ(LineCount(), 0u);
  Click(common::kConnect);
  Fields().data.sendText.clear();
  W().FieldsToControls();
  Click(common::kSendText);
  EXPECT_EQ(LineCount(), 1u);
  EXPECT_EQ(pty.Read(1, 100ms), "");
}

TEST_F(PortFlows, AFileSendsItsFirst102400BytesAsOneBlock) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  Open(pty.SlavePath());
  Fields().data.dataTran = false;
  Fields().data.dataSave = true;
  W().FieldsToControls();
  Click(common::kConnect);
  std::string content(200000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>('a' + i % 26);
  const std::string file = dir_ / "big.bin";
  testing_support::WriteWholeFile(file, content);

  W().SendFileOrList(file);
  EXPECT_EQ(pty.Read(200000, 2s), content.substr(0, 102400));
  ASSERT_EQ(LineCount(), 2u);
  EXPECT_TRUE(LastLine().starts_with(Cp932("送-> abc"))) << LastLine().substr(0, 20);
  ASSERT_EQ(DataFiles().size(), 1u);
  EXPECT_EQ(std::filesystem::file_size(DataFolder() + "/" + DataFiles()[0]), 102400u);
}

TEST_F(PortFlows, AFileThatCannotBeOpenedShowsTheBoxOnlyWhileOpen) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  Open(pty.SlavePath());
  W().SendFileOrList(dir_ / "missing.bin");
  EXPECT_TRUE(dialogs_.boxes.empty()) << "closed: nothing is shown";
  Click(common::kConnect);
  W().SendFileOrList(dir_ / "missing.bin");
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].caption, Cp932("ファイルオープンエラー"));
  EXPECT_EQ(LineCount(), 1u);
}

TEST_F(PortFlows, ClosingTheWindowWithThePortClosedStillLogsTheDisconnect) {
  OpenWindow();
  Fields().data.listSave = true;
  W().FieldsToControls();
  W().reject();
  EXPECT_EQ(LastLine(), Cp932("切断 COM6"));
  EXPECT_NE(DailyLog().find(Cp932("切断 COM6") + "\r\n"), std::string::npos);
}

TEST_F(PortFlows, ADisconnectWhileTheThreadWaitsForTheWindowKeepsTheBlock) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  Open(pty.SlavePath());
  Click(common::kConnect);
  ASSERT_TRUE(pty.Write("abc"));
  // The receive thread posts the block and waits; the window has not looked yet.
  std::this_thread::sleep_for(300ms);
  T().OnPortDisconnect();
  ASSERT_TRUE(RunUntil([&] { return LineCount() == 3; }));
  EXPECT_EQ(Lines()[1], Cp932("切断 ") + pty.SlavePath());
  EXPECT_EQ(Lines()[2], Cp932("->受 abc"));
  // The thread was answered and ended: the port opens again at once and receives.
  Click(common::kConnect);
  ASSERT_TRUE(pty.Write("def"));
  ASSERT_TRUE(RunUntil([&] { return LastLine() == Cp932("->受 def"); }));
}

TEST_F(PortFlows, ABlockWhoseDataFileFailsIsStillAnswered) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  serial::SerialTimings timings = QuickTimings();
  timings.handshakeLimit = std::chrono::milliseconds(10000);
  Open(pty.SlavePath(), platform::SystemSerialPorts(), timings);
  Fields().data.dataSave = true;
  W().FieldsToControls();
  Click(common::kConnect);
  std::filesystem::remove_all(DataFolder());  // no data file can be written

  ASSERT_TRUE(pty.Write("one"));
  ASSERT_TRUE(RunUntil([&] { return LastLine() == Cp932("->受 one"); }));
  EXPECT_FALSE(dialogs_.boxes.empty());
  // Unanswered, the thread would wait ten seconds before the next block.
  ASSERT_TRUE(pty.Write("two"));
  EXPECT_TRUE(RunUntil([&] { return LastLine() == Cp932("->受 two"); }, 3000));
}

TEST_F(PortFlows, ABoxOpenedWhileShowingABlockHoldsTheNextBlockBack) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  Open(pty.SlavePath());
  Fields().data.dataSave = true;
  W().FieldsToControls();
  Click(common::kConnect);
  std::filesystem::remove_all(DataFolder());  // every block's data file fails with a box
  std::vector<std::size_t> linesDuringBox;
  dialogs_.whileBoxShown = [&] {
    if (dialogs_.boxes.size() > 1) return;
    // The next block arrives while the first one's box is up.
    const std::size_t before = LineCount();
    ASSERT_TRUE(pty.Write("second"));
    Settle(400);
    linesDuringBox.push_back(LineCount() - before);
  };
  ASSERT_TRUE(pty.Write("first"));
  ASSERT_TRUE(RunUntil([&] { return LastLine() == Cp932("->受 second"); }));
  ASSERT_EQ(linesDuringBox, std::vector<std::size_t>{0}) << "no handler ran inside the box";
  EXPECT_EQ(Lines()[1], Cp932("->受 first"));
}

TEST_F(PortFlows, AMessageNamingAnotherPortIsDropped) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  Open(pty.SlavePath());
  Click(common::kConnect);
  W().Messages().Post({serial::WM_SERIAL_EVENT, T().Port()->Id() + 1000, 0});
  Settle();
  EXPECT_EQ(LineCount(), 1u);
  ASSERT_TRUE(pty.Write("x"));
  ASSERT_TRUE(RunUntil([&] { return LastLine() == Cp932("->受 x"); }));
}

TEST_F(PortFlows, TheLockComesAfterTheAutomaticConnectionAndLeavesSendingUsable) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  testing_support::WriteWholeFile(SettingsFile(), "[COM]\r\nPORT=" + pty.SlavePath() +
                                                      "\r\n[DATA]\r\nSENDTEXT=<STX>go<ETX>"
                                                      "\r\n[START]\r\nCONECT=1\r\n"
                                                      "[SETTING]\r\nDISABLE=1\r\n");
  OpenWindow();
  EXPECT_EQ(Lines(), std::vector<std::string>{Cp932("接続 ") + pty.SlavePath()});
  EXPECT_TRUE(T().IsConnected());
  for (int id : {common::kConnect, common::kDisconnect, common::kSendBox, ids::kDtr, ids::kRts})
    EXPECT_FALSE(Enabled(id)) << id;
  EXPECT_TRUE(Enabled(common::kSendText));
  Click(common::kSendText);
  EXPECT_EQ(pty.Read(4, 1s), "\x02go\x03");
  // The close sequence still closes the port, and the settings keep the lock.
  W().reject();
  EXPECT_EQ(LastLine(), Cp932("切断 ") + pty.SlavePath());
  EXPECT_NE(testing_support::ReadWholeFile(SettingsFile()).find("DISABLE=1"), std::string::npos);
}

// Modem lines: a pseudo-terminal has none, so the fake device drives them.
class ModemLines : public SerialFixture {
 protected:
  serial_test::FakeOpener opener_;
};

TEST_F(ModemLines, ACtsChangeUpdatesOnlyItsIndicator) {
  Open("ttyFAKE", opener_);
  Click(common::kConnect);
  auto device = opener_.Device(0);
  ASSERT_NE(device, nullptr);
  EXPECT_FALSE(Checked(ids::kCts));
  device->ChangeLines({.cts = true});
  ASSERT_TRUE(RunUntil([&] { return Checked(ids::kCts); }));
  EXPECT_FALSE(Checked(ids::kDsr));
  EXPECT_FALSE(Checked(ids::kRing));
  EXPECT_FALSE(Checked(ids::kRlsd));
  EXPECT_EQ(LineCount(), 1u) << "no traffic line";
}

// A block reads only what its line and files use, as the boxes stand when it comes, and shows
// only the indicators; what the user is typing elsewhere is left alone.
TEST_F(ModemLines, ABlockTakesTheRecordingAndHexBoxesAsTheyStandAndRefreshesTheIndicators) {
  Open("ttyFAKE", opener_);
  Click(common::kConnect);
  auto device = opener_.Device(0);
  ASSERT_NE(device, nullptr);
  // Clicked just before the block arrives: no handler has taken them in yet.
  Click(common::kDspHex);
  Click(common::kDataSave);
  Click(ids::kListSave);
  auto* sendBox = qobject_cast<QLineEdit*>(W().Control(common::kSendBox));
  sendBox->setText(QStringLiteral("half typed"));
  sendBox->setCursorPosition(4);
  device->ChangeLines({.dsr = true, .ring = true});
  device->Feed(
      "\x02"
      "A\x03");
  ASSERT_TRUE(RunUntil([&] { return LastLine() == Cp932("->受 <02><41><03>"); }));
  EXPECT_TRUE(Checked(ids::kDsr));
  EXPECT_TRUE(Checked(ids::kRing));
  EXPECT_FALSE(Checked(ids::kCts));
  EXPECT_FALSE(Checked(ids::kRlsd));
  ASSERT_EQ(DataFiles().size(), 1u);
  EXPECT_EQ(testing_support::ReadWholeFile(DataFolder() + "/" + DataFiles()[0]),
            "\x02"
            "A\x03");
  EXPECT_NE(DailyLog().find(Cp932("->受 <02><41><03>") + "\r\n"), std::string::npos);
  EXPECT_EQ(sendBox->text(), QStringLiteral("half typed"));
  EXPECT_EQ(sendBox->cursorPosition(), 4);
}

TEST_F(ModemLines, TheLinesAreReadAtConnectAndKeptAfterTheClose) {
  opener_.Prepare([](serial_test::FakeSerialDevice& device) {
    device.ChangeLines({.dsr = true, .rlsd = true});
  });
  Open("ttyFAKE", opener_);
  Click(common::kConnect);
  EXPECT_TRUE(Checked(ids::kDsr));
  EXPECT_TRUE(Checked(ids::kRlsd));
  EXPECT_FALSE(Checked(ids::kCts));
  Click(common::kDisconnect);
  EXPECT_TRUE(Checked(ids::kDsr));
}

TEST_F(ModemLines, DtrClickedWhileClosedIsAppliedAtTheNextConnect) {
  Open("ttyFAKE", opener_);
  ASSERT_TRUE(Checked(ids::kDtr));
  Click(ids::kDtr);
  EXPECT_FALSE(Checked(ids::kDtr));
  EXPECT_EQ(opener_.DeviceCount(), 0u);
  Click(common::kConnect);
  auto device = opener_.Device(0);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->Recorded().calls,
            (std::vector<std::string>{"queues 102400 102400", "dtr off", "rts on"}));
  // While open, a click changes the line at once.
  Click(ids::kRts);
  EXPECT_EQ(device->Recorded().calls.back(), "rts off");
}

TEST_F(ModemLines, ThePortBlockTakesTheListPositionsAndTheErrorCharacter) {
  OpenWindow(opener_);
  Fields().port = "ttyFAKE";
  Fields().baudRate = "19200";
  Fields().byteSize = "7";
  Fields().parity = 2;
  Fields().stopBit = 2;
  Fields().xonXoff = 1;
  Fields().parityChar = "#x";
  W().FieldsToControls();
  Click(common::kConnect);
  auto device = opener_.Device(0);
  ASSERT_NE(device, nullptr);
  const auto settings = device->Recorded().settings;
  ASSERT_TRUE(settings.has_value());
  EXPECT_EQ(settings->baudRate, 19200);
  EXPECT_EQ(settings->byteSize, 7);
  EXPECT_EQ(settings->parity, platform::SerialParity::Even);
  EXPECT_EQ(settings->stopBits, platform::SerialStopBits::Two);
  EXPECT_TRUE(settings->xonXoffOut);
  EXPECT_TRUE(settings->xonXoffIn);
  EXPECT_EQ(settings->errorChar, '#');
}

TEST(DecimalValue, ReadsAsTheBoxesAreRead) {
  struct Case {
    const char* text;
    int value;
  } const cases[] = {
      {"9600", 9600},
      {"009600", 9600},
      {"", 0},
      {"  42x", 42},
      {"-5", -5},
      {"+7", 7},
      {"abc", 0},
      {"99999999999999", 2147483647},
      {"-99999999999", -2147483647 - 1},
  };
  for (const Case& c : cases) EXPECT_EQ(serial::DecimalValue(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace serial_window_test
