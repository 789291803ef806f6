#pragma once
// Draws the rows of the traffic list. A row holds up to 256 bytes of text, far wider than the
// list, and the list repaints after every received block: shaping every row's whole text on each
// repaint costs more than receiving the data. This delegate draws only the characters that fall
// inside the visible part of the viewport, keeps their shaped layout for the next repaint, and
// leaves the row's background, selection and focus to the style as before. Rows whose text the
// per-character advances cannot place exactly (control characters, combining marks, surrogates,
// right-to-left text) are drawn by the standard delegate.

#include <QCache>
#include <QFont>
#include <QString>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <span>
#include <vector>

namespace core {

// The characters of a line that meet a pixel range, and where the first of them starts.
struct VisibleSpan {
  int first = 0;  // index of the first character drawn
  int last = 0;   // one past the last character drawn
  int x = 0;      // pixels from the start of the text to the start of `first`
};

// Given each character's advance, the characters that overlap the pixel range [left, right)
// measured from the start of the text. Characters cut by either edge are included.
VisibleSpan VisibleCharacters(std::span<const int> advances, int left, int right);

// The advance of each UTF-16 character in one font, looked up once per character.
class AdvanceTable {
 public:
  // Forgets what was measured when the font differs from the one measured so far.
  void UseFont(const QFont& font);
  // Fills `advances` with the advance of each character of `text`; false when the text holds a
  // character whose place depends on its neighbours, so that advances cannot place it.
  bool Measure(const QString& text, std::vector<int>& advances);

 private:
  static constexpr int kUnmeasured = -1;
  static constexpr int kComplex = -2;
  int AdvanceOf(char16_t code);

  QFont font_;
  bool measured_ = false;
  std::vector<int> advances_;
};

class TrafficItemDelegate final : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit TrafficItemDelegate(QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  // Every row is as wide as the widest line in the list, so that the horizontal scroll bar
  // reaches the end of each of them, and as tall as one line of the font.
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The role where a row may keep its text's width, noted when it was added (WidthNote), so
  // that the widest line is found without measuring every row on every layout.
  static constexpr int kWidthRole = Qt::UserRole + 1;
  // The width of `text` in `font`, tagged with the font it was measured in: a note taken before
  // the list's font changed is not used.
  QVariant WidthNote(const QString& text, const QFont& font) const;

 private:
  void DrawVisibleText(QPainter* painter, const QStyleOptionViewItem& opt,
                       const QStyle& style) const;
  void DrawFocusFrame(QPainter* painter, const QStyleOptionViewItem& opt,
                      const QStyle& style) const;
  int TextWidth(const QFont& font, const QString& text) const;
  qint64 FontSerial(const QFont& font) const;
  const QTextLayout& Layout(const QString& text, const QFont& font) const;

  // Painting is const to Qt; the measurements and shaped layouts are caches.
  mutable AdvanceTable table_;
  // Counts the fonts measured in, to tell a width note's font.
  mutable qint64 fontSerial_ = 0;
  mutable QFont serialFont_;
  mutable std::vector<int> advances_;
  mutable QCache<QString, QTextLayout> layouts_;
  mutable QFont layoutFont_;
};

}  // namespace core
