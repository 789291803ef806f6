#include "core/window/window_seams.h"

#include <QFile>
#include <QFileDialog>
#include <cstdlib>
#include <thread>

#include "core/window/qt_user_dialogs.h"
#include "platform/cp932.h"

namespace core {

OpenFileRequest OpenFileRequest::FileToSend() {
  OpenFileRequest request;
  request.defaultExtension = "txt";
  request.filter = platform::Cp932("全てのファイル(*.*)|*.*||");
  return request;
}

std::optional<std::string> QtWindowSeams::AskOpenFileName(QWidget& parent,
                                                          const OpenFileRequest& request) {
  QFileDialog dialog(&parent);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QtNameFilters(request.filter));
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  if (!request.defaultName.empty())
    dialog.selectFile(QFile::decodeName(request.defaultName.c_str()));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

void QtWindowSeams::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

void QtWindowSeams::EndProcess(int exitCode) {
  // No static destructors run: a serial receive thread may still be alive beside them.
  std::_Exit(exitCode);
}

}  // namespace core
