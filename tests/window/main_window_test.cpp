// The main window frame on real widgets (offscreen): the traffic list, the data exchange, the
// opening order, the operator lock, resizing, the close sequence and file sending.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "core/notation.h"
#include "core/window/dialog_template.h"
#include "core/window/frame_pacer.h"
#include "platform/cp932.h"
#include "serial/serial_tool.h"
#include "support/temp_dir.h"
#include "tcpip/tcpip_tool.h"
#include "window_fixture.h"

namespace {

using core::ids::kClearLog;
using core::ids::kConnect;
using core::ids::kDisconnect;
using core::ids::kDspHex;
using core::ids::kSaveLog;
using core::ids::kSendBox;
using core::ids::kSendFile;
using core::ids::kSendText;
using core::ids::kTrafficList;
using platform::Cp932;
using testing_support::ReadWholeFile;
using testing_support::TempDir;
using testing_support::WriteWholeFile;
using window_testing::WindowHarness;

std::unique_ptr<core::WindowTool> MakeTcpIpTool() {
  return std::make_unique<tcpip::TcpIpTool>();
}
std::unique_ptr<core::WindowTool> MakeSerialTool() {
  return std::make_unique<serial::SerialTool>();
}

struct ToolCase {
  std::unique_ptr<core::WindowTool> (*make)();
  const core::ToolIdentity* tool;
  int listSaveId;
  int conectId;
  QSize listMargins;  // the list's template margins at the dialog font's 7 x 12 base units
};

const ToolCase kTools[] = {
    {MakeTcpIpTool, &core::kTcpIpTool, tcpip::ids::kListSave, tcpip::ids::kConect, QSize(12, 166)},
    {MakeSerialTool, &core::kSerialTool, serial::ids::kListSave, serial::ids::kConect,
     QSize(12, 203)},
};

class MainWindowTest : public testing::TestWithParam<ToolCase> {
 protected:
  MainWindowTest() : harness(GetParam().make(), dir.str()) {}

  QAbstractButton* Button(int id) {
    return qobject_cast<QAbstractButton*>(harness.window->Control(id));
  }
  QListWidget& List() { return harness.window->TrafficListWidget(); }
  std::string DailyLog() {
    std::string name = std::string("20070305_") + GetParam().tool->dailyLogName + ".log";
    return ReadWholeFile(harness.LogFolder() + "/" + name);
  }
  void MakeFolders() {
    std::filesystem::create_directories(harness.LogFolder());
    std::filesystem::create_directories(harness.DataFolder());
  }

  TempDir dir;
  WindowHarness harness;
};

INSTANTIATE_TEST_SUITE_P(BothTools, MainWindowTest, testing::ValuesIn(kTools),
                         [](const auto& testCase) {
                           return std::string(testCase.param.tool->programName);
                         });

TEST_P(MainWindowTest, KeepsTheNewest100LinesSelectedInListAndHistory) {
  core::MainWindow& window = harness.Open();
  for (int i = 1; i <= 101; ++i) window.AddTrafficLine("line " + std::to_string(i));
  ASSERT_EQ(List().count(), 100);
  EXPECT_EQ(List().item(0)->text().toStdString(), "line 2");
  EXPECT_EQ(List().item(99)->text().toStdString(), "line 101");
  EXPECT_EQ(List().currentRow(), 99);
  ASSERT_EQ(List().selectedItems().size(), 1);
  EXPECT_EQ(List().selectedItems().front(), List().item(99));
  EXPECT_EQ(window.Traffic().history().size(), 100u);
  EXPECT_EQ(window.Traffic().history()[0], "line 2");
  // The newest line is in view once the list has drawn its frame.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return List().viewport()->rect().contains(List().visualItemRect(List().item(99))); },
      1000));
}

TEST_P(MainWindowTest, CutsA300ByteLineInTheListOnly) {
  MakeFolders();
  WriteWholeFile(harness.SettingsFile(), "[DATA]\r\nLISTSAVE=1\r\n");
  core::MainWindow& window = harness.Open();
  const std::string cp932 = Cp932("->受 ") + std::string(295, 'x');
  ASSERT_EQ(cp932.size(), 300u);
  window.AddTrafficLine(cp932);

  const QByteArray shown = List().item(0)->data(Qt::UserRole).toByteArray();
  EXPECT_EQ(shown.size(), 256);
  EXPECT_EQ(List().item(0)->text().toStdString(), platform::Cp932ToUtf8(cp932.substr(0, 256)));
  EXPECT_EQ(window.Traffic().history()[0], cp932);
  EXPECT_NE(DailyLog().find(cp932 + "\r\n"), std::string::npos);

  const std::string saved = dir / "trace.log";
  harness.dialogs.saveAnswers.push_back(saved);
  QTest::mouseClick(Button(kSaveLog), Qt::LeftButton);
  EXPECT_EQ(ReadWholeFile(saved), cp932 + "\r\n");
}

TEST_P(MainWindowTest, HexDisplayChangesOnlyLaterLines) {
  core::MainWindow& window = harness.Open();
  // The transport formats a block as every handler does: fields first, then the notation.
  harness.transport.onConnect = [&] {
    window.ControlsToFields();
    window.AddTrafficLine(Cp932("->受 ") + core::BytesToNotation("\x02"
                                                                 "A\x03",
                                                                 window.DataFields().dspHex));
    window.FieldsToControls();
  };
  QTest::mouseClick(Button(kConnect), Qt::LeftButton);
  QTest::mouseClick(Button(kDspHex), Qt::LeftButton);
  QTest::mouseClick(Button(kConnect), Qt::LeftButton);
  ASSERT_EQ(List().count(), 2);
  EXPECT_EQ(List().item(0)->text().toStdString(), "->受 <STX>A<ETX>");
  EXPECT_EQ(List().item(1)->text().toStdString(), "->受 <02><41><03>");
}

TEST_P(MainWindowTest, TheLockLeavesExactlyFiveControlsEnabled) {
  WriteWholeFile(harness.SettingsFile(), "[SETTING]\r\nDISABLE=1\r\n");
  core::MainWindow& window = harness.Open();
  std::vector<int> enabled;
  int disabled = 0;
  for (QObject* child : window.children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget == nullptr || widget->isWindow()) continue;
    if (widget->isEnabled()) {
      enabled.push_back(widget->objectName().mid(7).toInt());
    } else {
      ++disabled;
    }
  }
  std::sort(enabled.begin(), enabled.end());
  EXPECT_EQ(enabled, (std::vector<int>{kSendText, kSaveLog, kClearLog, kSendFile, kTrafficList}));
  EXPECT_GT(disabled, 10);
  EXPECT_FALSE(window.Control(kSendBox)->isEnabled());
}

TEST_P(MainWindowTest, AutomaticConnectionComesBeforeTheLock) {
  WriteWholeFile(harness.SettingsFile(), "[START]\r\nCONECT=1\r\n[SETTING]\r\nDISABLE=1\r\n");
  bool connectWasEnabled = false;
  harness.transport.onConnect = [&] {
    connectWasEnabled = harness.window->Control(kConnect)->isEnabled();
  };
  harness.Open();
  EXPECT_EQ(harness.transport.calls, (std::vector<std::string>{"start", "connect"}));
  EXPECT_TRUE(connectWasEnabled);
  EXPECT_FALSE(harness.window->Control(kConnect)->isEnabled());
}

TEST_P(MainWindowTest, ResizingChangesTheListByTheWindowsChange) {
  core::MainWindow& window = harness.Open();
  const QRect before = List().geometry();
  EXPECT_EQ(window.size(), QSize(464, 392));
  EXPECT_EQ(before.size(), window.size() - GetParam().listMargins);
  const QRect buttonBefore = window.Control(kSaveLog)->geometry();
  window.resize(window.width() + 37, window.height() + 53);
  QApplication::processEvents();
  EXPECT_EQ(List().geometry(), QRect(before.topLeft(), before.size() + QSize(37, 53)));
  EXPECT_EQ(window.Control(kSaveLog)->geometry(), buttonBefore);
  window.resize(window.width() - 100, window.height() - 80);
  QApplication::processEvents();
  EXPECT_EQ(List().geometry(), QRect(before.topLeft(), before.size() + QSize(-63, -27)));
}

TEST_P(MainWindowTest, EscSavesTheSettingsThenDisconnectsIntoTheDailyLog) {
  MakeFolders();
  core::MainWindow& window = harness.Open();
  QTest::mouseClick(Button(GetParam().listSaveId), Qt::LeftButton);
  bool settingsWereSaved = false;
  harness.transport.onDisconnect = [&] {
    settingsWereSaved = std::filesystem::exists(harness.SettingsFile());
    harness.window->ControlsToFields();
    harness.window->AddTrafficLine(Cp932("切断 peer"));
  };
  QTest::keyClick(window.Control(kSendBox), Qt::Key_Escape);
  EXPECT_TRUE(settingsWereSaved);
  EXPECT_EQ(harness.transport.calls.back(), "disconnect");
  EXPECT_NE(DailyLog().find(Cp932("切断 peer") + "\r\n"), std::string::npos);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(harness.seams.sleeps,
            (std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(500)}));
  EXPECT_EQ(harness.seams.exitCodes, std::vector<int>{0});
  EXPECT_NE(ReadWholeFile(harness.SettingsFile()).find("LISTSAVE=1"), std::string::npos);
}

TEST_P(MainWindowTest, TheCloseBoxRunsTheCloseSequence) {
  core::MainWindow& window = harness.Open();
  window.close();
  EXPECT_EQ(harness.transport.calls, (std::vector<std::string>{"start", "disconnect"}));
  EXPECT_EQ(harness.seams.exitCodes, std::vector<int>{0});
  EXPECT_TRUE(std::filesystem::exists(harness.SettingsFile()));
}

TEST_P(MainWindowTest, EnterInTheSendBoxDoesNothing) {
  core::MainWindow& window = harness.Open();
  window.Control(kSendBox)->setFocus();
  QTest::keyClick(window.Control(kSendBox), Qt::Key_Return);
  QTest::keyClick(window.Control(kSendBox), Qt::Key_Enter);
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(harness.transport.calls, std::vector<std::string>{"start"});
  EXPECT_TRUE(harness.seams.exitCodes.empty());
  EXPECT_EQ(List().count(), 0);
}

TEST_P(MainWindowTest, FileSendWhileNotConnectedShowsNoDialog) {
  harness.Open();
  QTest::mouseClick(Button(kSendFile), Qt::LeftButton);
  EXPECT_TRUE(harness.seams.openRequests.empty());

  harness.transport.connected = true;
  harness.seams.openAnswers.push_back(dir / "data.bin");
  QTest::mouseClick(Button(kSendFile), Qt::LeftButton);
  ASSERT_EQ(harness.seams.openRequests.size(), 1u);
  EXPECT_EQ(harness.seams.openRequests[0].defaultExtension, "txt");
  EXPECT_EQ(harness.seams.openRequests[0].filter, Cp932("全てのファイル(*.*)|*.*||"));
  EXPECT_EQ(harness.transport.calls.back(), "send " + (dir / "data.bin"));
}

TEST_P(MainWindowTest, PositionIsAppliedWithWidthZero) {
  WriteWholeFile(harness.SettingsFile(),
                 "[POS]\r\nXPOS=30\r\nYPOS=40\r\nWIDTH=0\r\nHEIGHT=500\r\n");
  core::MainWindow& window = harness.Open();
  EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(30, 40));
  EXPECT_EQ(window.size(), QSize(464, 392));
}

TEST_P(MainWindowTest, PositionAndSizeAreApplied) {
  WriteWholeFile(harness.SettingsFile(),
                 "[POS]\r\nXPOS=12\r\nYPOS=34\r\nWIDTH=500\r\nHEIGHT=450\r\n");
  core::MainWindow& window = harness.Open();
  EXPECT_EQ(window.frameGeometry(), QRect(12, 34, 500, 450));
  EXPECT_EQ(List().size(), window.size() - GetParam().listMargins);
}

TEST_P(MainWindowTest, SavedSettingsGiveTheSameWindowAgain) {
  QRect frame;
  {
    core::MainWindow& window = harness.Open();
    window.move(21, 43);
    window.resize(420, 410);
    auto* send = qobject_cast<QLineEdit*>(window.Control(kSendBox));
    send->clear();
    QTest::keyClicks(send, QStringLiteral("<STX>hello"));
    QTest::mouseClick(Button(kDspHex), Qt::LeftButton);
    QTest::mouseClick(Button(GetParam().conectId), Qt::LeftButton);
    if (GetParam().tool->kind == core::ToolKind::Serial) {
      qobject_cast<QComboBox*>(window.Control(serial::ids::kParity))->setCurrentIndex(2);
    } else {
      QTest::mouseClick(Button(tcpip::ids::kClient), Qt::LeftButton);
      qobject_cast<QLineEdit*>(window.Control(tcpip::ids::kPeerAddress))
          ->setText(QStringLiteral("192.168.0.9"));
    }
    frame = window.frameGeometry();
    window.reject();
  }
  const std::string first = ReadWholeFile(harness.SettingsFile());
  ASSERT_FALSE(first.empty());
  WindowHarness again(GetParam().make(), dir.str());
  core::MainWindow& window = again.Open();
  EXPECT_EQ(window.frameGeometry(), frame);
  EXPECT_EQ(qobject_cast<QLineEdit*>(window.Control(kSendBox))->text(),
            QStringLiteral("<STX>hello"));
  EXPECT_TRUE(qobject_cast<QAbstractButton*>(window.Control(kDspHex))->isChecked());
  EXPECT_TRUE(qobject_cast<QAbstractButton*>(window.Control(GetParam().conectId))->isChecked());
  if (GetParam().tool->kind == core::ToolKind::Serial) {
    EXPECT_EQ(qobject_cast<QComboBox*>(window.Control(serial::ids::kParity))->currentIndex(), 2);
  } else {
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(window.Control(tcpip::ids::kClient))->isChecked());
    EXPECT_EQ(qobject_cast<QLineEdit*>(window.Control(tcpip::ids::kPeerAddress))->text(),
              QStringLiteral("192.168.0.9"));
  }
  window.reject();
  EXPECT_EQ(ReadWholeFile(harness.SettingsFile()), first);
}

TEST_P(MainWindowTest, OpensWithTitleIconAndButtons) {
  core::MainWindow& window = harness.Open();
  const std::string title = platform::Cp932ToUtf8(
      Cp932(GetParam().tool->kind == core::ToolKind::TcpIp ? "TCP/IPテストツール(1)"
                                                           : "RS232Cテストツール(1)"));
  EXPECT_EQ(window.windowTitle().toStdString(), title);
  EXPECT_FALSE(window.windowIcon().isNull());
  EXPECT_TRUE(window.Control(kConnect)->isEnabled());
  EXPECT_FALSE(window.Control(kDisconnect)->isEnabled());
  EXPECT_TRUE(window.acceptDrops());
  for (QWidget* child : window.findChildren<QWidget*>()) {
    EXPECT_FALSE(child->acceptDrops()) << child->metaObject()->className();
  }
  EXPECT_EQ(List().font().pixelSize(), 12);
}

TEST_P(MainWindowTest, TheAboutItemOpensTheAboutBox) {
  core::MainWindow& window = harness.Open();
  const QList<QAction*> actions = window.WindowMenu().actions();
  ASSERT_EQ(actions.size(), 2);
  EXPECT_TRUE(actions[0]->isSeparator());
  EXPECT_EQ(actions[1]->text().toStdString(),
            std::string(GetParam().tool->programName) + " のﾊﾞｰｼﾞｮﾝ情報(&A)...");
  actions[1]->trigger();
  const std::string program = GetParam().tool->programName;
  EXPECT_EQ(harness.seams.modalTitles, std::vector<std::string>{program + "のﾊﾞｰｼﾞｮﾝ情報"});
  EXPECT_EQ(harness.seams.modalTexts, (std::vector<std::string>{program + " Version 2.00", "OK"}));
  EXPECT_EQ(harness.seams.modalPictures, 1);
}

TEST_P(MainWindowTest, ClearEmptiesListAndHistory) {
  core::MainWindow& window = harness.Open();
  window.AddTrafficLine("one");
  window.AddTrafficLine("two");
  QTest::mouseClick(Button(kClearLog), Qt::LeftButton);
  EXPECT_EQ(List().count(), 0);
  EXPECT_EQ(window.Traffic().history().size(), 0u);
  const std::string saved = dir / "empty.log";
  harness.dialogs.saveAnswers.push_back(saved);
  QTest::mouseClick(Button(kSaveLog), Qt::LeftButton);
  EXPECT_TRUE(std::filesystem::exists(saved));
  EXPECT_EQ(ReadWholeFile(saved), "");
}

TEST_P(MainWindowTest, OnlyTheUsersSelectionIsReported) {
  core::MainWindow& window = harness.Open();
  std::vector<int> reported;
  window.SetTrafficLineSelectedByUser([&](int row) { reported.push_back(row); });
  for (int i = 0; i < 102; ++i) window.AddTrafficLine("line " + std::to_string(i));
  EXPECT_TRUE(reported.empty());
  // The user clicks what the list shows: wait for its frame.
  QTest::qWait(2 * static_cast<int>(core::FramePacer::kFrame.count()));
  const QRect first = List().visualItemRect(List().item(List().count() - 2));
  QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, first.center());
  EXPECT_EQ(reported, std::vector<int>{98});
}

TEST_P(MainWindowTest, DroppedFilesAreSentInOrderWithoutPauses) {
  core::MainWindow& window = harness.Open();
  window.OnDropFiles({dir / "a.txt", dir / "b.bin", dir / "c"});
  EXPECT_EQ(harness.transport.calls,
            (std::vector<std::string>{"start", "send " + (dir / "a.txt"), "send " + (dir / "b.bin"),
                                      "send " + (dir / "c")}));
  EXPECT_TRUE(harness.seams.sleeps.empty());
}

// A name the program's code page cannot hold fails like a file that cannot be opened.
TEST_P(MainWindowTest, ANameOutsideTheCodePageShowsTheOpenErrorBox) {
  core::MainWindow& window = harness.Open();
  window.OnDropFiles({dir / "\xF0\x9F\x98\x80.txt", dir / "ok.txt"});
  ASSERT_EQ(harness.dialogs.boxes.size(), 1u);
  EXPECT_EQ(harness.dialogs.boxes[0].caption, Cp932("ファイルオープンエラー"));
  EXPECT_EQ(harness.transport.calls,
            (std::vector<std::string>{"start", "send " + (dir / "ok.txt")}));

  harness.transport.connected = true;
  harness.seams.openAnswers.push_back(dir / "\xF0\x9F\x98\x80.txt");
  QTest::mouseClick(Button(kSendFile), Qt::LeftButton);
  EXPECT_EQ(harness.dialogs.boxes.size(), 2u);
  EXPECT_EQ(harness.transport.calls.size(), 2u);
}

TEST_P(MainWindowTest, DroppedUrlsAreSentAsLocalFiles) {
  core::MainWindow& window = harness.Open();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir / "one.txt")),
                QUrl::fromLocalFile(QString::fromStdString(dir / "two.txt"))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  EXPECT_EQ(harness.transport.calls, (std::vector<std::string>{"start", "send " + (dir / "one.txt"),
                                                               "send " + (dir / "two.txt")}));
}

TEST_P(MainWindowTest, MessagesReachTheTransport) {
  core::MainWindow& window = harness.Open();
  window.Messages().Post({9101, 7, 0});
  window.Messages().Post({9102, 7, 0});
  window.PumpMessages();
  EXPECT_EQ(harness.transport.messages,
            (std::vector<platform::WindowMessage>{{9101, 7, 0}, {9102, 7, 0}}));
}

TEST(MainWindowStart, SocketStartFailureShowsTheBoxAndSkipsTheRest) {
  TempDir dir;
  WindowHarness harness(MakeTcpIpTool(), dir.str());
  WriteWholeFile(harness.SettingsFile(), "[START]\r\nCONECT=1\r\n[SETTING]\r\nDISABLE=1\r\n");
  harness.transport.startResult = false;
  core::MainWindow& window = harness.Open();
  ASSERT_EQ(harness.dialogs.boxes.size(), 1u);
  EXPECT_EQ(harness.dialogs.boxes[0].caption, Cp932("ソケット初期化エラー"));
  EXPECT_EQ(harness.transport.calls, std::vector<std::string>{"start"});
  EXPECT_FALSE(window.acceptDrops());
  EXPECT_TRUE(window.Control(kSendBox)->isEnabled());
  window.reject();
  EXPECT_NE(ReadWholeFile(harness.SettingsFile()).find("DISABLE=0"), std::string::npos);
}

}  // namespace
