#include "platform/serial_termios_settings.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/last_error.h"

namespace {

using platform::ApplyLineSettings;
using platform::SerialLineSettings;
using platform::SerialParity;
using platform::SerialStopBits;

termios Cooked() {
  termios t{};
  t.c_iflag = ICRNL | IXON | IGNPAR | ISTRIP;
  t.c_oflag = OPOST | ONLCR;
  t.c_lflag = ECHO | ICANON | ISIG | IEXTEN;
  t.c_cflag = CS7 | PARENB | CRTSCTS | CSTOPB;
  cfsetispeed(&t, B38400);
  cfsetospeed(&t, B38400);
  return t;
}

struct FramingCase {
  const char* name;
  int byteSize;
  SerialParity parity;
  SerialStopBits stopBits;
  tcflag_t size;
  tcflag_t parityBits;  // of PARENB | PARODD | CMSPAR
  bool twoStops;
};

class LineFraming : public testing::TestWithParam<FramingCase> {};

TEST_P(LineFraming, MapsToTerminalFlags) {
  const FramingCase& c = GetParam();
  SerialLineSettings s;
  s.baudRate = 9600;
  s.byteSize = c.byteSize;
  s.parity = c.parity;
  s.stopBits = c.stopBits;
  termios t = Cooked();
  bool custom = true;
  ASSERT_TRUE(ApplyLineSettings(s, t, custom));
  EXPECT_FALSE(custom);
  EXPECT_EQ(t.c_cflag & CSIZE, c.size);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.parityBits);
  EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.twoStops);
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u) << "hardware flow control is off unless asked for";
  EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  // Parity errors are marked for the read path only when parity is on.
  const bool parity = c.parity != SerialParity::None;
  EXPECT_EQ((t.c_iflag & PARMRK) != 0, parity);
  EXPECT_EQ((t.c_iflag & INPCK) != 0, parity);
  EXPECT_EQ(t.c_iflag & (IGNPAR | ISTRIP | ICRNL), 0u);
  // Raw mode.
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN), 0u);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineFraming,
    testing::Values(
        FramingCase{"8N1", 8, SerialParity::None, SerialStopBits::One, CS8, 0, false},
        FramingCase{"7E1", 7, SerialParity::Even, SerialStopBits::One, CS7, PARENB, false},
        FramingCase{"7O2", 7, SerialParity::Odd, SerialStopBits::Two, CS7, PARENB | PARODD, true},
        FramingCase{"6M1", 6, SerialParity::Mark, SerialStopBits::One, CS6,
                    PARENB | PARODD | CMSPAR, false},
        FramingCase{"5S2", 5, SerialParity::Space, SerialStopBits::Two, CS5, PARENB | CMSPAR, true},
        // With five data bits, the UART's two stop bits are one and a half.
        FramingCase{"5N1_5", 5, SerialParity::None, SerialStopBits::OneAndHalf, CS5, 0, true}),
    [](const testing::TestParamInfo<FramingCase>& testCase) {
      return std::string(testCase.param.name);
    });

TEST(LineSettings, XonXoffEachWay) {
  struct {
    bool out, in;
    tcflag_t flags;
  } cases[] = {
      {false, false, 0}, {true, false, IXON}, {false, true, IXOFF}, {true, true, IXON | IXOFF}};
  for (const auto& c : cases) {
    SerialLineSettings s;
    s.xonXoffOut = c.out;
    s.xonXoffIn = c.in;
    termios t = Cooked();
    bool custom = false;
    ASSERT_TRUE(ApplyLineSettings(s, t, custom));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), c.flags) << c.out << c.in;
  }
}

TEST(LineSettings, SpeedsWithoutAConstantAreSetDirectly) {
  for (int speed : {14400, 28800, 128000, 256000, 1}) {
    SerialLineSettings s;
    s.baudRate = speed;
    termios t = Cooked();
    bool custom = false;
    ASSERT_TRUE(ApplyLineSettings(s, t, custom)) << speed;
    EXPECT_TRUE(custom) << speed;
  }
  EXPECT_EQ(platform::StandardSpeed(115200), static_cast<speed_t>(B115200));
  EXPECT_EQ(platform::StandardSpeed(4000000), static_cast<speed_t>(B4000000));
}

TEST(LineSettings, RefusesWhatALineCannotDo) {
  struct {
    const char* what;
    SerialLineSettings settings;
  } cases[] = {
      {"speed 0", {0, 8, SerialParity::None, SerialStopBits::One, false, false, 0}},
      {"negative speed", {-9600, 8, SerialParity::None, SerialStopBits::One, false, false, 0}},
      {"4 bits", {9600, 4, SerialParity::None, SerialStopBits::One, false, false, 0}},
      {"9 bits", {9600, 9, SerialParity::None, SerialStopBits::One, false, false, 0}},
      {"1.5 stop bits", {9600, 8, SerialParity::None, SerialStopBits::OneAndHalf, false, false, 0}},
      {"parity code 5",
       {9600, 8, static_cast<SerialParity>(5), SerialStopBits::One, false, false, 0}},
      {"parity code -1",
       {9600, 8, static_cast<SerialParity>(-1), SerialStopBits::One, false, false, 0}},
      {"stop code 3",
       {9600, 8, SerialParity::None, static_cast<SerialStopBits>(3), false, false, 0}},
  };
  for (const auto& c : cases) {
    termios t = Cooked();
    const termios before = t;
    bool custom = false;
    platform::SetLastError(0);
    EXPECT_FALSE(ApplyLineSettings(c.settings, t, custom)) << c.what;
    EXPECT_EQ(platform::LastError(), EINVAL) << c.what;
    EXPECT_EQ(t.c_cflag, before.c_cflag) << c.what << ": nothing changes on refusal";
  }
}

}  // namespace

namespace {

TEST(LineSettings, HardwareFlowControlAndKeepingParityErrorsWhenAskedFor) {
  SerialLineSettings s;
  s.parity = SerialParity::Even;
  s.rtsCts = true;
  s.replaceParityErrors = false;
  termios t = Cooked();
  bool custom = true;
  ASSERT_TRUE(ApplyLineSettings(s, t, custom));
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
  EXPECT_NE(t.c_cflag & PARENB, 0u);
  // Without replacement the driver neither checks nor marks: every byte passes as it came.
  EXPECT_EQ(t.c_iflag & (PARMRK | INPCK), 0u);
}

}  // namespace
