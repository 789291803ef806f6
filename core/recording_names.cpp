#include "core/recording_names.h"

#include <cerrno>
#include <cstdio>

#include "platform/cp932.h"
#include "platform/last_error.h"

namespace core {
namespace {

// Every number printed here is an int or a 64-bit count, at most 20 characters each, so these
// buffers always hold the whole text.
constexpr std::size_t kNumberText = 160;

std::optional<std::string> JoinWithinLimit(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder).append("/").append(name);
  if (path.size() > kMaxRecordingPathBytes) {
    platform::SetLastError(ENAMETOOLONG);
    return std::nullopt;
  }
  return path;
}

}  // namespace

std::string DailyLogStamp(const platform::LocalTime& time) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d ", time.year, time.month,
                time.day, time.hour, time.minute, time.second);
  return text;
}

std::optional<std::string> DailyLogPath(const ToolIdentity& tool, std::string_view logFolder,
                                        const platform::LocalTime& time) {
  char date[kNumberText];
  std::snprintf(date, sizeof date, "%04d%02d%02d_", time.year, time.month, time.day);
  // The tool's log name is plain ASCII, the same in CP932 and UTF-8.
  std::string name = std::string(date) + tool.dailyLogName + ".log";
  return JoinWithinLimit(logFolder, name);
}

std::string ShortDataSequence(std::int64_t count) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%02d", static_cast<int>(count % 100));
  return text;
}

std::string LongDataSequence(std::int64_t count) {
  char text[kNumberText];
  std::snprintf(text, sizeof text, "%03lld", static_cast<long long>(count));
  return text;
}

std::optional<std::string> DataFilePath(const ToolIdentity& tool, std::string_view dataFolder,
                                        const platform::LocalTime& time, std::string_view sequence,
                                        std::string_view directionWord) {
  char stamp[kNumberText];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  std::string name = std::string(stamp);
  name.append(sequence).append("_").append(tool.dataFileTag).append(directionWord).append(".dat");
  std::optional<std::string> native = platform::Cp932ToUtf8Exact(name);
  if (!native) {
    platform::SetLastError(EILSEQ);
    return std::nullopt;
  }
  return JoinWithinLimit(dataFolder, *native);
}

}  // namespace core
