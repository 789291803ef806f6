#include "core/window/dialog_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QWidget>

#include "core/window/dialog_style.h"
#include "core/window/parented.h"
#include "core/window/tool_icon.h"
#include "platform/cp932.h"

namespace core {

namespace {

const char* const kDialogFace = "ＭＳ Ｐゴシック";
const char* const kListFace = "ＭＳ 明朝";
constexpr int kDialogFontPixels = 11;
constexpr int kListFontPixels = 12;
// A drop-down list's height in the template is the height of its open list; the closed box is
// as tall as an edit box.
constexpr int kComboBoxUnits = 14;

QWidget* MakeWidget(const ControlTemplate& control, QWidget& parent) {
  const QString text = WidgetText(control.text);
  switch (control.kind) {
    case ControlKind::PushButton: {
      auto* button = MakeChild<QPushButton>(parent, text);
      // No button is a default button, so Enter never presses one.
      button->setAutoDefault(false);
      button->setDefault(false);
      return button;
    }
    case ControlKind::CheckBox:
      return MakeChild<QCheckBox>(parent, text);
    case ControlKind::CheckBoxTextLeft: {
      auto* box = MakeChild<QCheckBox>(parent, text);
      box->setLayoutDirection(Qt::RightToLeft);
      return box;
    }
    case ControlKind::Indicator: {
      auto* box = MakeChild<QCheckBox>(parent, text);
      box->setLayoutDirection(Qt::RightToLeft);
      box->setFocusPolicy(Qt::NoFocus);
      return box;
    }
    case ControlKind::RadioButton:
      return MakeChild<QRadioButton>(parent, text);
    case ControlKind::Edit:
      return MakeChild<QLineEdit>(parent, text);
    case ControlKind::EditDigits: {
      auto* edit = MakeChild<QLineEdit>(parent, text);
      // Only typing is limited: a text set by the program is shown as it is.
      edit->setValidator(MakeChild<QRegularExpressionValidator>(
          *edit, QRegularExpression(QStringLiteral("[0-9]*"))));
      return edit;
    }
    case ControlKind::ComboEditable:
    case ControlKind::ComboList: {
      auto* combo = MakeChild<QComboBox>(parent);
      combo->setEditable(control.kind == ControlKind::ComboEditable);
      combo->setInsertPolicy(QComboBox::NoInsert);
      for (const std::string& entry : control.entries) combo->addItem(WidgetText(entry));
      combo->setMaxVisibleItems(static_cast<int>(control.entries.size()));
      return combo;
    }
    case ControlKind::ListBox: {
      auto* list = MakeChild<QListWidget>(parent);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setSortingEnabled(false);
      list->setUniformItemSizes(true);
      list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
      return list;
    }
    case ControlKind::Label: {
      auto* label = MakeChild<QLabel>(parent, text);
      label->setTextFormat(Qt::PlainText);
      label->setAttribute(Qt::WA_TransparentForMouseEvents);
      return label;
    }
    case ControlKind::GroupBox: {
      // A drawn frame over the controls it surrounds: it must not take their clicks.
      auto* group = MakeChild<QGroupBox>(parent, text);
      group->setAttribute(Qt::WA_TransparentForMouseEvents);
      group->setFocusPolicy(Qt::NoFocus);
      return group;
    }
    case ControlKind::Icon: {
      auto* label = MakeChild<QLabel>(parent);
      label->setPixmap(ToolIcon().pixmap(32, 32));
      return label;
    }
  }
  return nullptr;
}

}  // namespace

void InstallFontSubstitutions() {
  QFont::insertSubstitution(WidgetText(platform::Cp932(kDialogFace)), QStringLiteral("IPAPGothic"));
  QFont::insertSubstitution(WidgetText(platform::Cp932(kListFace)), QStringLiteral("IPAMincho"));
  QFont::insertSubstitution(WidgetText(platform::Cp932("ＭＳ ゴシック")),
                            QStringLiteral("IPAGothic"));
}

namespace {

// The template's face first; where it is not installed, the face that stands in for it.
QFont FontWithStandIn(const char* face, const char* standIn) {
  InstallFontSubstitutions();
  QFont font;
  font.setFamilies({WidgetText(platform::Cp932(face)), QString::fromLatin1(standIn)});
  return font;
}

}  // namespace

QFont DialogFont() {
  QFont font = FontWithStandIn(kDialogFace, "IPAPGothic");
  font.setPixelSize(kDialogFontPixels);
  return font;
}

BaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {MulDiv(letters, 1, 52), metrics.height()};
}

BaseUnits DialogBaseUnits() {
  return BaseUnitsOf(DialogFont());
}

QFont TrafficListFont() {
  QFont font = FontWithStandIn(kListFace, "IPAMincho");
  font.setPixelSize(kListFontPixels);
  // Keeps the cells of the glyphs at whole pixels, so that a full-width character is exactly
  // two half-width ones wide.
  font.setHintingPreference(QFont::PreferFullHinting);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

QString WidgetText(std::string_view cp932) {
  return QString::fromUtf8(platform::Cp932ToUtf8(cp932));
}

std::string Cp932Text(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return platform::Utf8ToCp932(std::string_view(utf8.constData(), utf8.size()));
}

void BuiltDialog::Build(const DialogTemplate& dialog, QWidget& parent) {
  const QFont font = DialogFont();
  parent.setFont(font);
  units_ = BaseUnitsOf(font);
  clientWidth_ = HorizontalUnitsToPixels(dialog.width, units_);
  clientHeight_ = VerticalUnitsToPixels(dialog.height, units_);
  parent.resize(clientWidth_, clientHeight_);
  QWidget* previousTabStop = nullptr;
  for (const ControlTemplate& control : dialog.controls) {
    QWidget* widget = MakeWidget(control, parent);
    widget->setStyle(&DialogStyle());
    DialogUnits place = control.place;
    const bool isCombo =
        control.kind == ControlKind::ComboEditable || control.kind == ControlKind::ComboList;
    if (isCombo) place.height = kComboBoxUnits;
    const PixelRect rect = DialogUnitsToPixels(place, units_);
    widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
    if (control.id != 0) {
      widget->setObjectName(QStringLiteral("control%1").arg(control.id));
      byId_[control.id] = widget;
    }
    children_.push_back(widget);
    if (widget->focusPolicy() != Qt::NoFocus && control.kind != ControlKind::Label &&
        control.kind != ControlKind::Icon) {
      if (previousTabStop != nullptr) QWidget::setTabOrder(previousTabStop, widget);
      previousTabStop = widget;
    }
  }
}

QWidget* BuiltDialog::Control(int id) const {
  const auto found = byId_.find(id);
  return found == byId_.end() ? nullptr : found->second;
}

}  // namespace core

namespace core {

int BuiltDialog::IdOf(const QWidget* control) const {
  for (const auto& [id, widget] : byId_) {
    if (widget == control) return id;
  }
  return 0;
}

}  // namespace core
