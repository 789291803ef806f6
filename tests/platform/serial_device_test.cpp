#include "platform/serial_device.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/last_error.h"
#include "platform/serial_termios_settings.h"
#include "support/pty_pair.h"

namespace {

using namespace std::chrono_literals;
using platform::SerialDevice;
using platform::SerialLineSettings;
using platform::SystemSerialPorts;
using testing_support::PtyPair;

std::shared_ptr<SerialDevice> OpenConfigured(const PtyPair& pty, SerialLineSettings settings = {}) {
  auto device = SystemSerialPorts().Open(pty.SlavePath());
  if (device && !device->Configure(settings)) return nullptr;
  return device;
}

// Reads until `count` bytes came through the device or the time passed.
std::string ReadFromDevice(SerialDevice& device, std::size_t count) {
  std::string got;
  const auto until = std::chrono::steady_clock::now() + 2s;
  char buffer[4096];
  while (got.size() < count && std::chrono::steady_clock::now() < until) {
    device.Wait(true, 100ms);
    const long n = device.Read(buffer, sizeof buffer);
    if (n < 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

TEST(SerialDevicePath, NamesWithoutSlashAreLookedForInDev) {
  EXPECT_EQ(platform::SerialDevicePath("ttyUSB0"), "/dev/ttyUSB0");
  EXPECT_EQ(platform::SerialDevicePath("COM6"), "/dev/COM6");
  EXPECT_EQ(platform::SerialDevicePath("/tmp/port"), "/tmp/port");
  EXPECT_EQ(platform::SerialDevicePath("./port"), "./port");
}

TEST(SerialDeviceOpen, MissingPortFailsWithTheSystemError) {
  platform::SetLastError(0);
  EXPECT_EQ(SystemSerialPorts().Open("COM6"), nullptr);
  EXPECT_EQ(platform::LastError(), ENOENT);
}

TEST(SerialDeviceOpen, IsExclusiveUntilShutDown) {
  PtyPair pty;
  ASSERT_TRUE(pty.IsValid());
  auto first = SystemSerialPorts().Open(pty.SlavePath());
  ASSERT_NE(first, nullptr);
  platform::SetLastError(0);
  EXPECT_EQ(SystemSerialPorts().Open(pty.SlavePath()), nullptr);
  EXPECT_EQ(platform::LastError(), EBUSY);
  // Shutting down releases the port at once, although the object still lives.
  first->Shutdown();
  auto second = SystemSerialPorts().Open(pty.SlavePath());
  EXPECT_NE(second, nullptr);
}

TEST(SerialDeviceConfigure, PutsThePortInRawModeWithTheSettings) {
  PtyPair pty(true);
  ASSERT_TRUE(pty.IsValid());
  // Start from a cooked line, as a new terminal is.
  termios cooked{};
  ASSERT_EQ(tcgetattr(pty.Slave(), &cooked), 0);
  cooked.c_lflag |= ECHO | ICANON;
  cooked.c_oflag |= OPOST;
  ASSERT_EQ(tcsetattr(pty.Slave(), TCSANOW, &cooked), 0);

  SerialLineSettings settings;
  settings.baudRate = 19200;
  settings.xonXoffOut = true;
  auto device = OpenConfigured(pty, settings);
  ASSERT_NE(device, nullptr);
  termios t{};
  ASSERT_EQ(tcgetattr(pty.Slave(), &t), 0);
  EXPECT_EQ(t.c_lflag & (ECHO | ICANON), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_NE(t.c_iflag & IXON, 0u);
  EXPECT_EQ(t.c_iflag & IXOFF, 0u);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
}

TEST(SerialDeviceConfigure, SetsSpeedsWithoutAConstant) {
  PtyPair pty(true);
  ASSERT_TRUE(pty.IsValid());
  for (int speed : {14400, 28800, 128000, 256000}) {
    SerialLineSettings settings;
    settings.baudRate = speed;
    auto device = OpenConfigured(pty, settings);
    ASSERT_NE(device, nullptr) << speed;
    int input = 0, output = 0;
    ASSERT_TRUE(platform::ReadSpeeds(pty.Slave(), input, output));
    EXPECT_EQ(input, speed);
    EXPECT_EQ(output, speed);
  }
}

TEST(SerialDeviceConfigure, RefusesOneAndAHalfStopBits) {
  PtyPair pty;
  ASSERT_TRUE(pty.IsValid());
  auto device = SystemSerialPorts().Open(pty.SlavePath());
  ASSERT_NE(device, nullptr);
  SerialLineSettings settings;
  settings.stopBits = platform::SerialStopBits::OneAndHalf;
  platform::SetLastError(0);
  EXPECT_FALSE(device->Configure(settings));
  EXPECT_EQ(platform::LastError(), EINVAL);
  EXPECT_TRUE(device->SetQueueSizes(102400, 102400));
}

TEST(SerialDevice, ReadsWithoutBlockingAndWritesInOrder) {
  PtyPair pty;
  ASSERT_TRUE(pty.IsValid());
  auto device = OpenConfigured(pty);
  ASSERT_NE(device, nullptr);
  char buffer[16];
  EXPECT_EQ(device->Read(buffer, sizeof buffer), 0) << "nothing waiting, no blocking";
  ASSERT_TRUE(pty.Write("ping"));
  EXPECT_EQ(ReadFromDevice(*device, 4), "ping");

  std::string expected;
  std::uint64_t last = 0;
  for (int i = 0; i < 50; ++i) {
    const std::string block = "block" + std::to_string(i) + ";";
    expected += block;
    last = device->QueueWrite(block);
    ASSERT_NE(last, 0u);
  }
  EXPECT_EQ(pty.Read(expected.size(), 2s), expected);
  EXPECT_TRUE(device->WaitWritten(last, 2s));
}

TEST(SerialDevice, WaitEndsOnInterruptAndOnShutdownFromAnotherThread) {
  PtyPair pty;
  ASSERT_TRUE(pty.IsValid());
  auto device = OpenConfigured(pty);
  ASSERT_NE(device, nullptr);

  std::thread interrupter([&] {
    std::this_thread::sleep_for(20ms);
    device->Interrupt();
  });
  platform::SerialWaitResult r = device->Wait(true, std::nullopt);
  interrupter.join();
  EXPECT_TRUE(r.interrupted);
  EXPECT_FALSE(r.shutDown);

  std::thread closer([&] {
    std::this_thread::sleep_for(20ms);
    device->Shutdown();
  });
  r = device->Wait(true, std::nullopt);
  closer.join();
  EXPECT_TRUE(r.shutDown);
  EXPECT_TRUE(device->Wait(false, 0ms).shutDown) << "a shut-down port stays shut down";
  EXPECT_EQ(device->QueueWrite("x"), 0u);
}

TEST(SerialDevice, HangUpIsAReadFailureWithEio) {
  PtyPair pty;
  ASSERT_TRUE(pty.IsValid());
  auto device = OpenConfigured(pty);
  ASSERT_NE(device, nullptr);
  pty.CloseMaster();
  const platform::SerialWaitResult r = device->Wait(true, 2s);
  EXPECT_TRUE(r.input);
  char buffer[16];
  platform::SetLastError(0);
  EXPECT_EQ(device->Read(buffer, sizeof buffer), -1);
  EXPECT_EQ(platform::LastError(), EIO);
}

TEST(SerialDevice, PseudoTerminalHasNoModemLines) {
  PtyPair pty;
  ASSERT_TRUE(pty.IsValid());
  auto device = OpenConfigured(pty);
  ASSERT_NE(device, nullptr);
  platform::ModemLines lines;
  lines.cts = lines.dsr = lines.ring = lines.rlsd = true;
  EXPECT_FALSE(device->ReadModemLines(lines));
  EXPECT_EQ(platform::LastError(), ENOTTY);
  EXPECT_FALSE(lines.cts || lines.dsr || lines.ring || lines.rlsd);
  EXPECT_FALSE(device->SetDtr(true));
  // No modem-line event ever comes from a pty.
  EXPECT_FALSE(device->Wait(false, 20ms).modemChanged);
}

TEST(SerialDevice, WithParityOnAnFFByteComesThroughOnce) {
  // With parity on, the driver doubles every 0xFF it receives (its marking escape); the read
  // path undoes that. A pty makes no parity errors, so marked bytes are left to the decoder's
  // own table.
  PtyPair pty;
  ASSERT_TRUE(pty.IsValid());
  SerialLineSettings settings;
  settings.parity = platform::SerialParity::Even;
  settings.errorChar = '#';
  auto device = SystemSerialPorts().Open(pty.SlavePath());
  ASSERT_NE(device, nullptr);
  if (!device->Configure(settings)) GTEST_SKIP() << "this pty refuses parity settings";
  ASSERT_TRUE(
      pty.Write("a\xFF"
                "b"));
  EXPECT_EQ(ReadFromDevice(*device, 3),
            "a\xFF"
            "b");
}

TEST(SerialDevice, XoffHoldsWritesAndTheQueueRefusesAboveItsLimit) {
  PtyPair pty;
  ASSERT_TRUE(pty.IsValid());
  SerialLineSettings settings;
  settings.xonXoffOut = true;
  auto device = OpenConfigured(pty, settings);
  ASSERT_NE(device, nullptr);
  ASSERT_TRUE(pty.Write("\x13"));  // XOFF
  std::this_thread::sleep_for(100ms);
  const std::string half(600 * 1024, 'x');
  const std::uint64_t first = device->QueueWrite(half);
  ASSERT_NE(first, 0u);
  EXPECT_FALSE(device->WaitWritten(first, 100ms)) << "held up by XOFF";
  EXPECT_NE(device->QueueWrite(half), 0u);
  platform::SetLastError(0);
  EXPECT_EQ(device->QueueWrite("y"), 0u);
  EXPECT_EQ(platform::LastError(), EAGAIN);
  // Shutting down drops what waits and does not hang on the held-up write.
  device->Shutdown();
  EXPECT_FALSE(device->WaitWritten(first, 0ms));
}

}  // namespace
