#include "core/window/qt_user_dialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "core/window/dialog_builder.h"

namespace core {

QString QtNameFilters(std::string_view cp932Filter) {
  QStringList filters;
  for (const FileFilterEntry& entry : SplitFileFilter(cp932Filter)) {
    QString description = WidgetText(entry.description);
    QString patterns = QString::fromLatin1(entry.pattern.c_str()).replace(u';', u' ');
    // Qt reads the patterns from the last parentheses of a filter; a description that already
    // ends with them is taken as it is.
    if (!description.endsWith(QStringLiteral("(") + patterns + QStringLiteral(")"))) {
      description += QStringLiteral(" (") + patterns + QStringLiteral(")");
    }
    filters.push_back(description);
  }
  return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> QtUserDialogs::AskSaveFileName(const SaveFileRequest& request) {
  QFileDialog dialog(owner_);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setNameFilter(QtNameFilters(request.filter));
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  dialog.selectFile(QFile::decodeName(request.defaultName.c_str()));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(dialog.selectedFiles().front()).toStdString();
}

void QtUserDialogs::ShowStopBox(std::string_view caption, std::string_view text) {
  QMessageBox box(QMessageBox::Critical, WidgetText(caption), WidgetText(text), QMessageBox::Ok,
                  owner_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace core
