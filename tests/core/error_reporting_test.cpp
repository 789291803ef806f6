#include "core/error_reporting.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/cp932.h"
#include "platform/last_error.h"
#include "support/fake_user_dialogs.h"

namespace {

using platform::Cp932;

TEST(SystemErrorText, IsTheMessageOfTheLastError) {
  platform::SetLastError(ENOENT);
  EXPECT_EQ(core::SystemErrorText(), platform::SystemMessageText(ENOENT));
  // A code without a description still names the number, so the box tells which failure it was.
  platform::SetLastError(98765);
  std::string unknown = core::SystemErrorText();
  EXPECT_NE(unknown.find("98765"), std::string::npos) << unknown;
}

TEST(ErrorBox, WithoutTextShowsTheSystemTextOfThatMoment) {
  testing_support::FakeUserDialogs dialogs;
  platform::SetLastError(EACCES);
  dialogs.ShowErrorBox(Cp932("ファイルオープンエラー"));
  platform::SetLastError(ENOSPC);
  dialogs.ShowErrorBox(Cp932("ファイル書き込みエラー"));
  dialogs.ShowErrorBox(Cp932("ソケット初期化エラー"), Cp932("独自の説明"));

  ASSERT_EQ(dialogs.boxes.size(), 3u);
  EXPECT_EQ(dialogs.boxes[0].caption, Cp932("ファイルオープンエラー"));
  EXPECT_EQ(dialogs.boxes[0].text, platform::SystemMessageText(EACCES));
  EXPECT_EQ(dialogs.boxes[1].caption, Cp932("ファイル書き込みエラー"));
  EXPECT_EQ(dialogs.boxes[1].text, platform::SystemMessageText(ENOSPC));
  EXPECT_EQ(dialogs.boxes[2].text, Cp932("独自の説明"));
}

TEST(SaveFileRequest, TrafficLogAsksForTraceLog) {
  core::SaveFileRequest request = core::SaveFileRequest::TrafficLog();
  EXPECT_EQ(request.defaultName, "trace.log");
  EXPECT_EQ(request.defaultExtension, "log");
  EXPECT_TRUE(request.overwritePrompt);
  EXPECT_TRUE(request.hideReadOnly);

  std::vector<core::FileFilterEntry> entries = core::SplitFileFilter(request.filter);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].description, Cp932("ログファイル(*.log)"));
  EXPECT_EQ(entries[0].pattern, "*.log");
  EXPECT_EQ(entries[1].description, Cp932("全てのファイル(*.*)"));
  EXPECT_EQ(entries[1].pattern, "*.*");
}

TEST(SplitFileFilter, ToleratesIncompleteForms) {
  struct Case {
    const char* filter;
    std::size_t entries;
  } cases[] = {
      {"", 0},
      {"||", 0},
      {"Text|*.txt", 1},
      {"Text|*.txt|", 1},
      {"Text|*.txt|Lonely", 1},
      {"Text||All|*.*||", 1},
      {"A|*.a|B|*.b;*.c||ignored|*.x", 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(core::SplitFileFilter(c.filter).size(), c.entries) << c.filter;
  }
}

}  // namespace
