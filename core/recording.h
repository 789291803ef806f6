#pragma once
// The records a tool leaves on disk besides its window: the daily log of traffic lines, one data
// file per block sent or received, and the traffic list saved on demand. Every file is opened and
// closed for each line or block, so nothing stays open between writes.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/error_reporting.h"
#include "core/tool_identity.h"
#include "core/traffic_history.h"
#include "platform/clock.h"

namespace core {

class Recorder {
 public:
  // The folders are native paths; the clock and the dialogs must outlive the recorder.
  Recorder(const ToolIdentity& tool, std::string logFolder, std::string dataFolder,
           const platform::Clock& clock, UserDialogs& dialogs);

  // The window's "自動的にLOG保存" and "送受信データ保存" fields, set by the window from its
  // fields before each use, so that switching either takes effect with the next line or block.
  void SetListSave(bool on) { listSave_ = on; }
  void SetDataSave(bool on) { dataSave_ = on; }

  // Appends one time-stamped traffic line, whole, to the day's log while list saving is on. The
  // date of the file and the stamp come from one reading of the clock. Failures are silent: the
  // line stays on screen, the log just lacks it.
  void WriteDailyLog(std::string_view line);

  // Writes one block, byte for byte, to a new data file while data saving is on. `directionWord`
  // is the CP932 "受信" or "送信". An existing file is never replaced. Failures show the error
  // box, and the caller goes on.
  void WriteDataFile(std::string_view bytes, std::string_view directionWord);

  // The numbers of data files used up since the window opened; saving off uses none.
  std::int64_t DataFileCount() const { return dataFileCount_; }

  // Asks for a file name and writes every line of the history into it, oldest first, each
  // followed by CR LF. A cancel writes nothing; failures show the error box.
  void SaveTrafficLog(const TrafficHistory& history);

 private:
  ToolIdentity tool_;
  std::string logFolder_;
  std::string dataFolder_;
  const platform::Clock& clock_;
  UserDialogs& dialogs_;
  bool listSave_ = false;
  bool dataSave_ = false;
  // 64 bits: a long unattended run cannot make it wrap into negative sequence numbers.
  std::int64_t dataFileCount_ = 0;
};

}  // namespace core
