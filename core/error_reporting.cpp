#include "core/error_reporting.h"

#include "platform/cp932.h"
#include "platform/last_error.h"

namespace core {

std::string SystemErrorText() {
  return platform::SystemMessageText(platform::LastError());
}

std::vector<FileFilterEntry> SplitFileFilter(std::string_view filter) {
  std::vector<std::string_view> fields;
  while (!filter.empty()) {
    std::size_t bar = filter.find('|');
    fields.push_back(filter.substr(0, bar));
    if (bar == std::string_view::npos) break;
    filter.remove_prefix(bar + 1);
  }
  std::vector<FileFilterEntry> entries;
  // The filter ends at the first empty description (the closing "||").
  for (std::size_t i = 0; i + 1 < fields.size() && !fields[i].empty(); i += 2) {
    if (fields[i + 1].empty()) continue;
    entries.push_back({std::string(fields[i]), std::string(fields[i + 1])});
  }
  return entries;
}

SaveFileRequest SaveFileRequest::TrafficLog() {
  SaveFileRequest request;
  request.defaultName = "trace.log";
  request.defaultExtension = "log";
  request.filter = platform::Cp932("ログファイル(*.log)|*.log|全てのファイル(*.*)|*.*||");
  return request;
}

void UserDialogs::ShowErrorBox(std::string_view caption, std::optional<std::string_view> text) {
  if (text) {
    ShowStopBox(caption, *text);
    return;
  }
  ShowStopBox(caption, SystemErrorText());
}

}  // namespace core
