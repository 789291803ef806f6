// Engine cases that a pseudo-terminal cannot show: modem lines, DTR and RTS, the line settings
// handed to the port, refusals of the port, and races of a reopen with the user's close.

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "fake_serial_device.h"
#include "platform/cp932.h"
#include "platform/last_error.h"
#include "serial/engine/serial_port.h"
#include "window_side.h"

namespace {

using namespace std::chrono_literals;
using platform::SerialParity;
using platform::SerialStopBits;
using serial::PortErrorText;
using SerialPort = serial_test::WatchedPort;
using serial::SerialTimings;
using serial_test::FakeOpener;
using serial_test::WindowSide;

SerialTimings Quick() {
  SerialTimings t;
  t.coalescePause = 20ms;
  t.handshakeLimit = 2000ms;
  t.reopenPause = 30ms;
  t.writeWait = 100ms;
  return t;
}

void Fill(SerialPort& port) {
  port.portName = "ttyFAKE";
  port.baudRate = 9600;
  port.byteSize = 8;
}

struct SettingsCase {
  const char* name;
  int parity, stopBits, byteSize, xonXoff;
  char errorChar;
  platform::SerialLineSettings expected;
};

class SettingsMapping : public testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsMapping, WindowCodesReachThePortAsLineSettings) {
  const SettingsCase& c = GetParam();
  FakeOpener opener;
  WindowSide window;
  SerialPort port(window.queue, opener, Quick());
  Fill(port);
  port.baudRate = c.expected.baudRate;
  port.parity = c.parity;
  port.stopBits = c.stopBits;
  port.byteSize = c.byteSize;
  port.xonXoffOut = port.xonXoffIn = c.xonXoff;
  port.errorChar = c.errorChar;
  ASSERT_TRUE(port.OpenPort());
  const auto record = opener.Device(0)->Recorded();
  ASSERT_TRUE(record.settings.has_value());
  EXPECT_EQ(*record.settings, c.expected);
  ASSERT_FALSE(record.calls.empty());
  EXPECT_EQ(record.calls.front(), "queues 102400 102400");
}

platform::SerialLineSettings Line(int baud, int size, SerialParity parity, SerialStopBits stop,
                                  bool xon, char errorChar) {
  return {baud, size, parity, stop, xon, xon, errorChar};
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsMapping,
    testing::Values(
        // With no parity the replacement character is not used.
        SettingsCase{"none", 0, 0, 8, 0, '*',
                     Line(9600, 8, SerialParity::None, SerialStopBits::One, false, 0)},
        SettingsCase{"odd", 1, 2, 7, 1, '*',
                     Line(19200, 7, SerialParity::Odd, SerialStopBits::Two, true, '*')},
        SettingsCase{"even", 2, 0, 7, 0, 0,
                     Line(14400, 7, SerialParity::Even, SerialStopBits::One, false, 0)},
        SettingsCase{"mark", 3, 1, 5, 0, '?',
                     Line(300, 5, SerialParity::Mark, SerialStopBits::OneAndHalf, false, '?')},
        SettingsCase{"space", 4, 0, 6, 1, '!',
                     Line(115200, 6, SerialParity::Space, SerialStopBits::One, true, '!')},
        // XON/XOFF takes bit 0 only.
        SettingsCase{"xon_bit0", 0, 0, 8, 3, 0,
                     Line(9600, 8, SerialParity::None, SerialStopBits::One, true, 0)},
        SettingsCase{"xon_bit1_only", 0, 0, 8, 2, 0,
                     Line(9600, 8, SerialParity::None, SerialStopBits::One, false, 0)}),
    [](const testing::TestParamInfo<SettingsCase>& testCase) {
      return std::string(testCase.param.name);
    });

// The fake port takes every setting a port of this system takes, so each refusal below comes
// from the code reaching the port, as it would on a real one; the settings it handed over are
// recorded all the same.
TEST(SerialPortFake, OutOfListCodesGiveSetCommStateError) {
  struct Refused {
    const char* name;
    int parity, stopBits, byteSize, baudRate;
    platform::SerialLineSettings handedOver;
  };
  const Refused cases[] = {
      {"no parity selected", -1, 0, 8, 9600,
       Line(9600, 8, static_cast<SerialParity>(-1), SerialStopBits::One, false, '?')},
      {"parity past the list", 5, 0, 8, 9600,
       Line(9600, 8, static_cast<SerialParity>(5), SerialStopBits::One, false, '?')},
      {"no stop bits selected", 0, -1, 8, 9600,
       Line(9600, 8, SerialParity::None, static_cast<SerialStopBits>(-1), false, 0)},
      {"one and a half stop bits with eight data bits", 0, 1, 8, 9600,
       Line(9600, 8, SerialParity::None, SerialStopBits::OneAndHalf, false, 0)},
      {"four data bits", 0, 0, 4, 9600,
       Line(9600, 4, SerialParity::None, SerialStopBits::One, false, 0)},
      {"nine data bits", 0, 0, 9, 9600,
       Line(9600, 9, SerialParity::None, SerialStopBits::One, false, 0)},
      {"speed 0", 0, 0, 8, 0, Line(0, 8, SerialParity::None, SerialStopBits::One, false, 0)},
  };
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.name);
    FakeOpener opener;
    WindowSide window;
    SerialPort port(window.queue, opener, Quick());
    Fill(port);
    port.parity = c.parity;
    port.stopBits = c.stopBits;
    port.byteSize = c.byteSize;
    port.baudRate = c.baudRate;
    port.errorChar = '?';
    EXPECT_FALSE(port.OpenPort());
    EXPECT_EQ(port.errorText, PortErrorText(platform::Cp932("RS232C SetCommState Error"), EINVAL));
    ASSERT_EQ(opener.DeviceCount(), 1u);
    const auto record = opener.Device(0)->Recorded();
    ASSERT_TRUE(record.settings.has_value());
    EXPECT_EQ(*record.settings, c.handedOver);
    EXPECT_TRUE(record.shutDown) << "the port is closed again";
    EXPECT_FALSE(port.isOpen());
  }
}

TEST(SerialPortFake, APortThatRefusesItsSettingsGivesSetCommStateError) {
  FakeOpener opener;
  opener.Prepare([](serial_test::FakeSerialDevice& d) { d.configureError = EIO; });
  WindowSide window;
  SerialPort port(window.queue, opener, Quick());
  Fill(port);
  EXPECT_FALSE(port.OpenPort());
  EXPECT_EQ(port.errorText, PortErrorText(platform::Cp932("RS232C SetCommState Error"), EIO));
  EXPECT_TRUE(opener.Device(0)->Recorded().shutDown) << "the port is closed again";
  EXPECT_FALSE(port.isOpen());
}

TEST(SerialPortFake, RefusedQueueSizesGiveSetupCommError) {
  FakeOpener opener;
  opener.Prepare([](serial_test::FakeSerialDevice& d) { d.setupError = ENOMEM; });
  WindowSide window;
  SerialPort port(window.queue, opener, Quick());
  Fill(port);
  EXPECT_FALSE(port.OpenPort());
  EXPECT_EQ(port.errorText, PortErrorText(platform::Cp932("RS232C SetupComm Error"), ENOMEM));
  EXPECT_TRUE(opener.Device(0)->Recorded().shutDown);
}

TEST(SerialPortFake, PortNameIsCutAt63Bytes) {
  FakeOpener opener;
  WindowSide window;
  SerialPort port(window.queue, opener, Quick());
  Fill(port);
  port.portName = std::string(70, 'p');
  ASSERT_TRUE(port.OpenPort());
  EXPECT_EQ(opener.Names().at(0), std::string(63, 'p'));
}

TEST(SerialPortFake, AnEmptyOrBlankNameNamesNoPortAndNothingIsOpened) {
  // The last one is blank only within the 63 bytes that are used.
  for (const std::string& name :
       std::vector<std::string>{"", " ", "\t", "  \t  ", std::string(63, ' ') + "x"}) {
    FakeOpener opener;
    WindowSide window;
    SerialPort port(window.queue, opener, Quick());
    Fill(port);
    port.portName = name;
    EXPECT_FALSE(port.OpenPort()) << '"' << name << '"';
    EXPECT_EQ(port.errorText, PortErrorText(platform::Cp932("RS232C Open Error"), ENOENT));
    EXPECT_TRUE(opener.Names().empty()) << '"' << name << '"';
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.keepReading());
  }
}

TEST(SerialPortFake, LineStatesDtrAndRts) {
  FakeOpener opener;
  WindowSide window;
  SerialPort port(window.queue, opener, Quick());
  Fill(port);
  // Closed: nothing is driven and the lines read 0.
  port.ApplyDtr(true);
  port.ApplyRts(true);
  serial::LineState closed = port.ReadLineState();
  EXPECT_EQ(closed.cts + closed.dsr + closed.ring + closed.rlsd, 0);

  opener.Prepare([](serial_test::FakeSerialDevice& d) {
    platform::ModemLines lines;
    lines.cts = true;
    lines.ring = true;
    d.ChangeLines(lines);
  });
  ASSERT_TRUE(port.OpenPort());
  auto device = opener.Device(0);
  port.ApplyDtr(true);
  port.ApplyRts(false);
  port.ApplyDtr(false);
  port.ApplyRts(true);
  const auto calls = device->Recorded().calls;
  EXPECT_EQ(std::vector<std::string>(calls.begin() + 1, calls.end()),
            (std::vector<std::string>{"dtr on", "rts off", "dtr off", "rts on"}));

  struct {
    bool cts, dsr, ring, rlsd;
  } cases[] = {{true, false, true, false}, {false, true, false, true}, {true, true, true, true}};
  for (const auto& c : cases) {
    platform::ModemLines lines;
    lines.cts = c.cts;
    lines.dsr = c.dsr;
    lines.ring = c.ring;
    lines.rlsd = c.rlsd;
    const std::size_t before = window.seen.size();
    device->ChangeLines(lines);
    // A line change without data is one empty notification.
    ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() > before; }, 2s));
    EXPECT_EQ(window.seen.back().rxLength(), 0u);
    EXPECT_TRUE(window.seen.back().errorText.empty());
    const serial::LineState state = port.ReadLineState();
    EXPECT_EQ(state.cts, c.cts ? 1 : 0);
    EXPECT_EQ(state.dsr, c.dsr ? 1 : 0);
    EXPECT_EQ(state.ring, c.ring ? 1 : 0);
    EXPECT_EQ(state.rlsd, c.rlsd ? 1 : 0);
  }
}

TEST(SerialPortFake, RefusedWriteGivesWriteError) {
  FakeOpener opener;
  opener.Prepare([](serial_test::FakeSerialDevice& d) { d.writeError = EAGAIN; });
  WindowSide window;
  SerialPort port(window.queue, opener, Quick());
  Fill(port);
  ASSERT_TRUE(port.OpenPort());
  port.txLength = 3;
  EXPECT_FALSE(port.WritePort());
  EXPECT_EQ(port.errorText, PortErrorText(platform::Cp932("RS232C Write Error"), EAGAIN));
}

TEST(SerialPortFake, SecondOpenWhileOneRunsReturnsFalseAndTouchesNothing) {
  FakeOpener opener;
  WindowSide window;
  SerialPort port(window.queue, opener, Quick());
  Fill(port);
  port.errorText = "kept";
  opener.Hold(true);
  bool firstResult = false;
  std::thread first([&] { firstResult = port.OpenPort(); });
  ASSERT_TRUE(opener.WaitForOpens(1, 2s));
  // The running OpenPort owns errorText until it returns; the refused one leaves it alone.
  EXPECT_FALSE(port.OpenPort());
  EXPECT_EQ(port.errorText, "kept");
  opener.Hold(false);
  first.join();
  EXPECT_TRUE(firstResult);
  EXPECT_EQ(opener.Names().size(), 1u);
}

TEST(SerialPortFake, CloseDuringAReopenIsFinal) {
  FakeOpener opener;
  WindowSide window;
  SerialPort port(window.queue, opener, Quick());
  Fill(port);
  ASSERT_TRUE(port.OpenPort());
  auto lost = opener.Device(0);
  opener.Hold(true);
  lost->HangUp();
  // The thread reports the failed wait, then starts reopening and is held inside the open.
  ASSERT_TRUE(window.PumpUntil([&] { return !window.seen.empty(); }, 2s));
  EXPECT_EQ(window.seen[0].errorText, PortErrorText(platform::Cp932("RS232C Read Error"), EIO));
  ASSERT_TRUE(opener.WaitForOpens(2, 2s));
  EXPECT_TRUE(lost->Recorded().shutDown);
  EXPECT_FALSE(port.isOpen());
  EXPECT_TRUE(port.keepReading());

  port.ClosePort();
  opener.Hold(false);
  // The port that the reopen made is closed again at once, and nothing reads from it.
  ASSERT_TRUE(window.PumpUntil([&] { return opener.DeviceCount() == 2; }, 2s));
  auto reopened = opener.Device(1);
  ASSERT_TRUE(window.PumpUntil([&] { return reopened->Recorded().shutDown; }, 2s));
  window.PumpFor(100ms);
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(port.keepReading());
  EXPECT_EQ(window.seen.size(), 1u) << "no report after the close";
}

TEST(SerialPortFake, ReconnectAfterACloseReadsOnlyTheNewPort) {
  // A window OpenPort after a close starts a new port; the old thread does not come back.
  FakeOpener opener;
  WindowSide window;
  SerialPort port(window.queue, opener, Quick());
  Fill(port);
  ASSERT_TRUE(port.OpenPort());
  port.ClosePort();
  ASSERT_TRUE(port.OpenPort());
  opener.Device(1)->Feed("new");
  ASSERT_TRUE(window.PumpUntil(
      [&] { return !window.seen.empty() && window.seen.back().rxBlock == "new"; }, 2s));
  EXPECT_TRUE(opener.Device(0)->Recorded().shutDown);
  EXPECT_FALSE(opener.Device(1)->Recorded().shutDown);
}

TEST(SerialPortFake, BytesLeftInTheQueueByAFullBlockComeWithoutWaitingForMore) {
  FakeOpener opener;
  WindowSide window;
  SerialTimings timings = Quick();
  timings.coalescePause = 300ms;
  SerialPort port(window.queue, opener, timings);
  Fill(port);
  ASSERT_TRUE(port.OpenPort());
  auto device = opener.Device(0);
  const std::string first(60000, 'a');
  const std::string second(60000, 'b');
  device->Feed(first);
  // The thread has taken the first part and pauses.
  ASSERT_TRUE(device->WaitUntilDrainedAndWaiting(10s));
  // The second part does not fit beside the first: the first block ends, and the second part
  // stays queued. Nothing else arrives, yet it is delivered.
  device->Feed(second);
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() == 2; }, 3s));
  EXPECT_EQ(window.seen[0].rxBlock, first);
  EXPECT_EQ(window.seen[1].rxBlock, second);
}

TEST(SerialPortFake, AReadFailureReportsThenHandsOverWhatWasCollectedOnceReopened) {
  FakeOpener opener;
  WindowSide window;
  SerialTimings timings = Quick();
  timings.coalescePause = 300ms;
  SerialPort port(window.queue, opener, timings);
  Fill(port);
  ASSERT_TRUE(port.OpenPort());
  auto device = opener.Device(0);
  device->Feed("abc");
  ASSERT_TRUE(device->WaitUntilDrainedAndWaiting(10s));
  device->HangUp();  // during the pause
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() == 2; }, 3s));
  EXPECT_EQ(window.seen[0].errorText, PortErrorText(platform::Cp932("RS232C ReadFile Error"), EIO));
  EXPECT_EQ(window.seen[1].rxBlock, "abc");
  EXPECT_TRUE(window.seen[1].errorText.empty());
  EXPECT_TRUE(port.isOpen());
  EXPECT_EQ(opener.DeviceCount(), 2u);
  // The reopened port is read by the same engine.
  opener.Device(1)->Feed("def");
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() == 3; }, 3s));
  EXPECT_EQ(window.seen[2].rxBlock, "def");
}

TEST(SerialPortFake, DestroyingThePortWakesAndJoinsAThreadWaitingForTheWindow) {
  FakeOpener opener;
  WindowSide window;
  window.answer = false;
  auto port = std::make_unique<SerialPort>(window.queue, opener);  // the 10 s limit
  Fill(*port);
  ASSERT_TRUE(port->OpenPort());
  opener.Device(0)->Feed("x");
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() == 1; }, 3s));
  const auto start = std::chrono::steady_clock::now();
  port.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_TRUE(opener.Device(0)->Recorded().shutDown);
}

TEST(PortErrorText, CaptionAndSystemTextCutAtACharacterBoundary) {
  EXPECT_EQ(PortErrorText("RS232C Open Error", ENOENT),
            "RS232C Open Error(" + platform::SystemMessageText(ENOENT) + ")");
  // A caption of double-byte characters that ends exactly across the limit loses the whole
  // last character, never half of it.
  const std::string a = platform::Cp932("あ");
  ASSERT_EQ(a.size(), 2u);
  std::string caption = "xx";
  for (int i = 0; i < 130; ++i) caption += a;
  const std::string text = PortErrorText(caption, EIO);
  EXPECT_EQ(text, caption.substr(0, 254));
  EXPECT_EQ(PortErrorText(std::string(300, 'c'), EIO), std::string(255, 'c'));
}

}  // namespace

namespace {

TEST(SerialPortFake, AMessageLeftByADestroyedPortIsDropped) {
  FakeOpener opener;
  WindowSide window;
  auto port = std::make_unique<SerialPort>(window.queue, opener, Quick());
  Fill(*port);
  ASSERT_TRUE(port->OpenPort());
  opener.Device(0)->Feed("x");
  // The notification is posted but not yet delivered when the port goes.
  const auto until = std::chrono::steady_clock::now() + 3s;
  while (window.queue.Waiting() == 0 && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_EQ(window.queue.Waiting(), 1u);
  const std::uintptr_t id = port->Id();
  port.reset();
  // Another port in its place has another id: the message names nothing live.
  SerialPort next(window.queue, opener, Quick());
  EXPECT_NE(next.Id(), id);
  window.PumpFor(50ms);
  EXPECT_EQ(window.dropped, 1);
  EXPECT_TRUE(window.seen.empty());
}

}  // namespace
