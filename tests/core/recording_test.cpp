#include "core/recording.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "core/recording_names.h"
#include "core/traffic_history.h"
#include "platform/cp932.h"
#include "platform/last_error.h"
#include "support/fake_clock.h"
#include "support/fake_user_dialogs.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using platform::Cp932;
using testing_support::ReadWholeFile;

// The names of the files in a folder, UTF-8 as they stand on disk.
std::set<std::string> FileNames(const std::string& folder) {
  std::set<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// Makes a real folder whose full path is exactly `length` bytes long.
std::string FolderOfLength(const testing_support::TempDir& temp, std::size_t length) {
  std::string path = temp.str();
  while (path.size() < length) {
    std::size_t remaining = length - path.size();
    std::size_t part = remaining > 150 ? 100 : remaining - 1;
    path += "/" + std::string(part, 'f');
  }
  fs::create_directories(path);
  return path;
}

class RecordingTest : public ::testing::Test {
 protected:
  RecordingTest() {
    fs::create_directory(logFolder);
    fs::create_directory(dataFolder);
  }

  core::Recorder MakeRecorder(const core::ToolIdentity& tool = core::kTcpIpTool) {
    return core::Recorder(tool, logFolder, dataFolder, clock, dialogs);
  }

  testing_support::TempDir temp;
  std::string logFolder = temp / "Log1";
  std::string dataFolder = temp / "Data1";
  testing_support::FakeClock clock;
  testing_support::FakeUserDialogs dialogs;
};

// --- daily log ---

TEST_F(RecordingTest, DailyLogRecordsAreStampedWholeLinesInCp932) {
  core::Recorder recorder = MakeRecorder();
  recorder.SetListSave(true);
  clock.Set({2007, 3, 5, 9, 8, 7});
  const std::string first = Cp932("接続 192.168.0.1     (5000 )");
  const std::string longLine = Cp932("->受 ") + std::string(295, 'x');  // 300 bytes
  recorder.WriteDailyLog(first);
  recorder.WriteDailyLog(longLine);

  EXPECT_EQ(ReadWholeFile(logFolder + "/20070305_Vendrel.log"),
            "2007/03/05 09:08:07 " + first + "\r\n" + "2007/03/05 09:08:07 " + longLine + "\r\n");
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(RecordingTest, DailyLogAppendsToWhatTheFileHeld) {
  testing_support::WriteWholeFile(logFolder + "/20070305_Ostravin.log", "earlier\r\n");
  core::Recorder recorder = MakeRecorder(core::kSerialTool);
  recorder.SetListSave(true);
  clock.Set({2007, 3, 5, 0, 0, 1});
  recorder.WriteDailyLog("line");
  EXPECT_EQ(ReadWholeFile(logFolder + "/20070305_Ostravin.log"),
            "earlier\r\n2007/03/05 00:00:01 line\r\n");
}

TEST_F(RecordingTest, DailyLogOffWritesNothing) {
  core::Recorder recorder = MakeRecorder();
  recorder.WriteDailyLog("line");
  recorder.SetListSave(true);
  recorder.SetListSave(false);
  recorder.WriteDailyLog("line");
  EXPECT_TRUE(FileNames(logFolder).empty());
}

TEST_F(RecordingTest, DailyLogCrossesMidnightIntoTheNextDaysFile) {
  core::Recorder recorder = MakeRecorder();
  recorder.SetListSave(true);
  // Each record reads the clock once; a second reading would put a stamp of one day into the
  // file of the other.
  clock.ThenReadings({{2007, 3, 5, 23, 59, 59}, {2007, 3, 6, 0, 0, 0}});
  recorder.WriteDailyLog("before");
  EXPECT_EQ(clock.readings(), 1);
  recorder.WriteDailyLog("after");
  EXPECT_EQ(clock.readings(), 2);

  EXPECT_EQ(ReadWholeFile(logFolder + "/20070305_Vendrel.log"), "2007/03/05 23:59:59 before\r\n");
  EXPECT_EQ(ReadWholeFile(logFolder + "/20070306_Vendrel.log"), "2007/03/06 00:00:00 after\r\n");
}

TEST_F(RecordingTest, DailyLogFailuresAreSilent) {
  core::Recorder recorder = MakeRecorder();
  recorder.SetListSave(true);
  fs::remove_all(logFolder);
  recorder.WriteDailyLog("lost");
  EXPECT_FALSE(fs::exists(logFolder));
  EXPECT_TRUE(dialogs.boxes.empty());

  // A folder too long for a full name: nothing written, nothing shown, nothing cut.
  const std::string tooLong = FolderOfLength(temp, 255 - 21 + 1);
  core::Recorder longRecorder(core::kTcpIpTool, tooLong, dataFolder, clock, dialogs);
  longRecorder.SetListSave(true);
  longRecorder.WriteDailyLog("lost");
  EXPECT_TRUE(FileNames(tooLong).empty());
  EXPECT_EQ(platform::LastError(), ENAMETOOLONG);
  EXPECT_TRUE(dialogs.boxes.empty());

  // One byte shorter fits.
  const std::string fits = FolderOfLength(temp, 255 - 21);
  core::Recorder fitRecorder(core::kTcpIpTool, fits, dataFolder, clock, dialogs);
  fitRecorder.SetListSave(true);
  fitRecorder.WriteDailyLog("kept");
  EXPECT_EQ(FileNames(fits), std::set<std::string>{"20070305_Vendrel.log"});
}

// --- data files ---

TEST_F(RecordingTest, DataFilesHoldTheExactBlock) {
  core::Recorder recorder = MakeRecorder();
  recorder.SetDataSave(true);
  clock.Set({2007, 3, 5, 12, 34, 56});
  const std::string received("\x02\x00\r\n\x81\x40\xff", 7);
  const std::string sent = Cp932("<STX>テスト");
  recorder.WriteDataFile(received, Cp932("受信"));
  recorder.WriteDataFile(sent, Cp932("送信"));

  EXPECT_EQ(ReadWholeFile(dataFolder + "/2007030512345601_Tcp受信.dat"), received);
  EXPECT_EQ(ReadWholeFile(dataFolder + "/2007030512345602_Tcp送信.dat"), sent);
  EXPECT_EQ(recorder.DataFileCount(), 2);
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(RecordingTest, BlocksWithinOneSecondAreToldApartBySequence) {
  core::Recorder recorder = MakeRecorder(core::kSerialTool);
  recorder.SetDataSave(true);
  for (const char* block : {"a", "b", "c"}) recorder.WriteDataFile(block, Cp932("受信"));
  EXPECT_EQ(FileNames(dataFolder),
            (std::set<std::string>{"2007030512000001_Com受信.dat", "2007030512000002_Com受信.dat",
                                   "2007030512000003_Com受信.dat"}));
  EXPECT_EQ(ReadWholeFile(dataFolder + "/2007030512000002_Com受信.dat"), "b");
}

TEST_F(RecordingTest, SavingOffUsesNoNumber) {
  core::Recorder recorder = MakeRecorder();
  recorder.SetDataSave(true);
  recorder.WriteDataFile("one", Cp932("受信"));
  recorder.SetDataSave(false);
  recorder.WriteDataFile("skipped", Cp932("受信"));
  recorder.WriteDataFile("skipped", Cp932("送信"));
  EXPECT_EQ(recorder.DataFileCount(), 1);
  recorder.SetDataSave(true);
  recorder.WriteDataFile("two", Cp932("送信"));
  EXPECT_EQ(FileNames(dataFolder), (std::set<std::string>{"2007030512000001_Tcp受信.dat",
                                                          "2007030512000002_Tcp送信.dat"}));
}

TEST_F(RecordingTest, ARecurringNameNeverReplacesTheEarlierFile) {
  core::Recorder recorder = MakeRecorder();
  recorder.SetDataSave(true);
  for (int block = 1; block <= 102; ++block) {
    recorder.WriteDataFile("block " + std::to_string(block), Cp932("受信"));
  }
  std::set<std::string> names = FileNames(dataFolder);
  EXPECT_EQ(names.size(), 102u);
  // Blocks 1 and 2 keep their files; blocks 101 and 102 take the whole counter instead.
  EXPECT_EQ(ReadWholeFile(dataFolder + "/2007030512000001_Tcp受信.dat"), "block 1");
  EXPECT_EQ(ReadWholeFile(dataFolder + "/2007030512000002_Tcp受信.dat"), "block 2");
  EXPECT_EQ(ReadWholeFile(dataFolder + "/2007030512000000_Tcp受信.dat"), "block 100");
  EXPECT_EQ(ReadWholeFile(dataFolder + "/20070305120000101_Tcp受信.dat"), "block 101");
  EXPECT_EQ(ReadWholeFile(dataFolder + "/20070305120000102_Tcp受信.dat"), "block 102");
  // In the next second the short name is free again.
  clock.Set({2007, 3, 5, 12, 0, 1});
  recorder.WriteDataFile("block 103", Cp932("受信"));
  EXPECT_EQ(ReadWholeFile(dataFolder + "/2007030512000103_Tcp受信.dat"), "block 103");
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(RecordingTest, AFileLeftByAnEarlierRunIsKept) {
  // A run started again within the same second finds the names of the first run taken.
  testing_support::WriteWholeFile(dataFolder + "/2007030512000001_Tcp送信.dat", "first run");
  core::Recorder recorder = MakeRecorder();
  recorder.SetDataSave(true);
  recorder.WriteDataFile("second run", Cp932("送信"));
  EXPECT_EQ(ReadWholeFile(dataFolder + "/2007030512000001_Tcp送信.dat"), "first run");
  EXPECT_EQ(ReadWholeFile(dataFolder + "/20070305120000001_Tcp送信.dat"), "second run");
}

TEST_F(RecordingTest, DataFileFailuresShowTheOpenErrorBox) {
  core::Recorder recorder = MakeRecorder();
  recorder.SetDataSave(true);

  fs::remove_all(dataFolder);
  recorder.WriteDataFile("lost", Cp932("受信"));
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].caption, Cp932("ファイルオープンエラー"));
  EXPECT_EQ(dialogs.boxes[0].text, platform::SystemMessageText(ENOENT));

  // Both names taken: the box tells so, and neither file is touched.
  fs::create_directory(dataFolder);
  testing_support::WriteWholeFile(dataFolder + "/2007030512000002_Tcp受信.dat", "x");
  testing_support::WriteWholeFile(dataFolder + "/20070305120000002_Tcp受信.dat", "y");
  recorder.WriteDataFile("lost", Cp932("受信"));
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[1].caption, Cp932("ファイルオープンエラー"));
  EXPECT_EQ(dialogs.boxes[1].text, platform::SystemMessageText(EEXIST));
  EXPECT_EQ(ReadWholeFile(dataFolder + "/2007030512000002_Tcp受信.dat"), "x");
  EXPECT_EQ(ReadWholeFile(dataFolder + "/20070305120000002_Tcp受信.dat"), "y");
}

TEST_F(RecordingTest, DataFolderTooLongFailsAsNameTooLong) {
  // "/2007030512000001_Tcp受信.dat" is 31 bytes in UTF-8.
  const std::string tooLong = FolderOfLength(temp, 255 - 31 + 1);
  core::Recorder recorder(core::kTcpIpTool, logFolder, tooLong, clock, dialogs);
  recorder.SetDataSave(true);
  recorder.WriteDataFile("lost", Cp932("受信"));
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].caption, Cp932("ファイルオープンエラー"));
  EXPECT_EQ(dialogs.boxes[0].text, platform::SystemMessageText(ENAMETOOLONG));
  EXPECT_TRUE(FileNames(tooLong).empty());

  const std::string fits = FolderOfLength(temp, 255 - 31);
  core::Recorder fitRecorder(core::kTcpIpTool, logFolder, fits, clock, dialogs);
  fitRecorder.SetDataSave(true);
  fitRecorder.WriteDataFile("kept", Cp932("受信"));
  EXPECT_EQ(FileNames(fits), std::set<std::string>{"2007030512000001_Tcp受信.dat"});
  EXPECT_EQ(dialogs.boxes.size(), 1u);
}

// --- saved list ---

class SavedListTest : public RecordingTest {
 protected:
  core::TrafficHistory history;
};

TEST_F(SavedListTest, WritesWholeLinesOldestFirst) {
  core::Recorder recorder = MakeRecorder();
  const std::string longLine = Cp932("送-> ") + std::string(295, 'y');  // 300 bytes
  history.Append(Cp932("接続 10.0.0.1"));
  history.Append(longLine);
  history.Append(Cp932("切断 10.0.0.1"));
  const std::string path = temp / "trace.log";
  dialogs.saveAnswers.push_back(path);
  recorder.SaveTrafficLog(history);

  EXPECT_EQ(ReadWholeFile(path),
            Cp932("接続 10.0.0.1") + "\r\n" + longLine + "\r\n" + Cp932("切断 10.0.0.1") + "\r\n");
  ASSERT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(dialogs.saveRequests[0].defaultName, "trace.log");
  EXPECT_TRUE(dialogs.boxes.empty());
  EXPECT_EQ(history.size(), 3u);
}

TEST_F(SavedListTest, EmptyHistoryReplacesTheFileWithAnEmptyOne) {
  core::Recorder recorder = MakeRecorder();
  const std::string path = temp / "trace.log";
  testing_support::WriteWholeFile(path, "old content");
  dialogs.saveAnswers.push_back(path);
  recorder.SaveTrafficLog(history);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(SavedListTest, CancelWritesNothing) {
  core::Recorder recorder = MakeRecorder();
  history.Append("line");
  dialogs.saveAnswers.push_back(std::nullopt);
  recorder.SaveTrafficLog(history);
  EXPECT_EQ(dialogs.saveRequests.size(), 1u);
  EXPECT_EQ(FileNames(temp.str()), (std::set<std::string>{"Data1", "Log1"}));
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(SavedListTest, FailuresShowTheirBoxes) {
  core::Recorder recorder = MakeRecorder();
  history.Append("line");

  dialogs.saveAnswers.push_back(temp / "missing-folder/trace.log");
  recorder.SaveTrafficLog(history);
  ASSERT_EQ(dialogs.boxes.size(), 1u);
  EXPECT_EQ(dialogs.boxes[0].caption, Cp932("ファイルオープンエラー"));
  EXPECT_EQ(dialogs.boxes[0].text, platform::SystemMessageText(ENOENT));

  // A device that takes no bytes: the write fails after the open succeeded.
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  dialogs.saveAnswers.push_back("/dev/full");
  recorder.SaveTrafficLog(history);
  ASSERT_EQ(dialogs.boxes.size(), 2u);
  EXPECT_EQ(dialogs.boxes[1].caption, Cp932("ファイル書き込みエラー"));
  EXPECT_EQ(dialogs.boxes[1].text, platform::SystemMessageText(ENOSPC));
  EXPECT_EQ(history.size(), 1u);
}

// A run killed in the middle of a record left it cut: the next record starts on a line of its
// own instead of being glued onto the cut one.
TEST_F(RecordingTest, ARecordAfterACutOneStartsOnItsOwnLine) {
  core::Recorder recorder = MakeRecorder();
  recorder.SetListSave(true);
  const std::string path = *core::DailyLogPath(core::kTcpIpTool, logFolder, clock.Now());
  const std::string cut = core::DailyLogStamp(clock.Now()) + "->cut in the midd";
  testing_support::WriteWholeFile(path, cut);
  recorder.WriteDailyLog("next");
  recorder.WriteDailyLog("then");
  const std::string stamp = core::DailyLogStamp(clock.Now());
  EXPECT_EQ(ReadWholeFile(path), cut + "\r\n" + stamp + "next\r\n" + stamp + "then\r\n");
}

}  // namespace
