#pragma once
// Builds a dialog's widgets from its template: every control is a direct child of the dialog
// (group boxes are drawn frames, not parents), placed in pixels, created in template order so
// that the window order and the tab order are the template's.

#include <QFont>
#include <QString>
#include <map>
#include <string_view>
#include <vector>

#include "core/window/dialog_template.h"
#include "core/window/dialog_units.h"

class QWidget;

namespace core {

// The dialog font: "ＭＳ Ｐゴシック" (a proportional Japanese gothic) at 11 pixels, the size at
// which its height is the original's 12 pixels and every text of the templates shows whole.
QFont DialogFont();
// The base units of a dialog font, as the original platform computes them: horizontally the
// average advance of the 52 letters A-Z a-z, rounded to the nearest pixel; vertically the font's
// height.
BaseUnits BaseUnitsOf(const QFont& font);
// The base units of DialogFont(), which every template is laid out in.
BaseUnits DialogBaseUnits();
// The traffic list font: "ＭＳ 明朝" (full-width characters exactly twice the half-width ones)
// at 12 pixels, so that the padded columns of the traffic lines stand one under another.
QFont TrafficListFont();
// Maps the face names of the templates onto installed faces; idempotent.
void InstallFontSubstitutions();

// A CP932 text as the widgets take it.
QString WidgetText(std::string_view cp932);
// A widget's text back in CP932 (a character CP932 cannot hold becomes "?").
std::string Cp932Text(const QString& text);

class BuiltDialog {
 public:
  // Creates the controls of `dialog` on `parent` and gives `parent` the dialog's size and font.
  void Build(const DialogTemplate& dialog, QWidget& parent);

  // The control of a dialog id, or nullptr.
  QWidget* Control(int id) const;
  // The dialog id of a control, 0 for labels and group boxes.
  int IdOf(const QWidget* control) const;
  // Every control in window order, labels and group boxes included.
  const std::vector<QWidget*>& Children() const { return children_; }
  // The client size the template asks for, in pixels.
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  // The base units the dialog was laid out in.
  BaseUnits Units() const { return units_; }

 private:
  std::map<int, QWidget*> byId_;
  std::vector<QWidget*> children_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  BaseUnits units_;
};

}  // namespace core
