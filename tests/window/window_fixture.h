#pragma once
// A main window of either tool in a temporary instance folder, with the tool's own parts, the
// modal dialogs, the sleeps and the process end answered by fakes, and a transport that records
// what the frame asks of it.

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/window/main_window.h"
#include "support/fake_clock.h"
#include "support/fake_user_dialogs.h"
#include "support/temp_dir.h"

namespace window_testing {

class FakeWindowSeams : public core::WindowSeams {
 public:
  std::vector<core::OpenFileRequest> openRequests;
  std::deque<std::optional<std::string>> openAnswers;
  std::vector<std::string> modalTitles;
  // The texts of every label and button of the last modal dialog, and its pictures.
  std::vector<std::string> modalTexts;
  int modalPictures = 0;
  std::vector<std::chrono::milliseconds> sleeps;
  std::vector<int> exitCodes;
  // Runs at every sleep, as time passing would let other things happen.
  std::function<void()> duringSleep;

  std::optional<std::string> AskOpenFileName(QWidget&,
                                             const core::OpenFileRequest& request) override {
    openRequests.push_back(request);
    if (openAnswers.empty()) return std::nullopt;
    auto answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
  }
  void RunModal(QDialog& dialog) override {
    modalTitles.push_back(dialog.windowTitle().toStdString());
    modalTexts.clear();
    modalPictures = 0;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
      if (!label->pixmap().isNull()) ++modalPictures;
      if (!label->text().isEmpty()) modalTexts.push_back(label->text().toStdString());
    }
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
      modalTexts.push_back(button->text().toStdString());
    }
  }
  void Sleep(std::chrono::milliseconds duration) override {
    sleeps.push_back(duration);
    if (duringSleep) duringSleep();
  }
  void EndProcess(int exitCode) override { exitCodes.push_back(exitCode); }
};

// Records every operation, in order, as one word each.
class RecordingTransport : public core::Transport {
 public:
  std::vector<std::string> calls;
  bool startResult = true;
  bool connected = false;
  std::function<void()> onConnect;
  std::function<void()> onDisconnect;
  std::function<void(const std::string&)> onSendFile;
  std::vector<platform::WindowMessage> messages;

  bool StartTransport() override {
    calls.push_back("start");
    return startResult;
  }
  void ConnectAction() override {
    calls.push_back("connect");
    if (onConnect) onConnect();
  }
  void DisconnectAction() override {
    calls.push_back("disconnect");
    if (onDisconnect) onDisconnect();
  }
  void SendOneFile(const std::string& cp932Path) override {
    calls.push_back("send " + cp932Path);
    if (onSendFile) onSendFile(cp932Path);
  }
  bool IsConnected() const override { return connected; }
  void HandleWindowMessage(const platform::WindowMessage& message) override {
    calls.push_back("message " + std::to_string(message.number));
    messages.push_back(message);
  }
};

class WindowHarness {
 public:
  WindowHarness(std::unique_ptr<core::WindowTool> madeTool, const std::string& folder)
      : tool(std::move(madeTool)), folder_(folder) {}

  std::string SettingsFile() const {
    return folder_ + "/" + tool->Identity().settingsPrefix + "1.ini";
  }
  std::string LogFolder() const { return folder_ + "/Log1"; }
  std::string DataFolder() const { return folder_ + "/Dat1"; }

  // Makes the window without opening it.
  core::MainWindow& Make() {
    window = std::make_unique<core::MainWindow>(
        *tool, core::WindowSetup{"1", SettingsFile(), DataFolder(), LogFolder()}, dialogs, seams,
        clock);
    window->SetTransport(transport);
    return *window;
  }
  // Makes the window, opens it as the program does and shows it.
  core::MainWindow& Open() {
    Make();
    window->OpenMainWindow();
    window->show();
    return *window;
  }

  std::unique_ptr<core::WindowTool> tool;
  testing_support::FakeUserDialogs dialogs;
  FakeWindowSeams seams;
  testing_support::FakeClock clock;
  RecordingTransport transport;
  std::unique_ptr<core::MainWindow> window;

 private:
  std::string folder_;
};

}  // namespace window_testing
