#include "platform/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/last_error.h"

namespace {

// A NUL would end the name where the system reads it: "/tmp" would be opened in place of the
// whole name.
TEST(Files, ANameWithANulInsideOpensNothing) {
  std::string name("/tmp\0/etc/passwd", 16);
  auto file = platform::File::Open(name, platform::File::Mode::Read);
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(platform::LastError(), EINVAL);
}

}  // namespace
