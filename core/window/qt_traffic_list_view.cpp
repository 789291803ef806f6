#include "core/window/qt_traffic_list_view.h"

#include <QByteArray>
#include <QItemSelectionModel>
#include <QListWidget>
#include <memory>
#include <utility>

#include "core/window/dialog_builder.h"
#include "core/window/parented.h"
#include "core/window/traffic_item_delegate.h"

namespace core {

namespace {

constexpr int kBytesRole = Qt::UserRole;

// Marks a change made by the program for as long as it runs.
class ProgramChange {
 public:
  explicit ProgramChange(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
  ~ProgramChange() { flag_ = previous_; }
  ProgramChange(const ProgramChange&) = delete;
  ProgramChange& operator=(const ProgramChange&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

}  // namespace

QtTrafficListView::QtTrafficListView(QListWidget& list)
    : list_(list), frame_([this] { ShowFrame(); }) {
  // Every row is drawn whole, never cut short with an ellipsis: the horizontal scroll bar
  // reaches the end of the widest line.
  list_.setTextElideMode(Qt::ElideNone);
  delegate_ = MakeChild<TrafficItemDelegate>(list_);
  list_.setItemDelegate(delegate_);
  connect(&list_, &QListWidget::itemSelectionChanged, this, &QtTrafficListView::OnSelectionChanged);
}

QtTrafficListView::~QtTrafficListView() {
  // The list outlives this view: leave it drawing.
  if (frame_.IsPending()) list_.setUpdatesEnabled(true);
}

void QtTrafficListView::ChangedThisFrame() {
  if (!frame_.IsPending()) list_.setUpdatesEnabled(false);
  frame_.Request();
}

void QtTrafficListView::ShowFrame() {
  // Enabling updates again repaints the whole list once.
  list_.setUpdatesEnabled(true);
  if (std::exchange(scrollPending_, false)) {
    if (QListWidgetItem* row = list_.currentItem()) list_.scrollToItem(row);
  }
}

void QtTrafficListView::AddLine(std::string_view text) {
  ProgramChange change(programChange_);
  ChangedThisFrame();
  // The selection is dropped while the newest line goes in and the oldest goes out, and is set
  // again by SelectLine. A selected row would make the list lay out all its rows on every
  // insertion and removal, and flip the scroll range back and forth, repainting the scroll
  // bars on every line.
  if (QItemSelectionModel* selection = list_.selectionModel()) selection->clearSelection();
  const QString shown = WidgetText(text);
  auto item = std::make_unique<QListWidgetItem>(shown);
  item->setData(kBytesRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
  item->setData(TrafficItemDelegate::kWidthRole, delegate_->WidthNote(shown, list_.font()));
  // The list takes ownership of the row.
  list_.addItem(item.release());
}

int QtTrafficListView::LineCount() const {
  return list_.count();
}

void QtTrafficListView::DeleteLine(int index) {
  ProgramChange change(programChange_);
  ChangedThisFrame();
  std::unique_ptr<QListWidgetItem> row(list_.takeItem(index));
}

void QtTrafficListView::DeleteAllLines() {
  ProgramChange change(programChange_);
  ChangedThisFrame();
  list_.clear();
}

void QtTrafficListView::SelectLine(int index) {
  ProgramChange change(programChange_);
  list_.setCurrentRow(index);
  // Scrolling lays out every row; it waits for the frame's end like the drawing.
  scrollPending_ = true;
  ChangedThisFrame();
}

std::string QtTrafficListView::LineText(int index) const {
  const QListWidgetItem* row = list_.item(index);
  if (row == nullptr) return {};
  const QByteArray bytes = row->data(kBytesRole).toByteArray();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::optional<int> QtTrafficListView::SelectedLine() const {
  const QList<QListWidgetItem*> selected = list_.selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  return list_.row(selected.front());
}

void QtTrafficListView::OnSelectionChanged() {
  if (programChange_ || !userSelection_) return;
  const std::optional<int> row = SelectedLine();
  if (row) userSelection_(*row);
}

}  // namespace core
