#pragma once
// The main window frame shared by both tools (dialog 102): the controls built from the tool's
// template, the dialog data exchange, the traffic list, recording, the window messages, file
// sending with list files, the operator lock and the close sequence. The frame knows no tool:
// what is the tool's own comes through core::WindowTool (core/window/window_tool.h), its
// transport through core::Transport (core/transport.h, which also tells how a tool reaches the
// frame).

#include <QDialog>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "core/error_reporting.h"
#include "core/recording.h"
#include "core/settings.h"
#include "core/tool_identity.h"
#include "core/traffic_list.h"
#include "core/transport.h"
#include "core/window/dialog_builder.h"
#include "core/window/field_exchange.h"
#include "core/window/qt_message_queue.h"
#include "core/window/qt_traffic_list_view.h"
#include "core/window/window_seams.h"
#include "core/window/window_tool.h"
#include "platform/clock.h"

class QListWidget;
class QMenu;

namespace core {

// Where an instance keeps its files; the paths are native.
struct WindowSetup {
  std::string instanceId;  // CP932
  std::string settingsFile;
  std::string dataFolder;
  std::string logFolder;
};

class MainWindow final : public QDialog {
  Q_OBJECT

 public:
  // The tool, the seams, the dialogs and the clock must outlive the window.
  MainWindow(WindowTool& tool, WindowSetup setup, UserDialogs& dialogs, WindowSeams& seams,
             const platform::Clock& clock);
  ~MainWindow() override;

  // The transport must be set before the window opens and outlive it.
  void SetTransport(Transport& transport) { transport_ = &transport; }

  // Opens the window (OpenMainWindow), shows it and runs it until CloseMainWindow ends the
  // process. Returns only when the seam's process end returns (in tests).
  int Run();

  // The window's initialisation, in the order the frame needs: see main_window.cpp.
  void OpenMainWindow();
  // Esc, the close box, Alt+F4: save the settings, run the disconnect action, end the dialog,
  // wait 500 ms and end the process with exit code 0.
  void CloseMainWindow();

  // --- What the tool's handlers use. ---
  const ToolIdentity& Identity() const { return tool_.Identity(); }
  const WindowSetup& Setup() const { return setup_; }
  void AddTrafficLine(std::string_view line);
  void ClearTraffic();
  void SaveTrafficLog();
  TrafficList& Traffic() { return *traffic_; }
  Recorder& Recording() { return recorder_; }
  void ShowErrorBox(std::string_view caption, std::optional<std::string_view> text = std::nullopt) {
    dialogs_.ShowErrorBox(caption, text);
  }
  platform::MessageQueue& Messages() { return queue_; }
  void PumpMessages() { queue_.PumpMessages(); }

  // The fields of the controls both tools share; the tool holds the rest.
  DataSettings& DataFields() { return tool_.DataFields(); }
  void ControlsToFields();
  void FieldsToControls();
  // The exchange of the listed controls only, for a handler that runs at every received block:
  // it takes in what it uses and shows what it changed, and leaves the rest alone.
  void ControlsToFields(std::span<const int> ids);
  void FieldsToControls(std::span<const int> ids);

  QWidget* Control(int id) const { return built_.Control(id); }
  void EnableControl(int id, bool enabled);
  QListWidget& TrafficListWidget() const;
  // Runs when the user (not the program) selects a line of the traffic list.
  void SetTrafficLineSelectedByUser(std::function<void(int)> handler) {
    listView_->SetUserSelectionHandler(std::move(handler));
  }

  // --- The frame's own handlers. ---
  void OnResize(int clientWidth, int clientHeight);
  void OnFileSendButton();
  void OnDropFiles(const std::vector<std::string>& nativePaths);
  // Sends one file, or every file a list file (extension LST, any case) names. `cp932Path` is
  // the path as the program holds it.
  void SendFileOrList(const std::string& cp932Path);
  void ApplyOperatorLock();
  void ShowAboutBox();

  // The pause after each list-file line: 20 steps of a 50 ms sleep and a message pump.
  static constexpr int kPauseSteps = 20;
  static constexpr std::chrono::milliseconds kPauseStep{50};
  // The largest list file, and the longest line it may hold.
  static constexpr std::size_t kMaxListFileBytes = 102400;

  // The about item of the window's menu (string 101).
  std::string AboutItemText() const;
  QMenu& WindowMenu() { return *windowMenu_; }

 public slots:
  void accept() override;
  void reject() override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BindFields();
  void WireFrameButtons();
  void ApplyPlacement(const WindowPlacement& placement);
  void FinishPendingPlacement();
  WindowPlacement OuterFrame() const;
  void SendListFile(const std::string& cp932Path);
  void Pause();
  bool LockKeepsEnabled(int id) const;

  WindowTool& tool_;
  WindowSetup setup_;
  UserDialogs& dialogs_;
  WindowSeams& seams_;
  Transport* transport_ = nullptr;

  BuiltDialog built_;
  FieldExchange exchange_;
  QtMessageQueue queue_;
  Recorder recorder_;
  std::unique_ptr<QtTrafficListView> listView_;
  std::unique_ptr<TrafficList> traffic_;
  std::unique_ptr<QMenu> windowMenu_;
  // What the traffic list leaves of the client area, as the template places it.
  int listWidthMargin_ = 0;
  int listHeightMargin_ = 0;
  // The outer size asked for by the settings, applied once the frame around the window is known.
  std::optional<WindowPlacement> pendingPlacement_;
};

}  // namespace core
