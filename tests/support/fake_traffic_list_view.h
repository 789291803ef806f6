#pragma once
// A list control without a window: it keeps the lines and the selection as the real one would,
// counts the program's selections, and can run a test's code while a line is being added.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/traffic_list_view.h"

namespace testing_support {

class FakeTrafficListView : public core::TrafficListView {
 public:
  std::vector<std::string> lines;
  std::optional<int> selected;
  // How often the program selected a line.
  int programSelections = 0;
  // Runs inside AddLine, after the line has been added.
  std::function<void(std::string_view)> whileAdding;

  // What the user does: selects a line with the mouse.
  void UserSelects(int index) { selected = index; }

  void AddLine(std::string_view text) override {
    lines.emplace_back(text);
    if (whileAdding) whileAdding(text);
  }
  int LineCount() const override { return static_cast<int>(lines.size()); }
  void DeleteLine(int index) override {
    if (index < 0 || index >= LineCount()) return;
    lines.erase(lines.begin() + index);
    if (!selected) return;
    if (*selected == index) {
      selected.reset();
    } else if (*selected > index) {
      --*selected;
    }
  }
  void DeleteAllLines() override {
    lines.clear();
    selected.reset();
  }
  void SelectLine(int index) override {
    ++programSelections;
    if (index >= 0 && index < LineCount()) selected = index;
  }
  std::string LineText(int index) const override {
    if (index < 0 || index >= LineCount()) return {};
    return lines[static_cast<std::size_t>(index)];
  }
  std::optional<int> SelectedLine() const override { return selected; }
};

}  // namespace testing_support
