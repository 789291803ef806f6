#include "core/traffic_list.h"

namespace core {
namespace {

// Clears the busy flag on every way out of AddTrafficLine.
class BusyGuard {
 public:
  explicit BusyGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~BusyGuard() { flag_ = false; }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  bool& flag_;
};

// What the list control shows of a line: its first kDisplayBytes bytes, and nothing after a NUL,
// which the control could not show anyway.
std::string_view DisplayPart(std::string_view line) {
  line = line.substr(0, TrafficList::kDisplayBytes);
  return line.substr(0, line.find('\0'));
}

}  // namespace

void TrafficList::AddTrafficLine(std::string_view line) {
  if (busy_) return;
  BusyGuard guard(busy_);

  view_.AddLine(DisplayPart(line));
  if (view_.LineCount() > kMaxLines) view_.DeleteLine(0);
  view_.SelectLine(view_.LineCount() - 1);

  history_.Append(line);
  recorder_.WriteDailyLog(line);
}

void TrafficList::ClearTraffic() {
  view_.DeleteAllLines();
  history_.Clear();
}

}  // namespace core
