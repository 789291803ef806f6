#include "platform/process.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(ChildProcess, RunsReadsAndEnds) {
  platform::ChildProcess child = platform::ChildProcess::Start(
      {"/bin/sh", {"-c", "echo \"$GREETING\"; pwd; cat; exit 3"}, "/", {{"GREETING", "hi"}}});
  ASSERT_TRUE(child.IsRunning());
  EXPECT_EQ(child.ReadLine(10000), "hi");
  EXPECT_EQ(child.ReadLine(10000), "/");
  child.CloseInput();
  EXPECT_EQ(child.ReadRest(), "");
  EXPECT_EQ(child.Wait(), 3);
  EXPECT_FALSE(child.IsRunning());
}

TEST(ChildProcess, KilledChildReportsItsSignal) {
  platform::ChildProcess child = platform::ChildProcess::Start({"/bin/sh", {"-c", "cat"}, "", {}});
  ASSERT_TRUE(child.IsRunning());
  child.Signal(SIGKILL);
  EXPECT_EQ(child.Wait(), 128 + SIGKILL);
}

TEST(ChildProcess, MissingProgramDoesNotStart) {
  platform::ChildProcess child =
      platform::ChildProcess::Start({"/nonexistent/program", {}, "", {}});
  EXPECT_FALSE(child.IsRunning());
}

}  // namespace
