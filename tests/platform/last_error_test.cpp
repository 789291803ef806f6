#include "platform/last_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "platform/files.h"

namespace {

TEST(LastError, FailuresStoreTheirOwnErrorPerThread) {
  auto file = platform::File::Open("/nonexistent-folder-for-test/x", platform::File::Mode::Read);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(platform::LastError(), ENOENT);
  errno = 0;  // unrelated calls do not disturb the stored error
  EXPECT_EQ(platform::LastError(), ENOENT);
  std::thread([] { EXPECT_EQ(platform::LastError(), 0); }).join();
}

TEST(LastError, MessageTextHasNoLineBreakAndIsNeverSuccess) {
  std::string text = platform::SystemMessageText(ENOENT);
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(platform::SystemMessageText(EINVAL), platform::SystemMessageText(0));
}

}  // namespace
