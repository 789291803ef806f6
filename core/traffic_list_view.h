#pragma once
// The list control that shows the traffic lines: the few operations the traffic list needs of it.
// The window implements it on its list widget; lines are CP932 texts, indexes count from 0 at the
// top (oldest) line.

#include <optional>
#include <string>
#include <string_view>

namespace core {

class TrafficListView {
 public:
  virtual ~TrafficListView() = default;

  // Adds a line below the last one.
  virtual void AddLine(std::string_view text) = 0;
  virtual int LineCount() const = 0;
  virtual void DeleteLine(int index) = 0;
  virtual void DeleteAllLines() = 0;
  // Selects a line and scrolls it into view. This is the program's selection: it must not be
  // reported as a selection change made by the user.
  virtual void SelectLine(int index) = 0;
  virtual std::string LineText(int index) const = 0;
  // The selected line, if any.
  virtual std::optional<int> SelectedLine() const = 0;
};

}  // namespace core
