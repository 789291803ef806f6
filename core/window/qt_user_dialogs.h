#pragma once
// The error box and the save-as dialog on Qt: a modal stop box owned by the main window, and Qt's
// own save dialog (the default suffix is applied before the overwrite prompt checks the name).

#include <QString>

#include "core/error_reporting.h"

class QWidget;

namespace core {

// A CP932 "text|pattern|...||" filter as Qt's name filters ("text (pattern)" joined by ";;").
QString QtNameFilters(std::string_view cp932Filter);

class QtUserDialogs final : public UserDialogs {
 public:
  // The owner is set once the main window exists; boxes shown before have no owner.
  void SetOwner(QWidget* owner) { owner_ = owner; }

  std::optional<std::string> AskSaveFileName(const SaveFileRequest& request) override;

 protected:
  void ShowStopBox(std::string_view caption, std::string_view text) override;

 private:
  QWidget* owner_ = nullptr;
};

}  // namespace core
