#include "platform/serial_device.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/last_error.h"
#include "platform/pseudo_terminal.h"
#include "platform/serial_termios_settings.h"

namespace {

using namespace std::chrono_literals;
using platform::PseudoTerminalPair;
using platform::SerialDevice;
using platform::SerialLineSettings;
using platform::SystemSerialPorts;

std::shared_ptr<SerialDevice> OpenConfigured(const PseudoTerminalPair& pty,
                                             SerialLineSettings settings = {}) {
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

TEST(SerialDeviceOpen, MissingPortFailsWithTheSystemError) {
  platform::SetLastError(0);
  EXPECT_EQ(SystemSerialPorts().Open("ttyNoSuchPort"), nullptr);
  EXPECT_EQ(platform::LastError(), ENOENT);
}

TEST(SerialDeviceOpen, IsExclusiveUntilShutDown) {
  PseudoTerminalPair pty;
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
  PseudoTerminalPair pty(true);
  ASSERT_TRUE(pty.IsValid());
  // Start from a cooked line, as a new terminal is.
  ASSERT_TRUE(pty.MakeSlaveCooked());

  SerialLineSettings settings;
  settings.baudRate = 19200;
  settings.xonXoffOut = true;
  auto device = OpenConfigured(pty, settings);
  ASSERT_NE(device, nullptr);
  auto modes = pty.SlaveModes();
  ASSERT_TRUE(modes.has_value());
  EXPECT_FALSE(modes->echo);
  EXPECT_FALSE(modes->canonical);
  EXPECT_FALSE(modes->outputProcessing);
  EXPECT_TRUE(modes->xonXoffOut);
  EXPECT_FALSE(modes->xonXoffIn);
  EXPECT_EQ(modes->outputSpeed, 19200);
}

TEST(SerialDeviceConfigure, SetsSpeedsWithoutAConstant) {
  PseudoTerminalPair pty(true);
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
  PseudoTerminalPair pty;
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
  PseudoTerminalPair pty;
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
  PseudoTerminalPair pty;
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
  PseudoTerminalPair pty;
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
  PseudoTerminalPair pty;
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
  PseudoTerminalPair pty;
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
  PseudoTerminalPair pty;
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
