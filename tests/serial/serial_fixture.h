#pragma once
// The RS-232C tool's real window (offscreen) with its transport, in a temporary instance folder;
// the modal boxes, the file dialogs, the sleeps and the process end are answered by fakes. Ports
// are real pseudo-terminals, or the fake device where a test needs modem lines.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/window/main_window.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/serial_device.h"
#include "serial/serial_tool.h"
#include "serial/serial_transport.h"
#include "support/fake_clock.h"
#include "support/fake_user_dialogs.h"
#include "support/temp_dir.h"
#include "window/window_fixture.h"

namespace serial_window_test {

inline serial::SerialTimings QuickTimings() {
  serial::SerialTimings t;
  t.handshakeLimit = std::chrono::milliseconds(3000);
  t.reopenPause = std::chrono::milliseconds(100);
  t.writeWait = std::chrono::milliseconds(200);
  return t;
}

class SerialFixture : public ::testing::Test {
 protected:
  // Opens the window as the program does, with whatever the settings file holds.
  void OpenWindow(platform::SerialDeviceOpener& ports = platform::SystemSerialPorts(),
                  serial::SerialTimings timings = QuickTimings()) {
    platform::CreateFolder(LogFolder());
    platform::CreateFolder(DataFolder());
    window_ = std::make_unique<core::MainWindow>(
        tool_, core::WindowSetup{"1", SettingsFile(), DataFolder(), LogFolder()}, dialogs_, seams_,
        clock_);
    transport_ = std::make_unique<serial::SerialTransport>(*window_, tool_, ports, timings);
    window_->SetTransport(*transport_);
    window_->OpenMainWindow();
    window_->show();
  }
  // Opens the window with `port` in the port box and DATATRAN on.
  void Open(const std::string& port,
            platform::SerialDeviceOpener& ports = platform::SystemSerialPorts(),
            serial::SerialTimings timings = QuickTimings()) {
    OpenWindow(ports, timings);
    Fields().port = port;
    Fields().data.dataTran = true;
    W().FieldsToControls();
  }

  void TearDown() override {
    transport_.reset();
    window_.reset();
  }

  std::string SettingsFile() const { return dir_ / "Pellamar1.ini"; }
  std::string LogFolder() const { return dir_ / "Log1"; }
  std::string DataFolder() const { return dir_ / "Dat1"; }
  std::string DailyLog() const {
    return testing_support::ReadWholeFile(LogFolder() + "/20070305_Ostravin.log");
  }

  core::MainWindow& W() { return *window_; }
  serial::SerialTransport& T() { return *transport_; }
  core::SerialSettings& Fields() { return tool_.fields; }

  void Click(int id) {
    auto* button = qobject_cast<QAbstractButton*>(W().Control(id));
    ASSERT_NE(button, nullptr) << id;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  bool Enabled(int id) { return W().Control(id)->isEnabled(); }
  bool Checked(int id) { return qobject_cast<QAbstractButton*>(W().Control(id))->isChecked(); }
  std::string BoxText(int id) {
    return platform::Utf8ToCp932(qobject_cast<QLineEdit*>(W().Control(id))->text().toStdString());
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
  std::size_t LineCount() { return W().Traffic().history().size(); }

  // Runs the event loop until `done` holds (or the time passes).
  bool RunUntil(const std::function<bool()>& done, int limitMs = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
      if (timer.elapsed() > limitMs) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
  }
  void Settle(int ms = 100) {
    RunUntil([] { return false; }, ms);
  }

  std::vector<std::string> DataFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(DataFolder()))
      names.push_back(entry.path().filename().string());
    return names;
  }

  testing_support::TempDir dir_;
  serial::SerialTool tool_;
  testing_support::FakeUserDialogs dialogs_;
  window_testing::FakeWindowSeams seams_;
  testing_support::FakeClock clock_;
  std::unique_ptr<core::MainWindow> window_;
  std::unique_ptr<serial::SerialTransport> transport_;
};

}  // namespace serial_window_test
