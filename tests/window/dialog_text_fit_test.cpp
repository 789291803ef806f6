// Every text of the main window of both tools and of the about box shows whole: measured in the
// control's own font with Qt's metrics, the text plus whatever the control draws beside it (the
// box of a check box or radio button and its gap, the arrow and frame of a drop-down list, the
// frame of a button) fits inside the rectangle the template gives the control.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QWidget>
#include <algorithm>
#include <optional>
#include <string>

#include "core/tool_identity.h"
#include "core/window/dialog_builder.h"
#include "core/window/dialog_template.h"
#include "serial/serial_tool.h"
#include "tcpip/tcpip_tool.h"

namespace {

// What one control needs and what its rectangle gives, in pixels.
struct TextFit {
  std::string text;  // UTF-8, for the messages
  int neededWidth = 0;
  int width = 0;
  int neededHeight = 0;
  int height = 0;
};

int Advance(const QWidget& widget, const QString& text) {
  return widget.fontMetrics().horizontalAdvance(text);
}

// A check box or radio button: the indicator, the gap, then the text (on either side of the box).
TextFit MeasureButtonWithIndicator(const QAbstractButton& button, bool radio) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  const QStyle& style = *button.style();
  const int indicator = style.pixelMetric(
      radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, &option, &button);
  const int indicatorHeight = style.pixelMetric(
      radio ? QStyle::PM_ExclusiveIndicatorHeight : QStyle::PM_IndicatorHeight, &option, &button);
  const int gap = style.pixelMetric(
      radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, &option,
      &button);
  // The style's own text rectangle must agree: that is where the text is drawn and clipped.
  const QRect contents = style.subElementRect(
      radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, &button);
  const int advance = Advance(button, button.text());
  return {button.text().toStdString(),
          std::max(advance + indicator + gap, button.width() - contents.width() + advance),
          button.width(), std::max(button.fontMetrics().height(), indicatorHeight),
          button.height()};
}

TextFit MeasurePushButton(const QPushButton& button) {
  QStyleOptionButton option;
  option.initFrom(&button);
  option.text = button.text();
  const QRect contents =
      button.style()->subElementRect(QStyle::SE_PushButtonContents, &option, &button);
  return {button.text().toStdString(),
          button.width() - contents.width() + Advance(button, button.text()), button.width(),
          button.height() - contents.height() + button.fontMetrics().height(), button.height()};
}

// A drop-down list: its widest entry in the edit field, beside the arrow, inside the frame. The
// closed list draws its entry one pixel in from each side of the field.
TextFit MeasureComboBox(const QComboBox& combo) {
  QStyleOptionComboBox option;
  option.initFrom(&combo);
  option.editable = combo.isEditable();
  option.frame = combo.hasFrame();
  option.subControls = QStyle::SC_All;
  const QRect field = combo.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, &combo);
  int widest = 0;
  QString widestEntry;
  for (int i = 0; i < combo.count(); ++i) {
    const int advance = Advance(combo, combo.itemText(i));
    if (advance > widest) {
      widest = advance;
      widestEntry = combo.itemText(i);
    }
  }
  constexpr int kLabelInset = 2;
  return {widestEntry.toStdString(), combo.width() - field.width() + widest + kLabelInset,
          combo.width(), combo.height() - field.height() + combo.fontMetrics().height(),
          combo.height()};
}

TextFit MeasureLabel(const QLabel& label) {
  const QRect contents = label.contentsRect();
  return {label.text().toStdString(),
          label.width() - contents.width() + Advance(label, label.text()), label.width(),
          label.height() - contents.height() + label.fontMetrics().height(), label.height()};
}

// A group box's title stands on its top frame line, indented by the style.
TextFit MeasureGroupBox(const QGroupBox& group) {
  QStyleOptionGroupBox option;
  option.initFrom(&group);
  option.text = group.title();
  option.textAlignment = group.alignment();
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  option.lineWidth = 1;
  const QRect title =
      group.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &group);
  return {group.title().toStdString(), title.right() + 1, group.width(),
          group.fontMetrics().height(), group.height()};
}

// The measure of a control that shows a text, nothing for the others (edit boxes, lists, icons).
std::optional<TextFit> Measure(const QWidget& control) {
  if (auto* radio = qobject_cast<const QRadioButton*>(&control)) {
    return MeasureButtonWithIndicator(*radio, true);
  }
  if (auto* check = qobject_cast<const QCheckBox*>(&control)) {
    return MeasureButtonWithIndicator(*check, false);
  }
  if (auto* button = qobject_cast<const QPushButton*>(&control)) return MeasurePushButton(*button);
  if (auto* combo = qobject_cast<const QComboBox*>(&control)) return MeasureComboBox(*combo);
  if (auto* group = qobject_cast<const QGroupBox*>(&control)) return MeasureGroupBox(*group);
  if (auto* label = qobject_cast<const QLabel*>(&control)) {
    if (label->text().isEmpty()) return std::nullopt;
    return MeasureLabel(*label);
  }
  return std::nullopt;
}

struct DialogCase {
  const char* name;
  core::DialogTemplate dialog;
  std::size_t textControls;  // so that no control slips through unmeasured
};

class DialogTextFit : public testing::TestWithParam<DialogCase> {};

TEST_P(DialogTextFit, EveryTextFitsItsControl) {
  QWidget parent;
  core::BuiltDialog built;
  built.Build(GetParam().dialog, parent);
  std::size_t measured = 0;
  for (QWidget* control : built.Children()) {
    const std::optional<TextFit> fit = Measure(*control);
    if (!fit) continue;
    ++measured;
    // The spare pixels of every text, for the record of a run.
    RecordProperty(fit->text, fit->width - fit->neededWidth);
    EXPECT_LE(fit->neededWidth, fit->width) << '"' << fit->text << "\" needs " << fit->neededWidth
                                            << " px, its control is " << fit->width << " wide";
    EXPECT_LE(fit->neededHeight, fit->height)
        << '"' << fit->text << "\" needs " << fit->neededHeight << " px, its control is "
        << fit->height << " high";
  }
  EXPECT_EQ(measured, GetParam().textControls);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindowsAndAboutBox, DialogTextFit,
    testing::Values(DialogCase{"TcpIpMain", tcpip::TcpIpMainDialog(), 17},
                    DialogCase{"SerialMain", serial::SerialMainDialog(), 32},
                    DialogCase{"About", core::AboutDialog(core::kTcpIpTool.programName), 2}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
