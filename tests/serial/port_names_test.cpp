// Ports named as users of the original type them: COMn through the user's port links, an
// adapter unplugged and plugged in again under its link, and the port box's completions.

#include <QCompleter>
#include <QStringListModel>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/pseudo_terminal.h"
#include "serial/port_name_completion.h"
#include "serial_fixture.h"

namespace serial_window_test {
namespace {

using namespace std::chrono_literals;
using platform::Cp932;
using platform::PseudoTerminalPair;
namespace common = core::ids;
namespace ids = serial::ids;

// A fixture whose configuration folder holds the port links.
class PortLinks : public SerialFixture {
 protected:
  PortLinks() {
    saved_ = qgetenv("XDG_CONFIG_HOME");
    hadSaved_ = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config_.str()));
    std::filesystem::create_directories(Links());
  }
  ~PortLinks() override {
    if (hadSaved_) {
      qputenv("XDG_CONFIG_HOME", saved_);
    } else {
      qunsetenv("XDG_CONFIG_HOME");
    }
  }
  std::string Links() const { return config_ / "commtestkit/ports"; }
  void PointLink(const std::string& name, const std::string& target) {
    const std::string link = Links() + "/" + name;
    std::filesystem::remove(link);
    std::filesystem::create_symlink(target, link);
  }

  testing_support::TempDir config_;
  QByteArray saved_;
  bool hadSaved_ = false;
};

TEST_F(PortLinks, AComNameOpensItsLinkAndTheLinesKeepTheNameAsTyped) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  PointLink("COM3", pty.SlavePath());
  Open("com3");
  Click(common::kConnect);
  ASSERT_EQ(LastLine(), Cp932("接続 com3"));
  ASSERT_TRUE(pty.Write("hi"));
  ASSERT_TRUE(RunUntil([&] { return LastLine() == Cp932("->受 hi"); }));
  Click(common::kDisconnect);
  EXPECT_EQ(LastLine(), Cp932("切断 com3"));
}

TEST_F(PortLinks, AnUnpluggedAdapterIsRetriedAboutEverySecondAndResumesSilently) {
  auto adapter = std::make_unique<PseudoTerminalPair>();
  ASSERT_TRUE(adapter->IsValid());
  PointLink("COM4", adapter->SlavePath());
  Open("COM4", platform::SystemSerialPorts(), serial::SerialTimings{});
  Click(common::kConnect);
  ASSERT_EQ(LineCount(), 1u);

  // Unplugged: the line hangs up and the name leads nowhere.
  adapter->CloseMaster();
  PointLink("COM4", config_ / "gone");
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunUntil([&] { return LineCount() >= 4; }, 6000));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  const std::vector<std::string> lines = Lines();
  EXPECT_TRUE(lines[1].starts_with("*ER* RS232C Read Error(")) << lines[1];
  EXPECT_TRUE(lines[2].starts_with("*ER* RS232C Open Error(")) << lines[2];
  EXPECT_TRUE(lines[3].starts_with("*ER* RS232C Open Error(")) << lines[3];
  // The first attempt comes at once, the next after a second's pause.
  EXPECT_GT(elapsed, 800ms);
  // Reopening: the buttons stay as open; a send cannot go out, and says so in one line.
  EXPECT_FALSE(T().IsConnected());
  EXPECT_FALSE(Enabled(common::kConnect));
  EXPECT_TRUE(Enabled(common::kDisconnect));
  const std::size_t before = LineCount();
  Click(common::kSendText);
  ASSERT_EQ(LineCount(), before + 1);
  EXPECT_EQ(LastLine(), "*ER* " + serial::PortErrorText(Cp932("RS232C Write Error"), EIO));

  // Plugged in again under the same name: reception resumes with no "接続" line.
  PseudoTerminalPair back;
  ASSERT_TRUE(back.IsValid());
  PointLink("COM4", back.SlavePath());
  ASSERT_TRUE(RunUntil([&] { return T().IsConnected(); }, 3000));
  Settle(50);
  ASSERT_TRUE(back.Write("back"));
  ASSERT_TRUE(RunUntil([&] { return LastLine() == Cp932("->受 back"); }));
  const std::vector<std::string> all = Lines();
  EXPECT_EQ(std::count(all.begin(), all.end(), Cp932("接続 COM4")), 1) << "only the first open";

  // Closing while the adapter is away again ends the retries for good.
  back.CloseMaster();
  PointLink("COM4", config_ / "gone");
  ASSERT_TRUE(RunUntil([&] { return LastLine().starts_with("*ER* RS232C Open Error("); }, 4000));
  Click(common::kDisconnect);
  const std::size_t closed = LineCount();
  Settle(1500);
  EXPECT_EQ(LineCount(), closed);
}

TEST(PortNameCompletion, OffersTheDevicesPresentAndLeavesTheTypingAlone) {
  QLineEdit box;
  std::vector<std::string> present = {"/dev/serial/by-id/usb-Maker_Adapter-if00", "ttyUSB0"};
  serial::PortNameCompletion completion(box, [&] { return present; });
  auto* model = qobject_cast<QStringListModel*>(completion.Completer().model());
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->stringList(),
            (QStringList{"/dev/serial/by-id/usb-Maker_Adapter-if00", "ttyUSB0"}));
  EXPECT_EQ(completion.Completer().completionMode(), QCompleter::PopupCompletion);

  box.show();
  QTest::keyClicks(&box, QStringLiteral("tty"));
  EXPECT_EQ(box.text(), QStringLiteral("tty"));

  // An adapter plugged in meanwhile is offered when the box takes the focus again.
  present.push_back("COM3");
  QFocusEvent focus(QEvent::FocusIn);
  QCoreApplication::sendEvent(&box, &focus);
  EXPECT_EQ(model->stringList().size(), 3);
  EXPECT_EQ(box.text(), QStringLiteral("tty"));
}

}  // namespace
}  // namespace serial_window_test
