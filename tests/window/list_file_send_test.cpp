// Sending files named by a list file: the order, the one-second pauses with message pumping,
// full paths, the lead-byte walk, long lines and list files that cannot be read.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/window/dialog_template.h"
#include "core/window/window_seams.h"
#include "platform/cp932.h"
#include "support/temp_dir.h"
#include "tcpip/tcpip_tool.h"
#include "window_fixture.h"

namespace {

using platform::Cp932;
using testing_support::TempDir;
using testing_support::WriteWholeFile;
using window_testing::WindowHarness;

class ListFileSendTest : public testing::Test {
 protected:
  ListFileSendTest() : harness(std::make_unique<tcpip::TcpIpTool>(), dir.str()) { harness.Open(); }

  std::vector<std::string> Sent() const {
    std::vector<std::string> sent;
    for (const std::string& call : harness.transport.calls) {
      if (call.rfind("send ", 0) == 0) sent.push_back(call.substr(5));
    }
    return sent;
  }
  std::size_t Pauses() const { return harness.seams.sleeps.size() / 20; }

  TempDir dir;
  WindowHarness harness;
};

TEST_F(ListFileSendTest, SendsEachLineFromTheListsFolderPausingAfterEach) {
  const std::string list = dir / "LIST.Lst";
  WriteWholeFile(list, "a.txt\r\n\r\nb.txt\r\n");
  harness.window->SendFileOrList(list);
  EXPECT_EQ(Sent(), (std::vector<std::string>{dir / "a.txt", dir / "b.txt"}));
  ASSERT_EQ(harness.seams.sleeps.size(), 40u);
  for (auto sleep : harness.seams.sleeps) EXPECT_EQ(sleep, std::chrono::milliseconds(50));
}

TEST_F(ListFileSendTest, ALastLineWithoutLineFeedIsSentWithoutPause) {
  const std::string list = dir / "x.lst";
  WriteWholeFile(list, "a.txt\nb.txt");
  harness.window->SendFileOrList(list);
  EXPECT_EQ(Sent(), (std::vector<std::string>{dir / "a.txt", dir / "b.txt"}));
  EXPECT_EQ(Pauses(), 1u);
}

TEST_F(ListFileSendTest, FullPathsAndOtherFilesAreSentAsTheyAre) {
  const std::string list = dir / "x.LST";
  WriteWholeFile(list, "/data/one.bin\r\nsub\\two.bin\r\n");
  harness.window->SendFileOrList(list);
  EXPECT_EQ(Sent(), (std::vector<std::string>{"/data/one.bin", "sub/two.bin"}));

  harness.transport.calls.clear();
  harness.window->SendFileOrList(dir / "plain");
  harness.window->SendFileOrList(dir / "list.lst.txt");
  EXPECT_EQ(Sent(), (std::vector<std::string>{dir / "plain", dir / "list.lst.txt"}));
}

// The second byte of 表 is 0x5C; the line names a file in the list's folder all the same.
TEST_F(ListFileSendTest, ADoubleByteCharacterEndingIn5CIsNoPathSeparator) {
  const std::string list = dir / "x.lst";
  const std::string name = Cp932("表.txt");
  ASSERT_EQ(name[1], '\x5C');
  WriteWholeFile(list, name + "\r\n");
  harness.window->SendFileOrList(list);
  EXPECT_EQ(Sent(), std::vector<std::string>{dir.str() + "/" + name});
}

TEST_F(ListFileSendTest, ATooLongLineIsSkippedWithOneErrorLine) {
  const std::string list = dir / "x.lst";
  WriteWholeFile(list, "a.txt\n" + std::string(1024, 'y') + "\nb.txt\n");
  harness.window->SendFileOrList(list);
  EXPECT_EQ(Sent(), (std::vector<std::string>{dir / "a.txt", dir / "b.txt"}));
  QListWidget& traffic = harness.window->TrafficListWidget();
  ASSERT_EQ(traffic.count(), 1);
  const std::string line = harness.window->Traffic().history()[0];
  EXPECT_EQ(line.rfind("*ER* ", 0), 0u);
  EXPECT_NE(line.find(list), std::string::npos);
  EXPECT_NE(line.find("2"), std::string::npos);
}

TEST_F(ListFileSendTest, AMissingListFileShowsTheOpenErrorBox) {
  harness.window->SendFileOrList(dir / "missing.lst");
  ASSERT_EQ(harness.dialogs.boxes.size(), 1u);
  EXPECT_EQ(harness.dialogs.boxes[0].caption, Cp932("ファイルオープンエラー"));
  EXPECT_TRUE(Sent().empty());
}

TEST_F(ListFileSendTest, AFolderNamedLikeAListShowsTheReadErrorBox) {
  const std::string folder = dir / "folder.lst";
  std::filesystem::create_directories(folder);
  harness.window->SendFileOrList(folder);
  ASSERT_EQ(harness.dialogs.boxes.size(), 1u);
  EXPECT_EQ(harness.dialogs.boxes[0].caption, Cp932("ファイル読み込みエラー"));
}

// A message posted by another thread while the list pauses is handled within the pause, before
// the next file is sent.
TEST_F(ListFileSendTest, MessagesArePumpedDuringThePause) {
  const std::string list = dir / "x.lst";
  WriteWholeFile(list, "a.txt\nb.txt\n");
  std::thread poster;
  harness.transport.onSendFile = [&](const std::string& path) {
    if (path != dir / "a.txt") return;
    poster = std::thread([&] { harness.window->Messages().Post({9101, 1, 0}); });
  };
  harness.seams.duringSleep = [&] {
    if (poster.joinable()) poster.join();
  };
  harness.window->SendFileOrList(list);
  EXPECT_EQ(harness.transport.calls,
            (std::vector<std::string>{"start", "send " + (dir / "a.txt"), "message 9101",
                                      "send " + (dir / "b.txt")}));
}

// A click that waits while the list pauses is handled within the pause: "LOGクリア" empties
// the list between the two files.
TEST_F(ListFileSendTest, TheUsersClicksAreHandledDuringThePause) {
  const std::string list = dir / "x.lst";
  WriteWholeFile(list, "a.txt\nb.txt\n");
  harness.transport.onSendFile = [&](const std::string& path) {
    harness.window->AddTrafficLine("sent " + path);
  };
  QWidget* clear = harness.window->Control(core::ids::kClearLog);
  const QPointF inside(clear->width() / 2.0, clear->height() / 2.0);
  bool posted = false;
  harness.seams.duringSleep = [&] {
    if (posted) return;
    posted = true;
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      const Qt::MouseButtons held =
          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
      QCoreApplication::postEvent(
          clear, std::make_unique<QMouseEvent>(type, inside, clear->mapToGlobal(inside),
                                               Qt::LeftButton, held, Qt::NoModifier)
                     .release());
    }
  };
  harness.window->SendFileOrList(list);
  QListWidget& traffic = harness.window->TrafficListWidget();
  ASSERT_EQ(traffic.count(), 1);
  EXPECT_EQ(traffic.item(0)->text().toStdString(), "sent " + (dir / "b.txt"));
}

// Each pause is twenty steps of a 50 ms sleep followed by a pump: a message posted while one
// step sleeps is handled before the next step sleeps, and the pause after a file comes before the
// next file.
TEST_F(ListFileSendTest, EachPauseSleepsTwentyTimesAndPumpsAfterEverySleep) {
  const std::string list = dir / "x.lst";
  WriteWholeFile(list, "a.txt\nb.txt\n");
  harness.seams.duringSleep = [&] {
    harness.transport.calls.push_back("sleep");
    harness.window->Messages().Post({9101, 0, 0});
  };
  harness.window->SendFileOrList(list);
  std::vector<std::string> expected{"start"};
  for (const std::string& file : {dir / "a.txt", dir / "b.txt"}) {
    expected.push_back("send " + file);
    for (int step = 0; step < 20; ++step) {
      expected.push_back("sleep");
      expected.push_back("message 9101");
    }
  }
  EXPECT_EQ(harness.transport.calls, expected);
}

// With the tools' own seams the pause after a line really lasts a second, and what is posted
// meanwhile is handled within it, before the next file is sent.
TEST(ListFilePause, TheRealPauseLastsASecondAndHandlesMessagesWithinIt) {
  TempDir dir;
  testing_support::FakeUserDialogs dialogs;
  core::QtWindowSeams seams;
  testing_support::FakeClock clock;
  window_testing::RecordingTransport transport;
  tcpip::TcpIpTool tool;
  core::MainWindow window(tool,
                          core::WindowSetup{"1", dir / "Brisolt1.ini", dir / "Dat1", dir / "Log1"},
                          dialogs, seams, clock);
  window.SetTransport(transport);
  window.OpenMainWindow();
  const std::string list = dir / "x.lst";
  WriteWholeFile(list, "a.txt\nb.txt");  // no line feed after the last line: no pause after it
  transport.onSendFile = [&](const std::string& path) {
    if (path == dir / "a.txt") window.Messages().Post({9101, 0, 0});
  };
  const auto start = std::chrono::steady_clock::now();
  window.SendFileOrList(list);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(transport.calls, (std::vector<std::string>{"start", "send " + (dir / "a.txt"),
                                                       "message 9101", "send " + (dir / "b.txt")}));
  EXPECT_GE(took, std::chrono::milliseconds(1000));
}

}  // namespace
