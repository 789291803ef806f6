#pragma once
// The traffic list: every event of a tool becomes one line, shown in the list control, kept whole
// in the history, and appended to the daily log. Both the list and the history keep the newest
// 100 lines; the daily log is the only unbounded record.

#include <cstddef>
#include <string_view>

#include "core/recording.h"
#include "core/traffic_history.h"
#include "core/traffic_list_view.h"

namespace core {

class TrafficList {
 public:
  // The list shows as many lines as the history keeps.
  static constexpr int kMaxLines = static_cast<int>(TrafficHistory::kCapacity);
  // A line is shown with at most this many bytes; the history and the daily log keep it whole.
  // The cut is by bytes and may split a double-byte character.
  static constexpr std::size_t kDisplayBytes = 256;

  // The view and the recorder must outlive the list.
  TrafficList(TrafficListView& view, Recorder& recorder) : view_(view), recorder_(recorder) {}

  // Adds a line as the newest, selected one, keeps it, and logs it. A line offered while another
  // is being added (from a handler that runs inside the adding) is dropped everywhere.
  void AddTrafficLine(std::string_view line);

  // Empties the list control and the history; the log files are not touched.
  void ClearTraffic();

  const TrafficHistory& history() const { return history_; }

 private:
  TrafficListView& view_;
  Recorder& recorder_;
  TrafficHistory history_;
  bool busy_ = false;
};

}  // namespace core
