#pragma once
// The traffic list's view on the list widget (control 1014). Each row keeps the CP932 bytes it
// was given, so reading a line back gives exactly those bytes, even where the display cut split a
// double-byte character. Only a selection made by the user is reported; the program's own
// selection of the newest line, and the moves a deletion causes, are not.
//
// Every change reaches the rows at once (what the list holds and which line is selected can be
// read back straight away), but the list is drawn, laid out and scrolled at most once per
// display frame: a flood of lines costs one paint per frame, not one per line.

#include <QObject>
#include <functional>

#include "core/traffic_list_view.h"
#include "core/window/frame_pacer.h"

class QListWidget;

namespace core {

class TrafficItemDelegate;

class QtTrafficListView final : public QObject, public TrafficListView {
  Q_OBJECT

 public:
  explicit QtTrafficListView(QListWidget& list);
  ~QtTrafficListView() override;

  void AddLine(std::string_view text) override;
  int LineCount() const override;
  void DeleteLine(int index) override;
  void DeleteAllLines() override;
  void SelectLine(int index) override;
  std::string LineText(int index) const override;
  std::optional<int> SelectedLine() const override;

  // Runs with the row the user selected.
  void SetUserSelectionHandler(std::function<void(int)> handler) {
    userSelection_ = std::move(handler);
  }

 private:
  void OnSelectionChanged();
  // Holds the list's drawing back until the frame ends.
  void ChangedThisFrame();
  // The frame's end: the list draws again, with the selected line scrolled into view.
  void ShowFrame();

  QListWidget& list_;
  // Owned by the list.
  TrafficItemDelegate* delegate_ = nullptr;
  std::function<void(int)> userSelection_;
  bool programChange_ = false;
  bool scrollPending_ = false;
  FramePacer frame_;
};

}  // namespace core
