#include "core/window/field_exchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>

#include "core/window/dialog_builder.h"

namespace core {

void FieldExchange::BindText(int id, std::string& field) {
  bindings_.push_back({Kind::Text, id, 0, &field, nullptr, nullptr});
}

void FieldExchange::BindCheck(int id, bool& field) {
  bindings_.push_back({Kind::Check, id, 0, nullptr, &field, nullptr});
}

void FieldExchange::BindSelection(int id, int& field) {
  bindings_.push_back({Kind::Selection, id, 0, nullptr, nullptr, &field});
}

void FieldExchange::BindRadioPair(int firstId, int secondId, bool& firstChecked) {
  bindings_.push_back({Kind::RadioPair, firstId, secondId, nullptr, &firstChecked, nullptr});
}

namespace {

std::string TextOf(QWidget* widget) {
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return Cp932Text(edit->text());
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return Cp932Text(combo->currentText());
  return {};
}

void SetTextOf(QWidget* widget, const std::string& text) {
  const QString shown = WidgetText(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    // Setting the same text again would move the cursor and drop the user's undo history.
    if (edit->text() != shown) edit->setText(shown);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    if (combo->currentText() != shown) combo->setEditText(shown);
  }
}

bool IsChecked(QWidget* widget) {
  auto* button = qobject_cast<QAbstractButton*>(widget);
  return button != nullptr && button->isChecked();
}

void SetChecked(QWidget* widget, bool checked) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setChecked(checked);
}

}  // namespace

bool FieldExchange::Listed(const Binding& binding, std::span<const int> ids) {
  return std::find(ids.begin(), ids.end(), binding.id) != ids.end() ||
         (binding.kind == Kind::RadioPair &&
          std::find(ids.begin(), ids.end(), binding.secondId) != ids.end());
}

void FieldExchange::TakeIn(const BuiltDialog& dialog, const Binding& binding) {
  QWidget* control = dialog.Control(binding.id);
  switch (binding.kind) {
    case Kind::Text:
      *binding.text = TextOf(control);
      break;
    case Kind::Check:
      *binding.flag = IsChecked(control);
      break;
    case Kind::Selection:
      if (auto* combo = qobject_cast<QComboBox*>(control)) *binding.number = combo->currentIndex();
      break;
    case Kind::RadioPair:
      *binding.flag = IsChecked(control);
      break;
  }
}

void FieldExchange::PushOut(const BuiltDialog& dialog, const Binding& binding) {
  QWidget* control = dialog.Control(binding.id);
  switch (binding.kind) {
    case Kind::Text:
      SetTextOf(control, *binding.text);
      break;
    case Kind::Check:
      SetChecked(control, *binding.flag);
      break;
    case Kind::Selection:
      if (auto* combo = qobject_cast<QComboBox*>(control)) {
        const int position = *binding.number;
        combo->setCurrentIndex(position >= 0 && position < combo->count() ? position : -1);
      }
      break;
    case Kind::RadioPair:
      SetChecked(*binding.flag ? control : dialog.Control(binding.secondId), true);
      break;
  }
}

void FieldExchange::ControlsToFields(const BuiltDialog& dialog) const {
  for (const Binding& binding : bindings_) TakeIn(dialog, binding);
}

void FieldExchange::FieldsToControls(const BuiltDialog& dialog) const {
  for (const Binding& binding : bindings_) PushOut(dialog, binding);
}

void FieldExchange::ControlsToFields(const BuiltDialog& dialog, std::span<const int> ids) const {
  for (const Binding& binding : bindings_)
    if (Listed(binding, ids)) TakeIn(dialog, binding);
}

void FieldExchange::FieldsToControls(const BuiltDialog& dialog, std::span<const int> ids) const {
  for (const Binding& binding : bindings_)
    if (Listed(binding, ids)) PushOut(dialog, binding);
}

}  // namespace core
