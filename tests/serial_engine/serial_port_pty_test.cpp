// The engine on real pseudo-terminals: the test holds the master side, the port opens the slave.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/cp932.h"
#include "platform/last_error.h"
#include "platform/pseudo_terminal.h"
#include "serial/engine/serial_port.h"
#include "support/temp_dir.h"
#include "window_side.h"

namespace {

using namespace std::chrono_literals;
using platform::PseudoTerminalPair;
using serial::kReceiveBlockLimit;
using serial::PortErrorText;
using SerialPort = serial_test::WatchedPort;
using serial::SerialTimings;
using serial_test::WindowSide;

SerialTimings Quick() {
  SerialTimings t;
  t.handshakeLimit = 3000ms;
  t.reopenPause = 50ms;
  t.writeWait = 200ms;
  return t;
}

void Fill(SerialPort& port, const std::string& name) {
  port.portName = name;
  port.baudRate = 9600;
  port.byteSize = 8;
}

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

std::string Joined(const WindowSide& window) {
  std::string all;
  for (const auto& n : window.seen) all += n.rxBlock;
  return all;
}

TEST(SerialPortPty, OpenErrorCarriesTheSystemText) {
  WindowSide window;
  SerialPort port(window.queue);
  Fill(port, "ttyNoSuchPort");
  EXPECT_FALSE(port.OpenPort());
  EXPECT_EQ(port.errorText,
            platform::Cp932("RS232C Open Error") + "(" + platform::SystemMessageText(ENOENT) + ")");
  EXPECT_FALSE(port.isOpen());
}

TEST(SerialPortPty, PortInUseByAnotherOpenerIsAnOpenError) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  WindowSide window;
  SerialPort first(window.queue);
  SerialPort second(window.queue);
  Fill(first, pty.SlavePath());
  Fill(second, pty.SlavePath());
  ASSERT_TRUE(first.OpenPort()) << first.errorText;
  EXPECT_FALSE(second.OpenPort());
  EXPECT_EQ(second.errorText, PortErrorText(platform::Cp932("RS232C Open Error"), EBUSY));
}

TEST(SerialPortPty, ABurstJoinsOneBlockAndAfterAnEmptyQueueANewBlockBegins) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  WindowSide window;
  SerialTimings timings = Quick();
  // A long pause keeps the case clear of scheduling noise; the working value is 50 ms.
  timings.coalescePause = 400ms;
  SerialPort port(window.queue, platform::SystemSerialPorts(), timings);
  Fill(port, pty.SlavePath());
  ASSERT_TRUE(port.OpenPort()) << port.errorText;

  ASSERT_TRUE(pty.Write("abc"));
  std::this_thread::sleep_for(100ms);  // inside the pause after the first read
  ASSERT_TRUE(pty.Write("def"));
  ASSERT_TRUE(window.PumpUntil([&] { return !window.seen.empty(); }, 3s));
  ASSERT_EQ(window.seen.size(), 1u);
  EXPECT_EQ(window.seen[0].rxBlock, "abcdef");
  EXPECT_TRUE(window.seen[0].errorText.empty());

  ASSERT_TRUE(pty.Write("ghi"));
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() == 2; }, 3s));
  EXPECT_EQ(window.seen[1].rxBlock, "ghi");
}

TEST(SerialPortPty, ALongBurstComesInBlocksOfAtMost102400BytesNothingLostOrDoubled) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  WindowSide window;
  SerialPort port(window.queue, platform::SystemSerialPorts(), Quick());
  Fill(port, pty.SlavePath());
  ASSERT_TRUE(port.OpenPort()) << port.errorText;

  const std::string data = Pattern(150000);
  std::thread writer([&] { EXPECT_TRUE(pty.Write(data)); });
  const bool all = window.PumpUntil([&] { return Joined(window).size() >= data.size(); }, 20s);
  writer.join();
  ASSERT_TRUE(all) << Joined(window).size();
  window.PumpFor(100ms);
  EXPECT_GE(window.seen.size(), 2u);
  for (const auto& n : window.seen) {
    EXPECT_LE(n.rxLength(), kReceiveBlockLimit);
    EXPECT_GT(n.rxLength(), 0u);
  }
  EXPECT_TRUE(Joined(window) == data) << "every byte once, in order";
}

TEST(SerialPortPty, NoNewBlockBeforeTheAnswerAndTheThreadGoesOnAfterTheLimit) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  WindowSide window;
  window.answer = false;
  SerialTimings timings = Quick();
  timings.coalescePause = 10ms;
  timings.handshakeLimit = 1500ms;
  SerialPort port(window.queue, platform::SystemSerialPorts(), timings);
  Fill(port, pty.SlavePath());
  ASSERT_TRUE(port.OpenPort()) << port.errorText;

  ASSERT_TRUE(pty.Write("first"));
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() == 1; }, 3s));
  const auto firstSeen = std::chrono::steady_clock::now();
  ASSERT_TRUE(pty.Write("second"));
  // Unanswered: nothing new until the limit has passed.
  window.PumpFor(300ms);
  EXPECT_EQ(window.seen.size(), 1u);
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() == 2; }, 3s));
  // The limit runs from the post, a little before the block was seen here.
  EXPECT_GE(std::chrono::steady_clock::now() - firstSeen, 750ms);
  // The late window still holds its own block, untouched by the next one.
  EXPECT_EQ(window.seen[0].rxBlock, "first");
  EXPECT_EQ(window.seen[1].rxBlock, "second");

  // Answering both lets the thread go on at once.
  port.Acknowledge();
  port.Acknowledge();
  window.answer = true;
  ASSERT_TRUE(pty.Write("third"));
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() == 3; }, 1000ms));
  EXPECT_EQ(window.seen[2].rxBlock, "third");
}

TEST(SerialPortPty, ClosingWhileIdleGivesOneEmptyNotificationAndReleasesThePort) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  WindowSide window;
  SerialPort port(window.queue, platform::SystemSerialPorts(), Quick());
  Fill(port, pty.SlavePath());
  ASSERT_TRUE(port.OpenPort()) << port.errorText;
  window.PumpFor(50ms);
  ASSERT_TRUE(window.seen.empty());

  port.ClosePort();
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(port.keepReading());
  ASSERT_TRUE(window.PumpUntil([&] { return !window.seen.empty(); }, 3s));
  window.PumpFor(100ms);
  ASSERT_EQ(window.seen.size(), 1u);
  EXPECT_EQ(window.seen[0].rxLength(), 0u);
  EXPECT_TRUE(window.seen[0].errorText.empty());

  // The port is free again at once, and bytes now go to the new opener only.
  WindowSide other;
  SerialPort next(other.queue, platform::SystemSerialPorts(), Quick());
  Fill(next, pty.SlavePath());
  ASSERT_TRUE(next.OpenPort()) << next.errorText;
  ASSERT_TRUE(pty.Write("again"));
  ASSERT_TRUE(other.PumpUntil([&] { return !other.seen.empty(); }, 3s));
  EXPECT_EQ(other.seen[0].rxBlock, "again");
  window.PumpFor(50ms);
  EXPECT_EQ(window.seen.size(), 1u);
}

// A port opened through a symbolic link, so that the test can unplug the adapter (its line
// hangs up and the name leads nowhere) and plug a new one in under the same name.
class LinkedPort {
 public:
  LinkedPort() : link_(dir_ / "port"), lost_(std::make_unique<PseudoTerminalPair>()) {
    std::filesystem::create_symlink(lost_->SlavePath(), link_);
  }
  bool IsValid() const { return lost_->IsValid(); }
  const std::string& Link() const { return link_; }

  // The link is moved at once, as the freed pty number may be given to another test's pty.
  void Unplug() {
    lost_->CloseMaster();
    PointLinkAt(dir_ / "gone");
  }
  void PlugIn(const PseudoTerminalPair& back) { PointLinkAt(back.SlavePath()); }

 private:
  void PointLinkAt(const std::string& target) {
    std::filesystem::remove(link_);
    std::filesystem::create_symlink(target, link_);
  }

  testing_support::TempDir dir_;
  std::string link_;
  std::unique_ptr<PseudoTerminalPair> lost_;
};

TEST(SerialPortPty, UnpluggedPortIsReportedThenReopenedWhenItComesBack) {
  LinkedPort adapter;
  ASSERT_TRUE(adapter.IsValid());

  WindowSide window;
  SerialPort port(window.queue, platform::SystemSerialPorts(), Quick());
  Fill(port, adapter.Link());
  ASSERT_TRUE(port.OpenPort()) << port.errorText;

  adapter.Unplug();
  const std::string readError = PortErrorText(platform::Cp932("RS232C Read Error"), EIO);
  const std::string openError = PortErrorText(platform::Cp932("RS232C Open Error"), ENOENT);
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() >= 4; }, 5s));
  EXPECT_EQ(window.seen[0].errorText, readError);
  for (std::size_t i = 1; i < window.seen.size(); ++i)
    EXPECT_EQ(window.seen[i].errorText, openError) << i;
  EXPECT_FALSE(port.isOpen());
  EXPECT_TRUE(port.keepReading());

  // The adapter comes back under the same name.
  PseudoTerminalPair back;
  ASSERT_TRUE(back.IsValid());
  adapter.PlugIn(back);
  ASSERT_TRUE(window.PumpUntil([&] { return port.isOpen(); }, 3s));
  const std::size_t reports = window.seen.size();
  ASSERT_TRUE(back.Write("hello"));
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() > reports; }, 3s));
  window.PumpFor(100ms);
  ASSERT_EQ(window.seen.size(), reports + 1) << "reception resumes with no further report";
  EXPECT_EQ(window.seen.back().rxBlock, "hello");
  std::size_t readErrors = 0;
  for (const auto& n : window.seen) readErrors += n.errorText == readError ? 1 : 0;
  EXPECT_EQ(readErrors, 1u);
}

TEST(SerialPortPty, ClosingDuringReopenAttemptsLeavesNoPortOpen) {
  LinkedPort adapter;
  ASSERT_TRUE(adapter.IsValid());

  WindowSide window;
  SerialPort port(window.queue, platform::SystemSerialPorts(), Quick());
  Fill(port, adapter.Link());
  ASSERT_TRUE(port.OpenPort()) << port.errorText;
  adapter.Unplug();
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() >= 2; }, 5s));

  port.ClosePort();
  PseudoTerminalPair back;
  ASSERT_TRUE(back.IsValid());
  adapter.PlugIn(back);
  window.PumpFor(300ms);  // several reopen pauses
  const std::size_t after = window.seen.size();
  window.PumpFor(200ms);
  EXPECT_EQ(window.seen.size(), after) << "the thread has ended";
  EXPECT_FALSE(port.isOpen());
  // Nobody holds the port: another opener gets it.
  WindowSide other;
  SerialPort next(other.queue, platform::SystemSerialPorts(), Quick());
  Fill(next, adapter.Link());
  EXPECT_TRUE(next.OpenPort()) << next.errorText;
}

// A write to a lost port never counts as sent: neither one that reaches the hung-up line before
// the receive thread has seen the loss, nor one made while the port is being reopened.
TEST(SerialPortPty, AWriteToALostPortIsAWriteError) {
  LinkedPort adapter;
  ASSERT_TRUE(adapter.IsValid());
  WindowSide window;
  window.answer = false;  // the loss stays unanswered: the port still counts as open
  SerialPort port(window.queue, platform::SystemSerialPorts(), Quick());
  Fill(port, adapter.Link());
  ASSERT_TRUE(port.OpenPort()) << port.errorText;
  adapter.Unplug();
  const std::string writeError = PortErrorText(platform::Cp932("RS232C Write Error"), EIO);

  std::string("abc").copy(port.txBlock.data(), 3);
  port.txLength = 3;
  ASSERT_TRUE(port.isOpen());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(port.WritePort());
  EXPECT_LT(std::chrono::steady_clock::now() - start, 190ms) << "no wait for a failed write";
  EXPECT_EQ(port.errorText, writeError);

  // Answered, the thread reopens in vain: the port is lost, and still wanted.
  ASSERT_TRUE(window.PumpUntil([&] { return !window.seen.empty(); }, 5s));
  port.Acknowledge();
  window.answer = true;
  ASSERT_TRUE(window.PumpUntil([&] { return window.seen.size() >= 3; }, 5s));
  ASSERT_FALSE(port.isOpen());
  ASSERT_TRUE(port.keepReading());
  port.errorText.clear();
  EXPECT_FALSE(port.WritePort());
  EXPECT_EQ(port.errorText, writeError);

  // Closed by the user, a write does nothing again.
  port.ClosePort();
  EXPECT_TRUE(port.WritePort());
  EXPECT_TRUE(port.errorText.empty());
}

TEST(SerialPortPty, WritingWithThePortClosedDoesNothingAndSucceeds) {
  WindowSide window;
  SerialPort port(window.queue);
  port.errorText = "old";
  std::string("abc").copy(port.txBlock.data(), 3);
  port.txLength = 3;
  EXPECT_TRUE(port.WritePort());
  EXPECT_TRUE(port.errorText.empty());
}

TEST(SerialPortPty, WritesReachTheLineAndAnXoffHeldWriteCountsAsSentAfterTheWait) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  WindowSide window;
  SerialPort port(window.queue, platform::SystemSerialPorts(), Quick());
  Fill(port, pty.SlavePath());
  port.xonXoffOut = port.xonXoffIn = 1;
  ASSERT_TRUE(port.OpenPort()) << port.errorText;

  std::string("hello").copy(port.txBlock.data(), 5);
  port.txLength = 5;
  EXPECT_TRUE(port.WritePort());
  EXPECT_EQ(pty.Read(5, 2s), "hello");

  ASSERT_TRUE(pty.Write("\x13"));  // XOFF from the peer
  std::this_thread::sleep_for(100ms);
  std::string("held").copy(port.txBlock.data(), 4);
  port.txLength = 4;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(port.WritePort());
  EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
  EXPECT_TRUE(port.errorText.empty());
  // The block was copied: the window may reuse txBlock at once.
  std::string("XXXX").copy(port.txBlock.data(), 4);
  EXPECT_EQ(pty.Read(4, 100ms), "");
  ASSERT_TRUE(pty.Write("\x11"));  // XON
  EXPECT_EQ(pty.Read(4, 2s), "held");
  window.PumpFor(50ms);
  EXPECT_TRUE(window.seen.empty()) << "XON and XOFF are not data";
}

}  // namespace
