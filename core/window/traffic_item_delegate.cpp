#include "core/window/traffic_item_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QTextLine>
#include <algorithm>

namespace core {

namespace {

// Enough shaped pieces for every row of a tall list, twice over (the rows of the last repaint
// and of this one).
constexpr int kCachedLayouts = 512;

// Characters whose drawing depends on their neighbours or on the layout, not on their advance
// alone.
bool IsComplex(char16_t code) {
  const QChar c(code);
  if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return true;
  if (c.isSurrogate() || c.isMark()) return true;
  switch (c.direction()) {
    case QChar::DirR:
    case QChar::DirAL:
    case QChar::DirRLE:
    case QChar::DirRLO:
    case QChar::DirRLI:
    case QChar::DirLRE:
    case QChar::DirLRO:
    case QChar::DirLRI:
    case QChar::DirFSI:
    case QChar::DirPDF:
    case QChar::DirPDI:
    case QChar::DirAN:
      return true;
    default:
      return false;
  }
}

}  // namespace

VisibleSpan VisibleCharacters(std::span<const int> advances, int left, int right) {
  VisibleSpan span;
  const int count = static_cast<int>(advances.size());
  int x = 0;
  int i = 0;
  // Characters that end at or before the left edge are skipped.
  while (i < count && x + advances[i] <= left) x += advances[i++];
  span.first = i;
  span.x = x;
  // Characters that start before the right edge are drawn.
  while (i < count && x < right && left < right) x += advances[i++];
  span.last = std::max(i, span.first);
  return span;
}

void AdvanceTable::UseFont(const QFont& font) {
  if (measured_ && font == font_) return;
  font_ = font;
  measured_ = true;
  advances_.assign(0x10000, kUnmeasured);
}

int AdvanceTable::AdvanceOf(char16_t code) {
  int& advance = advances_[code];
  if (advance == kUnmeasured) {
    advance = IsComplex(code) ? kComplex : QFontMetrics(font_).horizontalAdvance(QChar(code));
  }
  return advance;
}

bool AdvanceTable::Measure(const QString& text, std::vector<int>& advances) {
  advances.resize(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const int advance = AdvanceOf(text[i].unicode());
    if (advance == kComplex) return false;
    advances[static_cast<std::size_t>(i)] = advance;
  }
  return true;
}

TrafficItemDelegate::TrafficItemDelegate(QObject* parent)
    : QStyledItemDelegate(parent), layouts_(kCachedLayouts) {}

const QTextLayout& TrafficItemDelegate::Layout(const QString& text, const QFont& font) const {
  if (font != layoutFont_) {
    layouts_.clear();
    layoutFont_ = font;
  }
  if (const QTextLayout* cached = layouts_.object(text)) return *cached;
  auto layout = std::make_unique<QTextLayout>(text, font);
  layout->setCacheEnabled(true);
  layout->beginLayout();
  QTextLine line = layout->createLine();
  line.setPosition(QPointF(0, 0));
  layout->endLayout();
  QTextLayout& kept = *layout;
  // The cache takes ownership of the layout.
  layouts_.insert(text, layout.release());
  return kept;
}

void TrafficItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  table_.UseFont(opt.font);
  if (opt.text.isEmpty() || !table_.Measure(opt.text, advances_)) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();

  // The background and the selection as the style draws them; the text and then the focus
  // frame over it, in the style's order.
  QStyleOptionViewItem panel = opt;
  panel.text.clear();
  panel.features &= ~QStyleOptionViewItem::HasDisplay;
  panel.state &= ~QStyle::State_HasFocus;
  style->drawControl(QStyle::CE_ItemViewItem, &panel, painter, widget);
  DrawVisibleText(painter, opt, *style);
  if (opt.state & QStyle::State_HasFocus) DrawFocusFrame(painter, opt, *style);
}

void TrafficItemDelegate::DrawVisibleText(QPainter* painter, const QStyleOptionViewItem& opt,
                                          const QStyle& style) const {
  const QWidget* widget = opt.widget;
  // The part of the text inside both the row's text area and the viewport.
  const int margin = style.pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  const int textLeft = opt.rect.left() + margin;
  int visibleLeft = opt.rect.left() + margin;
  int visibleRight = opt.rect.right() + 1 - margin;
  if (const auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
    visibleLeft = std::max(visibleLeft, 0);
    visibleRight = std::min(visibleRight, view->viewport()->width());
  }
  if (painter->hasClipping()) {
    const QRect clip = painter->clipBoundingRect().toAlignedRect();
    visibleLeft = std::max(visibleLeft, clip.left());
    visibleRight = std::min(visibleRight, clip.right() + 1);
  }
  if (visibleRight <= visibleLeft) return;
  const VisibleSpan span =
      VisibleCharacters(advances_, visibleLeft - textLeft, visibleRight - textLeft);
  if (span.last <= span.first) return;

  QPalette::ColorGroup group =
      (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
  if (group == QPalette::Normal && !(opt.state & QStyle::State_Active)) group = QPalette::Inactive;
  const QPalette::ColorRole role =
      (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text;

  const QTextLayout& layout = Layout(opt.text.mid(span.first, span.last - span.first), opt.font);
  const qreal height = layout.lineAt(0).height();
  const QPointF at(textLeft + span.x, opt.rect.top() + (opt.rect.height() - height) / 2);
  painter->save();
  painter->setPen(opt.palette.color(group, role));
  layout.draw(painter, at);
  painter->restore();
}

void TrafficItemDelegate::DrawFocusFrame(QPainter* painter, const QStyleOptionViewItem& opt,
                                         const QStyle& style) const {
  // Only the current row of a focused list has one; the style places it by the whole text.
  QStyleOptionFocusRect frame;
  frame.QStyleOption::operator=(opt);
  frame.rect = style.subElementRect(QStyle::SE_ItemViewItemFocusRect, &opt, opt.widget);
  frame.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
  const QPalette::ColorGroup group =
      (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
  frame.backgroundColor = opt.palette.color(
      group, (opt.state & QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
  style.drawPrimitive(QStyle::PE_FrameFocusRect, &frame, painter, opt.widget);
}

qint64 TrafficItemDelegate::FontSerial(const QFont& font) const {
  if (fontSerial_ == 0 || font != serialFont_) {
    serialFont_ = font;
    ++fontSerial_;
  }
  return fontSerial_;
}

QVariant TrafficItemDelegate::WidthNote(const QString& text, const QFont& font) const {
  return QVariant::fromValue((FontSerial(font) << 32) | TextWidth(font, text));
}

int TrafficItemDelegate::TextWidth(const QFont& font, const QString& text) const {
  table_.UseFont(font);
  if (!table_.Measure(text, advances_)) return QFontMetrics(font).horizontalAdvance(text);
  int width = 0;
  for (int advance : advances_) width += advance;
  return width;
}

QSize TrafficItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QWidget* widget = opt.widget;
  QStyle* style = widget ? widget->style() : QApplication::style();
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  int widest = 0;
  const qint64 serial = FontSerial(opt.font);
  if (const QAbstractItemModel* model = index.model()) {
    for (int row = 0; row < model->rowCount(index.parent()); ++row) {
      const QModelIndex at = model->index(row, index.column(), index.parent());
      const QVariant note = at.data(kWidthRole);
      const qint64 noted = note.isValid() ? note.toLongLong() : 0;
      const int width = (noted >> 32) == serial
                            ? static_cast<int>(noted & 0xFFFFFFFF)
                            : TextWidth(opt.font, at.data(Qt::DisplayRole).toString());
      widest = std::max(widest, width);
    }
  }
  // One line's height as the style measures it, from a short sample of both widths of
  // character.
  opt.text = QStringLiteral("0\u3042");
  const QSize sample = style->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), widget);
  return QSize(widest + 2 * margin, sample.height());
}

}  // namespace core
