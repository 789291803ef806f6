#include "core/window/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>
#include <cerrno>

#include "core/file_to_send.h"
#include "core/list_file.h"
#include "core/window/dialog_template.h"
#include "core/window/parented.h"
#include "core/window/tool_icon.h"
#include "platform/cp932.h"
#include "platform/last_error.h"

namespace core {

namespace {

constexpr std::chrono::milliseconds kCloseWait{500};
// How long after showing the window the frame's size may still arrive from the window manager.
constexpr std::chrono::milliseconds kFrameWait{1000};

}  // namespace

MainWindow::MainWindow(WindowTool& tool, WindowSetup setup, UserDialogs& dialogs,
                       WindowSeams& seams, const platform::Clock& clock)
    : tool_(tool),
      setup_(std::move(setup)),
      dialogs_(dialogs),
      seams_(seams),
      queue_(this),
      recorder_(tool.Identity(), setup_.logFolder, setup_.dataFolder, clock, dialogs) {
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(false);
  built_.Build(tool_.MainDialog(), *this);
  // The traffic list keeps its place and fills the window below the settings area: resizing
  // keeps the margins that the template gives it.
  listWidthMargin_ = built_.ClientWidth() - TrafficListWidget().width();
  listHeightMargin_ = built_.ClientHeight() - TrafficListWidget().height();
  listView_ = std::make_unique<QtTrafficListView>(TrafficListWidget());
  traffic_ = std::make_unique<TrafficList>(*listView_, recorder_);
  windowMenu_ = std::make_unique<QMenu>();
  BindFields();
  WireFrameButtons();
  queue_.SetHandler([this](const platform::WindowMessage& message) {
    if (transport_ != nullptr) transport_->HandleWindowMessage(message);
  });
}

MainWindow::~MainWindow() = default;

void MainWindow::BindFields() {
  tool_.BindFields(exchange_);
  DataSettings& shared = DataFields();
  exchange_.BindText(ids::kSendBox, shared.sendText);
  exchange_.BindCheck(ids::kDataTran, shared.dataTran);
  exchange_.BindCheck(ids::kDataSave, shared.dataSave);
  exchange_.BindCheck(ids::kDspHex, shared.dspHex);
}

// Only the user's own clicks reach these handlers; pushing fields into controls raises none.
void MainWindow::WireFrameButtons() {
  auto onClick = [this](int id, auto handler) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) {
      connect(button, &QAbstractButton::clicked, this, handler);
    }
  };
  onClick(ids::kConnect, [this] {
    if (transport_ != nullptr) transport_->ConnectAction();
  });
  onClick(ids::kDisconnect, [this] {
    if (transport_ != nullptr) transport_->DisconnectAction();
  });
  onClick(ids::kSendFile, [this] { OnFileSendButton(); });
  onClick(ids::kSaveLog, [this] { SaveTrafficLog(); });
  onClick(ids::kClearLog, [this] { ClearTraffic(); });
}

void MainWindow::ControlsToFields() {
  exchange_.ControlsToFields(built_);
  // Recording follows the check boxes as the handler that starts now sees them.
  recorder_.SetListSave(DataFields().listSave);
  recorder_.SetDataSave(DataFields().dataSave);
}

void MainWindow::FieldsToControls() {
  exchange_.FieldsToControls(built_);
  recorder_.SetListSave(DataFields().listSave);
  recorder_.SetDataSave(DataFields().dataSave);
}

void MainWindow::ControlsToFields(std::span<const int> ids) {
  exchange_.ControlsToFields(built_, ids);
  recorder_.SetListSave(DataFields().listSave);
  recorder_.SetDataSave(DataFields().dataSave);
}

void MainWindow::FieldsToControls(std::span<const int> ids) {
  exchange_.FieldsToControls(built_, ids);
  recorder_.SetListSave(DataFields().listSave);
  recorder_.SetDataSave(DataFields().dataSave);
}

void MainWindow::EnableControl(int id, bool enabled) {
  if (QWidget* control = Control(id)) control->setEnabled(enabled);
}

QListWidget& MainWindow::TrafficListWidget() const {
  return *qobject_cast<QListWidget*>(Control(ids::kTrafficList));
}

void MainWindow::AddTrafficLine(std::string_view line) {
  traffic_->AddTrafficLine(line);
}

void MainWindow::ClearTraffic() {
  ControlsToFields();
  traffic_->ClearTraffic();
  FieldsToControls();
}

void MainWindow::SaveTrafficLog() {
  ControlsToFields();
  recorder_.SaveTrafficLog(traffic_->history());
  FieldsToControls();
}

std::string MainWindow::AboutItemText() const {
  return std::string(Identity().programName) + platform::Cp932(" のﾊﾞｰｼﾞｮﾝ情報(&A)...");
}

void MainWindow::OpenMainWindow() {
  // The controls exist; they show the empty fields until the settings are read.
  FieldsToControls();

  // The about item: on Linux the system menu belongs to the window manager, so the item sits in
  // the window's own context menu.
  const std::string aboutText = AboutItemText();
  if (!aboutText.empty()) {
    windowMenu_->addSeparator();
    QAction* about = windowMenu_->addAction(WidgetText(aboutText));
    connect(about, &QAction::triggered, this, [this] { ShowAboutBox(); });
  }

  setWindowIcon(ToolIcon());
  setWindowTitle(WidgetText(tool_.Title(setup_.instanceId)));

  ApplyPlacement(LoadWindowPlacement(setup_.settingsFile));
  tool_.LoadSettings(setup_.settingsFile, *this);
  TrafficListWidget().setFont(TrafficListFont());
  EnableControl(ids::kConnect, true);
  EnableControl(ids::kDisconnect, false);
  FieldsToControls();

  if (transport_ != nullptr && !transport_->StartTransport()) {
    // The window stays open for editing and saving the settings; nothing else starts.
    tool_.ReportTransportStartFailure(*this);
    return;
  }
  // Files dropped anywhere on the window go to the window: the edit boxes would otherwise take
  // a dropped file's name as text.
  for (QWidget* child : findChildren<QWidget*>()) child->setAcceptDrops(false);
  setAcceptDrops(true);
  if (DataFields().conect && transport_ != nullptr) transport_->ConnectAction();

  const bool lock = LoadOperatorLock(setup_.settingsFile);
  tool_.SetOperatorLock(lock);
  if (lock) ApplyOperatorLock();
}

int MainWindow::Run() {
  OpenMainWindow();
  return exec();
}

bool MainWindow::LockKeepsEnabled(int id) const {
  return id == ids::kTrafficList || id == ids::kSendText || id == ids::kSendFile ||
         id == ids::kSaveLog || id == ids::kClearLog;
}

void MainWindow::ApplyOperatorLock() {
  for (QWidget* child : built_.Children()) {
    const int id = built_.IdOf(child);
    if (!LockKeepsEnabled(id)) child->setEnabled(false);
  }
}

void MainWindow::CloseMainWindow() {
  ControlsToFields();
  tool_.SaveSettings(setup_.settingsFile, OuterFrame());
  if (transport_ != nullptr) transport_->DisconnectAction();
  done(QDialog::Rejected);
  seams_.Sleep(kCloseWait);
  seams_.EndProcess(0);
}

// Enter does nothing: it neither closes the window nor sends.
void MainWindow::accept() {}

void MainWindow::reject() {
  CloseMainWindow();
}

WindowPlacement MainWindow::OuterFrame() const {
  const QRect frame = frameGeometry();
  return {frame.x(), frame.y(), frame.width(), frame.height()};
}

void MainWindow::ApplyPlacement(const WindowPlacement& placement) {
  // A top-level window's position is its frame's position.
  move(placement.x, placement.y);
  if (placement.width <= 0 || placement.height <= 0) return;
  // The settings hold the outer frame; the client area is smaller by the frame, which the
  // window system tells only once the window is shown.
  pendingPlacement_ = placement;
  FinishPendingPlacement();
}

void MainWindow::FinishPendingPlacement() {
  if (!pendingPlacement_) return;
  const QRect frame = frameGeometry();
  const QRect client = geometry();
  const int frameWidth = frame.width() - client.width();
  const int frameHeight = frame.height() - client.height();
  resize(pendingPlacement_->width - frameWidth, pendingPlacement_->height - frameHeight);
  // Until the window is shown the frame is not known yet: try again then.
  if (isVisible() && (frameWidth > 0 || frameHeight > 0)) pendingPlacement_.reset();
}

void MainWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FinishPendingPlacement();
  // A window system without frames never reports one: the size asked for stands as applied,
  // and later moves by the user must not bring it back.
  if (pendingPlacement_) {
    QTimer::singleShot(kFrameWait, this, [this] { pendingPlacement_.reset(); });
  }
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  FinishPendingPlacement();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  OnResize(event->size().width(), event->size().height());
}

void MainWindow::OnResize(int clientWidth, int clientHeight) {
  QListWidget* list = qobject_cast<QListWidget*>(Control(ids::kTrafficList));
  if (list == nullptr) return;
  list->resize(std::max(0, clientWidth - listWidthMargin_),
               std::max(0, clientHeight - listHeightMargin_));
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
  if (windowMenu_->isEmpty()) return;
  windowMenu_->popup(event->globalPos());
}

void MainWindow::ShowAboutBox() {
  QDialog about(this);
  BuiltDialog built;
  const DialogTemplate aboutDialog = AboutDialog(Identity().programName);
  built.Build(aboutDialog, about);
  about.setWindowTitle(WidgetText(aboutDialog.title));
  about.setWindowIcon(ToolIcon());
  about.setFixedSize(built.ClientWidth(), built.ClientHeight());
  if (auto* ok = qobject_cast<QAbstractButton*>(built.Control(ids::kOk))) {
    connect(ok, &QAbstractButton::clicked, &about, &QDialog::accept);
  }
  seams_.RunModal(about);
}

void MainWindow::OnFileSendButton() {
  ControlsToFields();
  if (transport_ == nullptr || !transport_->IsConnected()) return;
  const std::optional<std::string> chosen =
      seams_.AskOpenFileName(*this, OpenFileRequest::FileToSend());
  if (!chosen) return;
  const std::optional<std::string> cp932 = platform::Utf8ToCp932Exact(*chosen);
  if (!cp932) {
    platform::SetLastError(EILSEQ);
    ShowErrorBox(platform::Cp932("ファイルオープンエラー"));
    return;
  }
  SendFileOrList(*cp932);
  FieldsToControls();
}

void MainWindow::OnDropFiles(const std::vector<std::string>& nativePaths) {
  for (const std::string& path : nativePaths) {
    const std::optional<std::string> cp932 = platform::Utf8ToCp932Exact(path);
    if (!cp932) {
      // A name the program cannot hold fails like a file that cannot be opened.
      platform::SetLastError(EILSEQ);
      ShowErrorBox(platform::Cp932("ファイルオープンエラー"));
      continue;
    }
    SendFileOrList(*cp932);
  }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
  }
  event->acceptProposedAction();
  OnDropFiles(paths);
}

void MainWindow::Pause() {
  for (int step = 0; step < kPauseSteps; ++step) {
    seams_.Sleep(kPauseStep);
    PumpMessages();
  }
}

}  // namespace core

namespace core {

void MainWindow::SendFileOrList(const std::string& cp932Path) {
  if (transport_ == nullptr) return;
  if (!IsListFileName(cp932Path)) {
    transport_->SendOneFile(cp932Path);
    return;
  }
  SendListFile(cp932Path);
}

void MainWindow::SendListFile(const std::string& cp932Path) {
  const std::optional<std::string> bytes = ReadFileToSend(
      cp932Path, kMaxListFileBytes, [this](std::string_view caption) { ShowErrorBox(caption); });
  if (!bytes) return;

  for (const ListEntry& entry : ListFileEntries(cp932Path, *bytes)) {
    if (entry.kind == ListEntry::Kind::LineTooLong) {
      AddTrafficLine(platform::Cp932("*ER* ") + cp932Path + platform::Cp932("の") +
                     std::to_string(entry.lineNumber) +
                     platform::Cp932("行目は1023バイトを超えるため送信しません"));
      continue;
    }
    // The transport checks the connection afresh for every file: anything may have happened
    // during the previous pause.
    transport_->SendOneFile(entry.path);
    if (entry.pauseAfter) Pause();
  }
}

}  // namespace core
