// The traffic list draws only the visible part of each row. What it shows must not differ from
// what the standard delegate draws of the whole line, wherever the list is scrolled.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QListWidget>
#include <QScrollBar>
#include <string>
#include <vector>

#include "core/notation.h"
#include "core/traffic_list.h"
#include "core/window/dialog_builder.h"
#include "core/window/qt_traffic_list_view.h"
#include "core/window/traffic_item_delegate.h"
#include "platform/cp932.h"

namespace {

TEST(TrafficItemDelegate, VisibleCharactersMeetThePixelRange) {
  const std::vector<int> advances{6, 12, 6, 6, 12};  // starts 0, 6, 18, 24, 30; end 42
  struct Case {
    int left, right;
    core::VisibleSpan want;
  } cases[] = {
      {0, 100, {0, 5, 0}},   // all of it
      {0, 6, {0, 1, 0}},     // the right edge at a character's start leaves it out
      {0, 7, {0, 2, 0}},     // one pixel of the double-width character shows
      {6, 18, {1, 2, 6}},    // exactly one character
      {5, 18, {0, 2, 0}},    // the last pixel of the first one shows
      {17, 19, {1, 3, 6}},   // cut on both sides
      {42, 60, {5, 5, 42}},  // past the end: nothing
      {41, 60, {4, 5, 30}},  // the last pixel of the last character
      {10, 10, {1, 1, 6}},   // an empty range
  };
  for (const Case& c : cases) {
    const core::VisibleSpan got = core::VisibleCharacters(advances, c.left, c.right);
    EXPECT_EQ(got.first, c.want.first) << c.left << ".." << c.right;
    EXPECT_EQ(got.last, c.want.last) << c.left << ".." << c.right;
    EXPECT_EQ(got.x, c.want.x) << c.left << ".." << c.right;
  }
  EXPECT_EQ(core::VisibleCharacters({}, 0, 10).last, 0);
}

// The display lines the tool makes: received random bytes in the bracket notation, printable
// text, both widths of character, a double-byte character cut by the 256-byte limit, a line
// with a control character (drawn the standard way), and short lines.
std::vector<std::string> SampleLines() {
  std::vector<std::string> lines;
  std::uint32_t x = 987;
  for (int n = 0; n < 6; ++n) {
    std::string bytes(200, '\0');
    for (char& b : bytes) {
      x = x * 1664525u + 1013904223u;
      b = static_cast<char>(x >> 24);
    }
    lines.push_back(
        core::BytesToNotation(bytes, false).substr(0, core::TrafficList::kDisplayBytes));
  }
  std::string text;
  for (int i = 0; i < 256; ++i) text.push_back(static_cast<char>(' ' + (i * 7) % 95));
  lines.push_back(text);
  std::string wide;
  while (wide.size() < 255) wide += platform::Cp932("受信ｶﾀｶﾅabc漢字");
  lines.push_back(wide.substr(0, 255));
  lines.push_back(std::string(255, 'A') + "\x88");
  lines.push_back("tab\there " + std::string(100, 'x'));
  lines.push_back(platform::Cp932("接続 127.0.0.1(5000)"));
  lines.push_back("short");
  return lines;
}

QImage Grab(QListWidget& list, int offset) {
  list.horizontalScrollBar()->setValue(offset);
  return list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void Prepare(QListWidget& list) {
  list.setSelectionMode(QAbstractItemView::SingleSelection);
  list.setFont(core::TrafficListFont());
  list.setGeometry(0, 0, 390, 200);
  list.show();
}

TEST(TrafficItemDelegate, DrawsWhatTheStandardDelegateDrawsAtEveryScrollOffset) {
  // The tool's list, fed as the tool feeds it.
  QListWidget tool;
  tool.setUniformItemSizes(true);
  Prepare(tool);
  core::QtTrafficListView view(tool);
  // The reference: the standard delegate drawing every line whole.
  QListWidget reference;
  reference.setUniformItemSizes(false);
  reference.setTextElideMode(Qt::ElideNone);
  Prepare(reference);

  const std::vector<std::string> lines = SampleLines();
  for (const std::string& line : lines) {
    view.AddLine(line);
    view.SelectLine(view.LineCount() - 1);
    reference.addItem(core::WidgetText(line));
    reference.setCurrentRow(reference.count() - 1);
    reference.scrollToItem(reference.item(reference.count() - 1));
  }
  QCoreApplication::processEvents();

  // The scroll bar reaches the end of the widest line, and no further.
  ASSERT_GT(reference.horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(tool.horizontalScrollBar()->maximum(), reference.horizontalScrollBar()->maximum());
  EXPECT_EQ(tool.verticalScrollBar()->value(), reference.verticalScrollBar()->value());

  const int end = reference.horizontalScrollBar()->maximum();
  for (int offset : {0, 1, 5, 6, 7, 13, 100, 391, 777, end / 2, end - 1, end}) {
    const QImage drawn = Grab(tool, offset);
    const QImage want = Grab(reference, offset);
    EXPECT_EQ(drawn, want) << "scrolled by " << offset;
  }
  // Scrolled up, the older rows are drawn right too.
  tool.verticalScrollBar()->setValue(0);
  reference.verticalScrollBar()->setValue(0);
  for (int offset : {0, 300}) EXPECT_EQ(Grab(tool, offset), Grab(reference, offset));

  // With the keyboard focus in the list, the current row's focus frame is drawn as well.
  for (int offset : {0, 300}) {
    tool.activateWindow();
    tool.setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(tool.hasFocus());
    const QImage drawn = Grab(tool, offset);
    reference.activateWindow();
    reference.setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(reference.hasFocus());
    const QImage want = Grab(reference, offset);
    EXPECT_EQ(drawn, want) << "focused, scrolled by " << offset;
  }

  // A larger font: the widths noted in the old one no longer count, and the scroll bar still
  // reaches the end of the widest line. (The rows are not compared here: the reference gives
  // each row its own height, and at this size the row with a substituted character is taller.)
  QFont larger = core::TrafficListFont();
  larger.setPixelSize(16);
  tool.setFont(larger);
  reference.setFont(larger);
  QCoreApplication::processEvents();
  EXPECT_GT(reference.horizontalScrollBar()->maximum(), end);
  EXPECT_EQ(tool.horizontalScrollBar()->maximum(), reference.horizontalScrollBar()->maximum());
}

}  // namespace
