#include "core/window/dialog_style.h"

#include <QApplication>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionComboBox>

#include "core/window/parented.h"

namespace core {

namespace {

// The frame of a drop-down list, and the space between the frame and a closed list's entry.
constexpr int kComboFramePixels = 2;
constexpr int kComboTextIndentPixels = 3;

class TemplateStyle final : public QProxyStyle {
 public:
  TemplateStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    switch (metric) {
      case PM_IndicatorWidth:
      case PM_IndicatorHeight:
      case PM_ExclusiveIndicatorWidth:
      case PM_ExclusiveIndicatorHeight:
        return kIndicatorPixels;
      case PM_CheckBoxLabelSpacing:
      case PM_RadioButtonLabelSpacing:
        return kIndicatorGapPixels;
      default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
  }

  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                       SubControl subControl, const QWidget* widget) const override {
    const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(option);
    if (control != CC_ComboBox || combo == nullptr ||
        (subControl != SC_ComboBoxArrow && subControl != SC_ComboBoxEditField)) {
      return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
    const QRect whole = option->rect;
    const int arrowLeft = whole.width() - kComboFramePixels - kComboArrowPixels;
    QRect rect;
    if (subControl == SC_ComboBoxArrow) {
      rect = QRect(arrowLeft, 0, kComboArrowPixels, whole.height());
    } else {
      // An editable list's line edit has its own margins; a closed list draws its entry itself.
      const int left = combo->editable ? kComboFramePixels : kComboTextIndentPixels;
      rect =
          QRect(left, kComboFramePixels, arrowLeft - left, whole.height() - 2 * kComboFramePixels);
    }
    return visualRect(option->direction, whole, rect.translated(whole.topLeft()));
  }
};

}  // namespace

QStyle& DialogStyle() {
  static QPointer<QStyle> style;
  if (style.isNull()) style = MakeChild<TemplateStyle>(*QCoreApplication::instance());
  return *style;
}

}  // namespace core
