#include "core/recording.h"

#include <cerrno>
#include <optional>
#include <utility>

#include "core/recording_names.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/last_error.h"

namespace core {
namespace {

// Creates the data file of block `count`, never replacing a file. The usual name is tried first;
// when an earlier file holds it (a hundred blocks within one second, or a clock set back), the
// whole counter stands in for the two-digit sequence. The returned file is closed on failure,
// with the last error telling why.
platform::File CreateDataFile(const ToolIdentity& tool, const std::string& folder,
                              const platform::LocalTime& time, std::int64_t count,
                              std::string_view directionWord) {
  std::optional<std::string> path =
      DataFilePath(tool, folder, time, ShortDataSequence(count), directionWord);
  if (!path) return platform::File();
  platform::File file = platform::File::Open(*path, platform::File::Mode::CreateNew);
  if (file.IsOpen() || platform::LastError() != EEXIST) return file;
  path = DataFilePath(tool, folder, time, LongDataSequence(count), directionWord);
  if (!path) return platform::File();
  return platform::File::Open(*path, platform::File::Mode::CreateNew);
}

// Closes a file whose write failed without letting the close change the error the box shows.
void CloseKeepingError(platform::File& file) {
  int failure = platform::LastError();
  file.Close();
  platform::SetLastError(failure);
}

}  // namespace

Recorder::Recorder(const ToolIdentity& tool, std::string logFolder, std::string dataFolder,
                   const platform::Clock& clock, UserDialogs& dialogs)
    : tool_(tool),
      logFolder_(std::move(logFolder)),
      dataFolder_(std::move(dataFolder)),
      clock_(clock),
      dialogs_(dialogs) {}

void Recorder::WriteDailyLog(std::string_view line) {
  if (!listSave_) return;
  const platform::LocalTime now = clock_.Now();
  std::optional<std::string> path = DailyLogPath(tool_, logFolder_, now);
  if (!path) return;
  platform::File file = platform::File::Open(*path, platform::File::Mode::Append);
  if (!file.IsOpen()) return;
  // One write per record, so that a record is never interleaved with another writer's.
  std::string record = DailyLogStamp(now);
  record.reserve(record.size() + line.size() + 2);
  record.append(line).append("\r\n");
  file.WriteAll(record);
}

void Recorder::WriteDataFile(std::string_view bytes, std::string_view directionWord) {
  if (!dataSave_) return;
  // The number is taken before anything can show a box: a handler running behind the modal box
  // may write the next block and must get the next number.
  const std::int64_t count = ++dataFileCount_;
  platform::File file = CreateDataFile(tool_, dataFolder_, clock_.Now(), count, directionWord);
  if (!file.IsOpen()) {
    dialogs_.ShowErrorBox(platform::Cp932("ファイルオープンエラー"));
    return;
  }
  if (!file.WriteAll(bytes) || !file.Close()) {
    CloseKeepingError(file);
    dialogs_.ShowErrorBox(platform::Cp932("ファイル書き込みエラー"));
  }
}

void Recorder::SaveTrafficLog(const TrafficHistory& history) {
  std::optional<std::string> path = dialogs_.AskSaveFileName(SaveFileRequest::TrafficLog());
  if (!path) return;
  platform::File file = platform::File::Open(*path, platform::File::Mode::CreateTruncate);
  if (!file.IsOpen()) {
    dialogs_.ShowErrorBox(platform::Cp932("ファイルオープンエラー"));
    return;
  }
  // The history is read only here, with no box in between: lines added behind a modal box
  // cannot change it while it is being walked.
  bool written = true;
  for (std::size_t i = 0; written && i < history.size(); ++i) {
    written = file.WriteAll(history[i]) && file.WriteAll("\r\n");
  }
  if (!written || !file.Close()) {
    CloseKeepingError(file);
    dialogs_.ShowErrorBox(platform::Cp932("ファイル書き込みエラー"));
  }
}

}  // namespace core
