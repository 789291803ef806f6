#pragma once
// The TCP/IP tool's real window (offscreen) with its transport, in a temporary instance folder;
// the modal boxes, the file dialogs, the sleeps and the process end are answered by fakes.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/recording_names.h"
#include "core/window/dialog_template.h"
#include "core/window/main_window.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "support/fake_clock.h"
#include "support/fake_user_dialogs.h"
#include "support/temp_dir.h"
#include "tcpip/loopback_peer.h"
#include "tcpip/tcp_transport.h"
#include "tcpip/tcpip_tool.h"
#include "tcpip/traffic_lines.h"
#include "window/window_fixture.h"

namespace tcpip_test {

// The control ids of the TCP/IP window: the ones both tools share and the tool's own.
namespace ids {
using namespace core::ids;
using namespace tcpip::ids;
}  // namespace ids

class ToolFixture : public ::testing::Test {
 protected:
  // Opens the window as the program does. `server` picks the mode; the port box gets `port`.
  void Open(bool server, const std::string& port = "0", std::function<bool()> startSockets = {}) {
    OpenWindow(std::move(startSockets));
    auto& f = tool_.fields;
    f.port = port;
    f.data.dataTran = true;
    window_->FieldsToControls();
    Click(server ? ids::kServer : ids::kClient);
  }

  // Opens the window with whatever the settings file holds (none: the defaults).
  void OpenWindow(std::function<bool()> startSockets = {}) {
    platform::CreateFolder(LogFolder());
    platform::CreateFolder(DataFolder());
    window_ = std::make_unique<core::MainWindow>(
        tool_, core::WindowSetup{"1", SettingsFile(), DataFolder(), LogFolder()}, dialogs_, seams_,
        clock_);
    tcp_ = std::make_unique<tcpip::TcpTransport>(*window_, tool_.fields, std::move(startSockets));
    window_->SetTransport(*tcp_);
    window_->OpenMainWindow();
    window_->show();
  }
  std::string SettingsFile() const { return dir_ / "Brisolt1.ini"; }

  void TearDown() override {
    tcp_.reset();
    window_.reset();
  }

  std::string LogFolder() const { return dir_ / "Log1"; }
  std::string DataFolder() const { return dir_ / "Dat1"; }

  core::MainWindow& W() { return *window_; }
  tcpip::TcpTransport& T() { return *tcp_; }

  void Click(int id) {
    auto* button = qobject_cast<QAbstractButton*>(W().Control(id));
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  bool Enabled(int id) { return W().Control(id)->isEnabled(); }
  std::string AddressBox() {
    return platform::Utf8ToCp932(
        qobject_cast<QLineEdit*>(W().Control(ids::kPeerAddress))->text().toStdString());
  }
  void SetText(int id, const std::string& cp932) {
    qobject_cast<QLineEdit*>(W().Control(id))
        ->setText(QString::fromStdString(platform::Cp932ToUtf8(cp932)));
  }
  void SetCheck(int id, bool on) {
    qobject_cast<QAbstractButton*>(W().Control(id))->setChecked(on);
  }

  // The traffic lines, oldest first, whole (CP932).
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    const auto& h = W().Traffic().history();
    for (std::size_t i = 0; i < h.size(); ++i) lines.push_back(h[i]);
    return lines;
  }
  std::string LastLine() {
    auto lines = Lines();
    return lines.empty() ? std::string() : lines.back();
  }
  // Clicks line `index` of the traffic list as a user would.
  void ClickLine(int index) {
    QListWidget& list = W().TrafficListWidget();
    QListWidgetItem* item = list.item(index);
    ASSERT_NE(item, nullptr);
    list.scrollToItem(item);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(item).center());
  }

  // Runs the event loop until `done` holds (or five seconds pass).
  bool RunUntil(const std::function<bool()>& done, int limitMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
      if (timer.elapsed() > limitMs) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
  }
  // Runs the event loop a little, for whatever is due.
  void Settle(int ms = 50) {
    RunUntil([] { return false; }, ms);
  }
  int ListenPort() { return T().Listener() ? T().Listener()->LocalPort() : -1; }

  // The lines of today's daily log, without their time stamps.
  std::vector<std::string> LoggedLines() {
    const auto path = core::DailyLogPath(core::kTcpIpTool, LogFolder(), clock_.Now());
    const std::string log = testing_support::ReadWholeFile(*path);
    std::vector<std::string> lines;
    constexpr std::size_t kStamp = sizeof "2007/03/05 12:00:00 " - 1;
    for (std::size_t at = 0; at < log.size();) {
      std::size_t end = log.find("\r\n", at);
      if (end == std::string::npos) end = log.size();
      lines.push_back(log.substr(std::min(at + kStamp, end), end - std::min(at + kStamp, end)));
      at = end + 2;
    }
    return lines;
  }

  // A traffic line naming a loopback peer by its port, with or without data.
  static std::string PeerLine(const std::string& format, const LoopbackPeer& peer,
                              const char* data = nullptr) {
    const std::string port = std::to_string(peer.LocalPort());
    return data ? tcpip::FormatLine(format, "127.0.0.1", port.c_str(), data)
                : tcpip::FormatLine(format, "127.0.0.1", port.c_str());
  }
  // Connects a peer to the listening tool and waits until the tool has accepted it.
  void Join(LoopbackPeer& peer) {
    const int before = T().Peers().Occupied();
    ASSERT_TRUE(peer.Connect(ListenPort()));
    ASSERT_TRUE(RunUntil([&] { return T().Peers().Occupied() == before + 1; }));
  }

  testing_support::TempDir dir_;
  tcpip::TcpIpTool tool_;
  testing_support::FakeUserDialogs dialogs_;
  window_testing::FakeWindowSeams seams_;
  testing_support::FakeClock clock_;
  std::unique_ptr<core::MainWindow> window_;
  std::unique_ptr<tcpip::TcpTransport> tcp_;
};

}  // namespace tcpip_test
