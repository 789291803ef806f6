// The comm component on real pseudo-terminal pairs: the test holds the master side as the
// device at the other end of the line.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "comm_component/comm_rig.h"
#include "components/comm/comm_component.h"
#include "platform/cp932.h"
#include "platform/pseudo_terminal.h"
#include "support/temp_dir.h"

namespace {

using namespace mscomm_test;
using platform::PseudoTerminalPair;
namespace comm = components::comm;

std::string TakeInput(comm::CommComponent& c) {
  std::string bytes;
  EXPECT_TRUE(c.Input(bytes).ok());
  return bytes;
}

class CommOnPty : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.IsValid());
    ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
  }
  // Feeds bytes from the far end and pumps until the component holds `count` bytes.
  void Arrive(const std::string& bytes, int count) {
    ASSERT_TRUE(pty.Write(bytes));
    ASSERT_TRUE(PumpUntil(rig.loop, [&] {
      int waiting = 0;
      return rig.comm->InBufferCount(waiting).ok() && waiting >= count;
    }));
  }

  PseudoTerminalPair pty;
  CommRig rig{pty.SlavePath()};
};

TEST(CommPort, OpensTheDeviceOfThePortLinkAndRefusesWhatScriptsGetRefused) {
  testing_support::TempDir config;
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  const std::filesystem::path ports = config.path() / "commtestkit" / "ports";
  std::filesystem::create_directories(ports);
  std::filesystem::create_symlink(pty.SlavePath(), ports / "COM7");
  std::filesystem::create_symlink(config / "nothing-here", ports / "COM8");
  const char* before = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = before ? before : "";
  ::setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);

  platform::PollReadinessLoop loop;
  comm::CommComponent first(loop);
  comm::CommComponent second(loop);
  EXPECT_EQ(first.CommPort(), 1);
  EXPECT_EQ(first.SetCommPort(0).error, comm::kErrPortInvalid);
  EXPECT_EQ(first.SetCommPort(257).error, comm::kErrPortInvalid);
  EXPECT_EQ(first.CommPort(), 1);

  std::string bytes;
  EXPECT_EQ(first.Input(bytes).error, comm::kErrPortNotOpen);
  EXPECT_EQ(first.Output("x").error, comm::kErrPortNotOpen);
  int count = 0;
  EXPECT_EQ(first.InBufferCount(count).error, comm::kErrPortNotOpen);
  EXPECT_EQ(first.SetOutBufferCount(0).error, comm::kErrPortNotOpen);

  ASSERT_TRUE(first.SetCommPort(7).ok());
  ASSERT_TRUE(first.SetPortOpen(true).ok());
  EXPECT_TRUE(first.PortOpen());
  EXPECT_GE(first.CommID(), 0);
  EXPECT_EQ(first.SetPortOpen(true).error, comm::kErrPortAlreadyOpen);
  EXPECT_EQ(first.SetCommPort(8).error, comm::kErrPortOpen);
  EXPECT_EQ(first.SetInBufferSize(2048).error, comm::kErrPortOpen);

  // The port is exclusive: another component of the same process is turned away too.
  ASSERT_TRUE(second.SetCommPort(7).ok());
  EXPECT_EQ(second.SetPortOpen(true).error, comm::kErrPortAlreadyOpen);
  EXPECT_FALSE(second.PortOpen());
  // A link to nothing is a port that does not exist.
  ASSERT_TRUE(second.SetCommPort(8).ok());
  EXPECT_EQ(second.SetPortOpen(true).error, comm::kErrDeviceUnavailable);

  ASSERT_TRUE(pty.Write("hello"));
  ASSERT_TRUE(PumpUntil(loop, [&] { return first.InBufferCount(count).ok() && count == 5; }));
  EXPECT_TRUE(first.Input(bytes).ok());
  EXPECT_EQ(bytes, "hello");

  // Closing frees the port for the other component.
  ASSERT_TRUE(first.SetPortOpen(false).ok());
  EXPECT_FALSE(first.PortOpen());
  EXPECT_EQ(first.CommID(), -1);
  ASSERT_TRUE(second.SetCommPort(7).ok());
  EXPECT_TRUE(second.SetPortOpen(true).ok());

  if (before)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(CommOnPty, InputTakesEverythingOrExactlyInputLen) {
  Arrive("abcdefg", 7);
  ASSERT_TRUE(rig.comm->SetInputLen(3).ok());
  EXPECT_EQ(TakeInput(*rig.comm), "abc");
  EXPECT_EQ(TakeInput(*rig.comm), "def");
  EXPECT_EQ(TakeInput(*rig.comm), "") << "fewer than InputLen bytes wait: nothing";
  int count = 0;
  ASSERT_TRUE(rig.comm->InBufferCount(count).ok());
  EXPECT_EQ(count, 1);
  ASSERT_TRUE(rig.comm->SetInputLen(0).ok());
  EXPECT_EQ(TakeInput(*rig.comm), "g");
  EXPECT_EQ(rig.comm->SetInputLen(-1).error, comm::kErrInvalidPropertyValue);
}

TEST_F(CommOnPty, TextInputKeepsAHalfArrivedCharacterForTheNextInput) {
  const std::string japanese = platform::Cp932("日本");  // four bytes, two characters
  ASSERT_EQ(japanese.size(), 4u);
  Arrive("A" + japanese.substr(0, 3), 4);
  EXPECT_EQ(TakeInput(*rig.comm), "A" + japanese.substr(0, 2));
  Arrive(japanese.substr(3), 2);
  EXPECT_EQ(TakeInput(*rig.comm), japanese.substr(2));

  // Binary input takes every byte as it came.
  ASSERT_TRUE(rig.comm->SetInputMode(comm::kComInputModeBinary).ok());
  Arrive(japanese.substr(0, 1), 1);
  EXPECT_EQ(TakeInput(*rig.comm), japanese.substr(0, 1));
  EXPECT_EQ(rig.comm->SetInputMode(2).error, comm::kErrInvalidPropertyValue);
}

TEST_F(CommOnPty, WritingZeroCountsEmptiesTheBuffers) {
  Arrive("waiting", 7);
  EXPECT_EQ(rig.comm->SetInBufferCount(3).error, comm::kErrInvalidPropertyValue);
  ASSERT_TRUE(rig.comm->SetInBufferCount(0).ok());
  int count = -1;
  ASSERT_TRUE(rig.comm->InBufferCount(count).ok());
  EXPECT_EQ(count, 0);
  EXPECT_EQ(TakeInput(*rig.comm), "");
  ASSERT_TRUE(rig.comm->OutBufferCount(count).ok());
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(rig.comm->SetOutBufferCount(0).ok());
}

TEST_F(CommOnPty, OutputNeverWaitsAndEveryByteArrivesInOrder) {
  // Far more than the pty takes at once and than OutBufferSize: the block is taken whole
  // because the buffer was empty, and written as the far end reads.
  std::string block;
  for (int i = 0; block.size() < 256 * 1024; ++i) block += std::to_string(i) + ",";
  ASSERT_TRUE(rig.comm->Output(block).ok());
  int pending = 0;
  ASSERT_TRUE(rig.comm->OutBufferCount(pending).ok());
  EXPECT_GT(pending, 0);

  // A further block that does not fit beside what waits is refused whole, and reported from
  // the loop, not inside the call.
  ASSERT_TRUE(rig.comm->Output(std::string(600, 'x')).ok());
  EXPECT_TRUE(rig.events.empty());
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.Count(comm::kComEventTxFull) == 1; }));

  std::string received;
  ASSERT_TRUE(PumpUntil(rig.loop, [&] {
    received += pty.Read(64 * 1024, 20ms);
    return received.size() >= block.size();
  }));
  EXPECT_EQ(received, block);
  ASSERT_TRUE(rig.comm->OutBufferCount(pending).ok());
  EXPECT_EQ(pending, 0);
}

TEST_F(CommOnPty, JapaneseTextGoesOutAsCodePage932) {
  const std::string text = platform::Cp932("受信OK\r\n");
  ASSERT_TRUE(rig.comm->Output(text).ok());
  EXPECT_EQ(pty.Read(text.size(), 2s), text);
}

TEST_F(CommOnPty, ReceiveEventsFollowEveryArrivalWhileRThresholdBytesWait) {
  ASSERT_TRUE(rig.comm->SetRThreshold(3).ok());
  Arrive("ab", 2);
  PumpFor(rig.loop, 30ms);
  EXPECT_EQ(rig.Count(comm::kComEvReceive), 0) << "below the threshold";
  Arrive("c", 3);
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.Count(comm::kComEvReceive) == 1; }));
  EXPECT_EQ(rig.comm->CommEvent(), comm::kComEvReceive);

  // Nothing taken, nothing new: no further event, and the loop is idle rather than spinning.
  EXPECT_EQ(PumpFor(rig.loop, 50ms), 0);
  EXPECT_EQ(rig.Count(comm::kComEvReceive), 1);
  // Each new arrival reports again while the bytes still wait.
  Arrive("d", 4);
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.Count(comm::kComEvReceive) == 2; }));
  EXPECT_EQ(TakeInput(*rig.comm), "abcd");
}

TEST_F(CommOnPty, AHandlerTakingInputSeesEachArrivalOnce) {
  ASSERT_TRUE(rig.comm->SetRThreshold(1).ok());
  std::string taken;
  rig.onEvent = [&] { taken += TakeInput(*rig.comm); };
  std::string sent;
  for (int i = 0; i < 200; ++i) {
    const std::string piece = "<" + std::to_string(i) + ">";
    sent += piece;
    ASSERT_TRUE(pty.Write(piece));
    rig.loop.RunOnce(0ms);
  }
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return taken.size() == sent.size(); }));
  EXPECT_EQ(taken, sent);
}

TEST_F(CommOnPty, SendEventOnceWhenTheOutputQueueFallsBelowSThreshold) {
  ASSERT_TRUE(rig.comm->SetSThreshold(1).ok());
  ASSERT_TRUE(rig.comm->Output("first").ok());
  EXPECT_TRUE(rig.events.empty()) << "never inside the call";
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.Count(comm::kComEvSend) == 1; }));
  PumpFor(rig.loop, 30ms);
  EXPECT_EQ(rig.Count(comm::kComEvSend), 1);
  ASSERT_TRUE(rig.comm->Output("second").ok());
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.Count(comm::kComEvSend) == 2; }));
  EXPECT_EQ(pty.Read(11, 2s), "firstsecond");
  EXPECT_EQ(rig.comm->SetSThreshold(-1).error, comm::kErrInvalidPropertyValue);
}

TEST_F(CommOnPty, EofByteIsReportedOnlyWithEOFEnable) {
  ASSERT_TRUE(rig.comm->SetRThreshold(1).ok());
  Arrive("a\x1A", 2);
  PumpFor(rig.loop, 20ms);
  EXPECT_EQ(rig.Count(comm::kComEvEOF), 0);
  rig.comm->SetEOFEnable(true);
  Arrive(
      "b\x1A"
      "c",
      5);
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.Count(comm::kComEvEOF) == 1; }));
  EXPECT_EQ(rig.events.back(), comm::kComEvEOF) << "after the reception it came with";
  EXPECT_EQ(TakeInput(*rig.comm),
            "a\x1A"
            "b\x1A"
            "c")
      << "the byte itself stays in the data";
}

TEST_F(CommOnPty, NullDiscardDropsZeroBytes) {
  Arrive(std::string("a\0b", 3), 3);
  rig.comm->SetNullDiscard(true);
  ASSERT_TRUE(pty.Write(std::string("\0c\0\0d", 5)));
  ASSERT_TRUE(PumpUntil(rig.loop, [&] {
    int n = 0;
    return rig.comm->InBufferCount(n).ok() && n == 5;
  }));
  EXPECT_EQ(TakeInput(*rig.comm), std::string("a\0bcd", 5));
}

TEST(CommBuffers, InputBeyondInBufferSizeIsLostAndReported) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  CommRig rig(pty.SlavePath());
  constexpr int kSize = 6000;
  ASSERT_TRUE(rig.comm->SetInBufferSize(kSize).ok());
  EXPECT_EQ(rig.comm->SetInBufferSize(0).error, comm::kErrInvalidPropertyValue);
  ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
  auto waiting = [&] {
    int n = 0;
    return rig.comm->InBufferCount(n).ok() ? n : -1;
  };
  ASSERT_TRUE(pty.Write(std::string(kSize, 'a')));
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return waiting() == kSize; }));
  EXPECT_TRUE(rig.events.empty());
  ASSERT_TRUE(pty.Write(std::string(50, 'b')));
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.Count(comm::kComEventRxOver) >= 1; }));
  EXPECT_EQ(waiting(), kSize) << "the excess is lost, the buffer does not grow";
  EXPECT_EQ(TakeInput(*rig.comm), std::string(kSize, 'a'));
  // With room again, reception goes on.
  ASSERT_TRUE(pty.Write("c"));
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return waiting() == 1; }));
  EXPECT_EQ(TakeInput(*rig.comm), "c");
}

TEST(CommBuffers, ASmallInBufferSizeStillHoldsWhatOneReadBrings) {
  PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  CommRig rig(pty.SlavePath());
  ASSERT_TRUE(rig.comm->SetInBufferSize(16).ok());
  ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
  ASSERT_TRUE(pty.Write(std::string(4096, 'x')));
  ASSERT_TRUE(PumpUntil(rig.loop, [&] {
    int n = 0;
    return rig.comm->InBufferCount(n).ok() && n == 4096;
  }));
  PumpFor(rig.loop, 20ms);
  EXPECT_EQ(rig.Count(comm::kComEventRxOver), 0);
}

TEST_F(CommOnPty, UnpluggedPortReportsAnErrorEventThenInputFails) {
  Arrive("last words", 10);
  pty.CloseMaster();
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.Count(comm::kComEventDCB) == 1; }));
  EXPECT_TRUE(rig.comm->PortOpen()) << "the script closes the port itself";
  EXPECT_EQ(TakeInput(*rig.comm), "last words");
  std::string bytes;
  EXPECT_EQ(rig.comm->Input(bytes).error, comm::kErrDeviceUnavailable);
  EXPECT_EQ(rig.comm->Output("x").error, comm::kErrDeviceUnavailable);
  bool cts = true;
  EXPECT_TRUE(rig.comm->CTSHolding(cts).ok());
  EXPECT_FALSE(cts);
  EXPECT_EQ(PumpFor(rig.loop, 30ms), 0) << "a lost port is no longer watched";
  EXPECT_EQ(rig.Count(comm::kComEventDCB), 1);
  EXPECT_TRUE(rig.comm->SetPortOpen(false).ok());
  EXPECT_FALSE(rig.comm->PortOpen());
}

TEST_F(CommOnPty, AHandlerMayCloseThePortOrDestroyTheComponent) {
  ASSERT_TRUE(rig.comm->SetRThreshold(1).ok());
  rig.comm->SetEOFEnable(true);
  rig.onEvent = [&] { EXPECT_TRUE(rig.comm->SetPortOpen(false).ok()); };
  ASSERT_TRUE(pty.Write("x\x1A"));
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return !rig.comm->PortOpen(); }));
  PumpFor(rig.loop, 20ms);
  EXPECT_EQ(rig.events.size(), 1u) << "nothing after the close";

  ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
  rig.onEvent = [&] { rig.comm.reset(); };
  ASSERT_TRUE(pty.Write("y\x1A"));
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.comm == nullptr; }));
  PumpFor(rig.loop, 20ms);
  EXPECT_EQ(rig.events.size(), 2u);
}

TEST_F(CommOnPty, PseudoTerminalLinesReadFalse) {
  bool on = true;
  EXPECT_TRUE(rig.comm->CDHolding(on).ok());
  EXPECT_FALSE(on);
  on = true;
  EXPECT_TRUE(rig.comm->DSRHolding(on).ok());
  EXPECT_FALSE(on);
  EXPECT_TRUE(rig.comm->SetBreak(true).ok());
  EXPECT_TRUE(rig.comm->Break());
  EXPECT_TRUE(rig.comm->SetDTREnable(false).ok());
  ASSERT_TRUE(rig.comm->SetPortOpen(false).ok());
  EXPECT_FALSE(rig.comm->Break());
  EXPECT_EQ(rig.comm->CDHolding(on).error, comm::kErrPortNotOpen);
  EXPECT_EQ(rig.comm->SetBreak(true).error, comm::kErrPortNotOpen);
}

}  // namespace

namespace {

TEST(CommSettingsOnPty, FramingThatAPtyIgnoresWorksWhenAskedAgainAndAfterAReopen) {
  // A pty holds no byte size or parity; asking twice for the same one must not fail the
  // second time, nor must opening the port again with the settings of the last session.
  platform::PseudoTerminalPair pty;
  ASSERT_TRUE(pty.IsValid());
  mscomm_test::CommRig rig(pty.SlavePath());
  ASSERT_TRUE(rig.comm->SetSettings("19200,e,7,1").ok());
  ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
  EXPECT_TRUE(rig.comm->SetSettings("19200,e,7,1").ok());
  EXPECT_TRUE(rig.comm->SetSettings("19200,o,8,2").ok());
  EXPECT_TRUE(rig.comm->SetSettings("19200,o,8,2").ok());
  ASSERT_TRUE(rig.comm->SetPortOpen(false).ok());
  EXPECT_TRUE(rig.comm->SetPortOpen(true).ok());
  ASSERT_TRUE(pty.Write("still works"));
  EXPECT_TRUE(mscomm_test::PumpUntil(rig.loop, [&] {
    int n = 0;
    return rig.comm->InBufferCount(n).ok() && n == 11;
  }));
}

}  // namespace
