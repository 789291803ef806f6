#include "core/recording_names.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/cp932.h"
#include "platform/last_error.h"

namespace {

using platform::Cp932;

TEST(RecordingNames, DailyLogStampIsTwentyBytes) {
  EXPECT_EQ(core::DailyLogStamp({2007, 3, 5, 9, 8, 7}), "2007/03/05 09:08:07 ");
  EXPECT_EQ(core::DailyLogStamp({2007, 12, 31, 23, 59, 59}).size(), 20u);
}

TEST(RecordingNames, FormsOfBothTools) {
  const platform::LocalTime time{2007, 3, 5, 1, 2, 3};
  EXPECT_EQ(core::DailyLogPath(core::kTcpIpTool, "/base/Log1", time),
            "/base/Log1/20070305_Vendrel.log");
  EXPECT_EQ(core::DailyLogPath(core::kSerialTool, "/base/Log2", time),
            "/base/Log2/20070305_Ostravin.log");

  struct Case {
    const core::ToolIdentity& tool;
    std::string sequence;
    const char* direction;  // UTF-8
    const char* expected;   // UTF-8, as it stands on disk
  } cases[] = {
      {core::kTcpIpTool, core::ShortDataSequence(1), "受信", "/d/2007030501020301_Tcp受信.dat"},
      {core::kTcpIpTool, core::ShortDataSequence(100), "送信", "/d/2007030501020300_Tcp送信.dat"},
      {core::kTcpIpTool, core::ShortDataSequence(123), "送信", "/d/2007030501020323_Tcp送信.dat"},
      {core::kSerialTool, core::ShortDataSequence(7), "受信", "/d/2007030501020307_Com受信.dat"},
      {core::kTcpIpTool, core::LongDataSequence(101), "受信", "/d/20070305010203101_Tcp受信.dat"},
      {core::kTcpIpTool, core::LongDataSequence(5), "受信", "/d/20070305010203005_Tcp受信.dat"},
      {core::kSerialTool, core::LongDataSequence(123456), "送信",
       "/d/20070305010203123456_Com送信.dat"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(core::DataFilePath(c.tool, "/d", time, c.sequence, Cp932(c.direction)), c.expected);
  }
}

TEST(RecordingNames, NamesLongerThanTheOldBufferAreRefusedNotCut) {
  const platform::LocalTime time{2007, 3, 5, 1, 2, 3};
  // "/20070305_Vendrel.log" is 21 bytes, "/2007030501020301_Tcp受信.dat" 31 in UTF-8.
  const std::string logFits(255 - 21, 'L');
  const std::string dataFits(255 - 31, 'D');
  EXPECT_EQ(core::DailyLogPath(core::kTcpIpTool, logFits, time)->size(), 255u);
  EXPECT_EQ(core::DataFilePath(core::kTcpIpTool, dataFits, time, "01", Cp932("受信"))->size(),
            255u);

  platform::SetLastError(0);
  EXPECT_FALSE(core::DailyLogPath(core::kTcpIpTool, logFits + "L", time));
  EXPECT_EQ(platform::LastError(), ENAMETOOLONG);
  platform::SetLastError(0);
  EXPECT_FALSE(core::DataFilePath(core::kTcpIpTool, dataFits + "D", time, "01", Cp932("受信")));
  EXPECT_EQ(platform::LastError(), ENAMETOOLONG);
  // The longer stand-in sequence counts too.
  EXPECT_FALSE(core::DataFilePath(core::kTcpIpTool, dataFits, time, "101", Cp932("受信")));
}

TEST(RecordingNames, DirectionWordThatIsNotCp932FailsLikeAnOpen) {
  platform::SetLastError(0);
  EXPECT_FALSE(core::DataFilePath(core::kTcpIpTool, "/d", {2007, 3, 5, 1, 2, 3}, "01", "\x81"));
  EXPECT_EQ(platform::LastError(), EILSEQ);
}

}  // namespace
