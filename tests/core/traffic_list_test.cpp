#include "core/traffic_list.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/cp932.h"
#include "support/fake_clock.h"
#include "support/fake_traffic_list_view.h"
#include "support/fake_user_dialogs.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using platform::Cp932;
using testing_support::ReadWholeFile;

class TrafficListTest : public ::testing::Test {
 protected:
  TrafficListTest() {
    fs::create_directory(logFolder);
    recorder.SetListSave(true);
  }

  std::string DailyLog() { return ReadWholeFile(logFolder + "/20070305_Vendrel.log"); }

  testing_support::TempDir temp;
  std::string logFolder = temp / "Log1";
  testing_support::FakeClock clock;
  testing_support::FakeUserDialogs dialogs;
  core::Recorder recorder{core::kTcpIpTool, logFolder, temp / "Data1", clock, dialogs};
  testing_support::FakeTrafficListView view;
  core::TrafficList list{view, recorder};
};

TEST_F(TrafficListTest, KeepsTheNewestHundredLinesInListAndHistory) {
  for (int n = 1; n <= 101; ++n) list.AddTrafficLine("line " + std::to_string(n));

  ASSERT_EQ(view.lines.size(), 100u);
  ASSERT_EQ(list.history().size(), 100u);
  for (std::size_t i = 0; i < 100; ++i) {
    const std::string expected = "line " + std::to_string(i + 2);
    EXPECT_EQ(view.lines[i], expected);
    EXPECT_EQ(list.history()[i], expected);
  }
  EXPECT_EQ(view.selected, 99);

  // The saved list holds the same lines 2 to 101.
  const std::string path = temp / "trace.log";
  dialogs.saveAnswers.push_back(path);
  recorder.SaveTrafficLog(list.history());
  std::string expected;
  for (int n = 2; n <= 101; ++n) expected += "line " + std::to_string(n) + "\r\n";
  EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST_F(TrafficListTest, LongLineIsCutOnlyOnScreen) {
  const std::string line = Cp932("->受 ") + Cp932("受信データ") + std::string(285, 'z');
  ASSERT_EQ(line.size(), 300u);
  list.AddTrafficLine(line);

  EXPECT_EQ(view.lines.at(0), line.substr(0, 256));
  EXPECT_EQ(list.history()[0], line);
  EXPECT_EQ(DailyLog(), "2007/03/05 12:00:00 " + line + "\r\n");

  const std::string path = temp / "trace.log";
  dialogs.saveAnswers.push_back(path);
  recorder.SaveTrafficLog(list.history());
  EXPECT_EQ(ReadWholeFile(path), line + "\r\n");
}

TEST_F(TrafficListTest, CutMaySplitADoubleByteCharacter) {
  // 255 single bytes and one double-byte character: the list shows its lead byte only.
  const std::string line = std::string(255, 'a') + Cp932("受");
  list.AddTrafficLine(line);
  EXPECT_EQ(view.lines.at(0), line.substr(0, 256));
  EXPECT_EQ(list.history()[0], line);
}

TEST_F(TrafficListTest, NewestLineIsSelectedWhateverTheUserChose) {
  list.AddTrafficLine("first");
  list.AddTrafficLine("second");
  list.AddTrafficLine("third");
  view.UserSelects(0);
  list.AddTrafficLine("fourth");
  EXPECT_EQ(view.selected, 3);
  EXPECT_EQ(view.programSelections, 4);
}

TEST_F(TrafficListTest, LineOfferedWhileAddingIsDroppedEverywhere) {
  view.whileAdding = [this](std::string_view) { list.AddTrafficLine("inner"); };
  list.AddTrafficLine("outer");
  view.whileAdding = nullptr;
  list.AddTrafficLine("after");

  EXPECT_EQ(view.lines, (std::vector<std::string>{"outer", "after"}));
  ASSERT_EQ(list.history().size(), 2u);
  EXPECT_EQ(list.history()[0], "outer");
  EXPECT_EQ(list.history()[1], "after");
  EXPECT_EQ(DailyLog(), "2007/03/05 12:00:00 outer\r\n2007/03/05 12:00:00 after\r\n");
}

TEST_F(TrafficListTest, DailyLogFollowsItsSwitchAndFailsSilently) {
  recorder.SetListSave(false);
  list.AddTrafficLine("not logged");
  recorder.SetListSave(true);
  fs::remove_all(logFolder);
  list.AddTrafficLine("folder gone");
  EXPECT_EQ(view.lines, (std::vector<std::string>{"not logged", "folder gone"}));
  EXPECT_EQ(list.history().size(), 2u);
  EXPECT_FALSE(fs::exists(logFolder));
  EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(TrafficListTest, ClearEmptiesListAndHistoryButNotTheLog) {
  list.ClearTraffic();  // nothing to clear: nothing happens
  EXPECT_TRUE(view.lines.empty());

  list.AddTrafficLine("one");
  list.AddTrafficLine("two");
  list.ClearTraffic();
  EXPECT_TRUE(view.lines.empty());
  EXPECT_FALSE(view.selected);
  EXPECT_TRUE(list.history().empty());
  EXPECT_EQ(DailyLog(), "2007/03/05 12:00:00 one\r\n2007/03/05 12:00:00 two\r\n");

  const std::string path = temp / "trace.log";
  dialogs.saveAnswers.push_back(path);
  recorder.SaveTrafficLog(list.history());
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(ReadWholeFile(path), "");

  list.AddTrafficLine("three");
  EXPECT_EQ(view.lines, std::vector<std::string>{"three"});
  EXPECT_EQ(view.selected, 0);
}

}  // namespace
