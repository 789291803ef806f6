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

// Creates the data file of block `count`, never replacing a file, and sets `path` to its name.
// The usual name is tried first; when an earlier file holds it (a hundred blocks within one
// second, or a clock set back), the whole counter stands in for the two-digit sequence. The
// returned file is closed on failure, with the last error telling why.
platform::File CreateDataFile(const ToolIdentity& tool, const std::string& folder,
                              const platform::LocalTime& time, std::int64_t count,
                              std::string_view directionWord, std::string& path) {
  std::optional<std::string> name =
      DataFilePath(tool, folder, time, ShortDataSequence(count), directionWord);
  if (!name) return platform::File();
  path = *name;
  platform::File file = platform::File::Open(path, platform::File::Mode::CreateNew);
  if (file.IsOpen() || platform::LastError() != EEXIST) return file;
  name = DataFilePath(tool, folder, time, LongDataSequence(count), directionWord);
  if (!name) return platform::File();
  path = *name;
  return platform::File::Open(path, platform::File::Mode::CreateNew);
}

// Whether the file ends inside a record: a record cut by a full disk that could not be undone,
// or by a run that was killed while it wrote.
bool EndsInsideARecord(platform::File& file, std::uint64_t size) {
  char last = '\n';
  return size > 0 && file.ReadAt(&last, 1, size - 1) == 1 && last != '\n';
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
  const std::optional<std::uint64_t> start = file.Size();
  if (!start) return;
  // A record is whole or absent: one that follows a cut one starts on a line of its own, and
  // one that cannot be written whole is cut off again. One write per record, so that a record
  // is never interleaved with another writer's.
  std::string record;
  if (EndsInsideARecord(file, *start)) record = "\r\n";
  record += DailyLogStamp(now);
  record.reserve(record.size() + line.size() + 2);
  record.append(line).append("\r\n");
  if (!file.WriteAll(record)) file.TruncateTo(*start);
}

void Recorder::WriteDataFile(std::string_view bytes, std::string_view directionWord) {
  if (!dataSave_) return;
  // The number is taken before anything can show a box: a handler running behind the modal box
  // may write the next block and must get the next number.
  const std::int64_t count = ++dataFileCount_;
  std::string path;
  platform::File file =
      CreateDataFile(tool_, dataFolder_, clock_.Now(), count, directionWord, path);
  if (!file.IsOpen()) {
    dialogs_.ShowErrorBox(platform::Cp932("ファイルオープンエラー"));
    return;
  }
  // A data file is whole or absent: one that could not be written whole is removed, so that no
  // file looks like a block it does not hold.
  if (!file.WriteAll(bytes) || !file.Close()) {
    CloseKeepingError(file);
    const int failure = platform::LastError();
    platform::RemoveFile(path);
    platform::SetLastError(failure);
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
