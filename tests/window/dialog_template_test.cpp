// Dialog units to pixels with the base units of the dialog font, and the templates built into
// real widgets.

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QListWidget>
#include <QWidget>
#include <set>

#include "core/window/dialog_builder.h"
#include "core/window/dialog_template.h"
#include "platform/cp932.h"
#include "serial/serial_tool.h"
#include "tcpip/tcpip_tool.h"

namespace {

TEST(DialogUnits, ConvertEachCornerWithRounding) {
  EXPECT_EQ(core::MulDiv(3, 6, 4), 5);  // 4.5 rounds up
  EXPECT_EQ(core::MulDiv(-3, 6, 4), -5);
  const core::BaseUnits units{7, 12};
  EXPECT_EQ(core::HorizontalUnitsToPixels(265, units), 464);
  EXPECT_EQ(core::VerticalUnitsToPixels(261, units), 392);
  const core::PixelRect list = core::DialogUnitsToPixels({3, 107, 258, 151}, units);
  EXPECT_EQ(list.x, 5);
  EXPECT_EQ(list.y, 161);
  // 3 units start at 5.25 px and 261 end at 456.75 px: each corner rounds on its own.
  EXPECT_EQ(list.width, 452);
  EXPECT_EQ(list.height, 226);
}

// Horizontally the rounded average advance of A-Z a-z, vertically the font's height.
TEST(DialogUnits, BaseUnitsComeFromTheDialogFont) {
  struct Case {
    int pixels;
    core::BaseUnits units;
  };
  for (const Case& c :
       {Case{10, {6, 11}}, Case{11, {7, 12}}, Case{12, {7, 13}}, Case{13, {8, 14}}}) {
    QFont font = core::DialogFont();
    font.setPixelSize(c.pixels);
    const QFontMetrics metrics(font);
    EXPECT_EQ(core::BaseUnitsOf(font), c.units) << c.pixels << " px";
    EXPECT_EQ(core::BaseUnitsOf(font).y, metrics.height());
  }
  // 11 px: the letters advance 338 px in all, 6.5 px on average, which rounds up.
  EXPECT_EQ(core::DialogFont().pixelSize(), 11);
  EXPECT_EQ(core::DialogBaseUnits(), (core::BaseUnits{7, 12}));
}

// The list fills the designed window less the margins that resizing keeps, in the units in force.
TEST(DialogUnits, TheTrafficListFitsTheResizeRule) {
  struct Case {
    const core::DialogTemplate* dialog;
    QSize margins;
  };
  const core::BaseUnits units = core::DialogBaseUnits();
  for (const Case& c : {Case{&tcpip::TcpIpMainDialog(), QSize(12, 166)},
                        Case{&serial::SerialMainDialog(), QSize(12, 203)}}) {
    const int clientWidth = core::HorizontalUnitsToPixels(c.dialog->width, units);
    const int clientHeight = core::VerticalUnitsToPixels(c.dialog->height, units);
    for (const core::ControlTemplate& control : c.dialog->controls) {
      if (control.id != core::ids::kTrafficList) continue;
      const core::PixelRect rect = core::DialogUnitsToPixels(control.place, units);
      EXPECT_EQ(rect.width, clientWidth - c.margins.width());
      EXPECT_EQ(rect.height, clientHeight - c.margins.height());
    }
  }
}

TEST(DialogTemplates, IdsAreUniqueAndTheCommonControlsExistInBoth) {
  for (const core::DialogTemplate* dialog :
       {&tcpip::TcpIpMainDialog(), &serial::SerialMainDialog()}) {
    std::set<int> seen;
    for (const core::ControlTemplate& control : dialog->controls) {
      if (control.id != 0) {
        EXPECT_TRUE(seen.insert(control.id).second) << control.id;
      }
    }
    for (int id : {1000, 1001, 1004, 1005, 1006, 1007, 1008, 1009, 1014, 1017, 1019}) {
      EXPECT_TRUE(seen.count(id)) << id;
    }
  }
}

TEST(DialogBuilder, BuildsDirectChildrenInTemplateOrder) {
  QWidget parent;
  core::BuiltDialog built;
  built.Build(serial::SerialMainDialog(), parent);
  EXPECT_EQ(parent.size(), QSize(464, 392));
  ASSERT_EQ(built.Children().size(), serial::SerialMainDialog().controls.size());
  for (QWidget* child : built.Children()) EXPECT_EQ(child->parentWidget(), &parent);
  EXPECT_EQ(built.Control(core::ids::kTrafficList)->geometry(), QRect(5, 198, 452, 189));
  EXPECT_EQ(built.IdOf(built.Control(serial::ids::kParity)), serial::ids::kParity);
  // The tab order starts with the port settings.
  QWidget* next = built.Control(serial::ids::kPortName);
  for (int id : {serial::ids::kBaudRate, serial::ids::kByteSize, serial::ids::kParity,
                 serial::ids::kStopBits, serial::ids::kParityChar, serial::ids::kXonXoff,
                 serial::ids::kDtr, serial::ids::kRts, core::ids::kSendBox}) {
    next = next->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus || built.IdOf(next) == 0)
      next = next->nextInFocusChain();
    EXPECT_EQ(built.IdOf(next), id);
  }
}

TEST(Fonts, TheListFontHasFullWidthExactlyTwiceHalfWidth) {
  const QFontMetrics metrics(core::TrafficListFont());
  EXPECT_EQ(QFontInfo(core::TrafficListFont()).family(), QStringLiteral("IPAMincho"));
  EXPECT_EQ(QFontInfo(core::DialogFont()).family(), QStringLiteral("IPAPGothic"));
  const int half = metrics.horizontalAdvance(QStringLiteral("A"));
  EXPECT_EQ(metrics.horizontalAdvance(QString::fromUtf8("受")), 2 * half);
  EXPECT_EQ(metrics.horizontalAdvance(QString::fromUtf8("送->")), 4 * half);
  EXPECT_EQ(core::TrafficListFont().pixelSize(), 12);
}

}  // namespace
