// The real error box and save-as dialog, answered by a timer from inside their own loops.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "core/window/qt_user_dialogs.h"
#include "platform/cp932.h"
#include "platform/last_error.h"
#include "support/temp_dir.h"

namespace {

using platform::Cp932;

// Runs `answer` on the modal dialog once it is up; a dialog that is still open after a few
// seconds is closed, so that a failing test cannot hang.
template <class Dialog>
void AnswerModal(std::function<void(Dialog&)> answer) {
  QTimer::singleShot(0, [answer] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) answer(*dialog);
  });
  QTimer::singleShot(5000, [] {
    if (QWidget* open = QApplication::activeModalWidget()) open->close();
  });
}

TEST(QtUserDialogs, NameFiltersFollowTheFilterText) {
  EXPECT_EQ(core::QtNameFilters(Cp932("ログファイル(*.log)|*.log|全てのファイル(*.*)|*.*||")),
            QString::fromUtf8("ログファイル(*.log);;全てのファイル(*.*)"));
  EXPECT_EQ(core::QtNameFilters("Data|*.bin;*.dat||"), QStringLiteral("Data (*.bin *.dat)"));
}

TEST(QtUserDialogs, TheErrorBoxShowsCaptionAndSystemTextWithTheStopIcon) {
  core::QtUserDialogs dialogs;
  QString caption, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  AnswerModal<QMessageBox>([&](QMessageBox& box) {
    caption = box.windowTitle();
    text = box.text();
    icon = box.icon();
    box.accept();
  });
  platform::SetLastError(2);  // ENOENT
  dialogs.ShowErrorBox(Cp932("ファイルオープンエラー"));
  EXPECT_EQ(caption, QString::fromUtf8("ファイルオープンエラー"));
  EXPECT_EQ(text.toStdString(), platform::Cp932ToUtf8(platform::SystemMessageText(2)));
  EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST(QtUserDialogs, TheSaveDialogAddsTheDefaultExtension) {
  testing_support::TempDir dir;
  core::QtUserDialogs dialogs;
  QString shownName;
  QStringList filters;
  bool asksBeforeReplacing = false;
  AnswerModal<QFileDialog>([&](QFileDialog& dialog) {
    shownName = dialog.selectedFiles().value(0);
    filters = dialog.nameFilters();
    asksBeforeReplacing = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(QString::fromStdString(dir / "mylog"));
    // accept() is the dialog's own slot, as its Save button calls it.
    QMetaObject::invokeMethod(&dialog, "accept");
  });
  const std::optional<std::string> chosen =
      dialogs.AskSaveFileName(core::SaveFileRequest::TrafficLog());
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, dir / "mylog.log");
  EXPECT_TRUE(shownName.endsWith(QStringLiteral("trace.log")));
  EXPECT_EQ(filters, (QStringList{QString::fromUtf8("ログファイル(*.log)"),
                                  QString::fromUtf8("全てのファイル(*.*)")}));
  EXPECT_TRUE(asksBeforeReplacing);
}

TEST(QtUserDialogs, ACancelledSaveDialogGivesNothing) {
  core::QtUserDialogs dialogs;
  AnswerModal<QFileDialog>([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(dialogs.AskSaveFileName(core::SaveFileRequest::TrafficLog()).has_value());
}

}  // namespace
