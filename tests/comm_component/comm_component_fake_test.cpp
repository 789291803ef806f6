// What a pseudo-terminal cannot show: framing as the port is asked for it, modem lines, receive
// errors, and a driver that refuses settings. The port here is a fake at the platform boundary.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "comm_component/comm_rig.h"
#include "comm_component/fake_comm_device.h"
#include "components/comm/comm_settings.h"

namespace {

using namespace mscomm_test;
namespace comm = components::comm;
using platform::SerialParity;
using platform::SerialStopBits;

struct SettingsCase {
  const char* text;
  int speed;
  SerialParity parity;
  int bits;
  SerialStopBits stops;
};

TEST(CommSettings, ValidTextsGiveTheirFraming) {
  const SettingsCase cases[] = {
      {"9600,n,8,1", 9600, SerialParity::None, 8, SerialStopBits::One},
      {"115200,E,7,2", 115200, SerialParity::Even, 7, SerialStopBits::Two},
      {"300,o,5,1.5", 300, SerialParity::Odd, 5, SerialStopBits::OneAndHalf},
      {"14400,M,6,1", 14400, SerialParity::Mark, 6, SerialStopBits::One},
      {"2400,m,7,1", 2400, SerialParity::Mark, 7, SerialStopBits::One},
      {"600,S,8,2", 600, SerialParity::Space, 8, SerialStopBits::Two},
      {"110,s,4,1", 110, SerialParity::Space, 4, SerialStopBits::One},
      {"1,N,8,2", 1, SerialParity::None, 8, SerialStopBits::Two},
      {" 19200 , e , 8 , 1 ", 19200, SerialParity::Even, 8, SerialStopBits::One},
  };
  for (const auto& c : cases) {
    const auto parsed = comm::ParseCommSettings(c.text);
    ASSERT_TRUE(parsed) << c.text;
    EXPECT_EQ(parsed->baudRate, c.speed) << c.text;
    EXPECT_EQ(parsed->parity, c.parity) << c.text;
    EXPECT_EQ(parsed->byteSize, c.bits) << c.text;
    EXPECT_EQ(parsed->stopBits, c.stops) << c.text;
  }
}

TEST(CommSettings, MalformedTextsAreInvalidPropertyValues) {
  platform::PollReadinessLoop loop;
  FakeCommOpener opener;
  comm::CommComponent c(loop, opener, [](int) { return std::optional<std::string>("fake"); });
  for (const char* text :
       {"", "9600", "9600,n,8", "9600,n,8,1,1", "0,n,8,1", "-9600,n,8,1", "96x0,n,8,1",
        "9600,x,8,1", "9600,nn,8,1", "9600,,8,1", "9600,n,3,1", "9600,n,9,1", "9600,n,8,0",
        "9600,n,8,3", "9600,n,8,1.0", "99999999999,n,8,1", "9600;n;8;1"}) {
    EXPECT_EQ(c.SetSettings(text).error, comm::kErrInvalidPropertyValue) << text;
  }
  EXPECT_EQ(c.Settings(), "9600,n,8,1") << "a refused text leaves the settings as they were";
}

// A block goes in beside bytes that wait when it fits in the room OutBufferSize leaves, the last
// byte of the room included; one byte more and it is refused whole, with comEventTxFull.
TEST(CommOutput, ABlockThatExactlyFillsTheRoomBesideWaitingBytesIsTaken) {
  const struct {
    std::size_t next;
    bool taken;
  } cases[] = {{411, true}, {412, true}, {413, false}};
  for (const auto& c : cases) {
    FakeCommOpener opener;
    CommRig rig("fake", &opener);
    ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
    opener.last->writeRoom = 0;  // the port takes nothing: what is output waits
    ASSERT_EQ(rig.comm->OutBufferSize(), 512);
    ASSERT_TRUE(rig.comm->Output(std::string(100, 'a')).ok());
    ASSERT_TRUE(rig.comm->Output(std::string(c.next, 'b')).ok()) << c.next;
    int waiting = 0;
    ASSERT_TRUE(rig.comm->OutBufferCount(waiting).ok());
    EXPECT_EQ(waiting, c.taken ? static_cast<int>(100 + c.next) : 100) << c.next;
    PumpFor(rig.loop, 20ms);
    EXPECT_EQ(rig.Count(comm::kComEventTxFull), c.taken ? 0 : 1) << c.next;
  }
}

TEST(CommFraming, SettingsHandshakingAndParityReplaceReachThePort) {
  FakeCommOpener opener;
  CommRig rig("fake", &opener);
  ASSERT_TRUE(rig.comm->SetSettings("4800,e,7,2").ok());
  ASSERT_TRUE(rig.comm->SetHandshaking(comm::kComRTSXOnXOff).ok());
  ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
  ASSERT_TRUE(opener.last && opener.last->settings);
  platform::SerialLineSettings s = *opener.last->settings;
  EXPECT_EQ(s.baudRate, 4800);
  EXPECT_EQ(s.parity, SerialParity::Even);
  EXPECT_EQ(s.byteSize, 7);
  EXPECT_EQ(s.stopBits, SerialStopBits::Two);
  EXPECT_TRUE(s.xonXoffIn && s.xonXoffOut && s.rtsCts);
  EXPECT_TRUE(s.replaceParityErrors);
  EXPECT_EQ(s.errorChar, '?');

  // While open, every change is applied at once.
  ASSERT_TRUE(rig.comm->SetSettings("38400,N,8,1").ok());
  EXPECT_EQ(opener.last->settings->baudRate, 38400);
  EXPECT_EQ(opener.last->settings->parity, SerialParity::None);
  ASSERT_TRUE(rig.comm->SetHandshaking(comm::kComRTS).ok());
  EXPECT_TRUE(opener.last->settings->rtsCts);
  EXPECT_FALSE(opener.last->settings->xonXoffOut);
  ASSERT_TRUE(rig.comm->SetHandshaking(comm::kComXOnXoff).ok());
  EXPECT_FALSE(opener.last->settings->rtsCts);
  EXPECT_TRUE(opener.last->settings->xonXoffOut && opener.last->settings->xonXoffIn);
  EXPECT_EQ(rig.comm->SetHandshaking(4).error, comm::kErrInvalidPropertyValue);
  ASSERT_TRUE(rig.comm->SetParityReplace("#").ok());
  EXPECT_EQ(opener.last->settings->errorChar, '#');
  ASSERT_TRUE(rig.comm->SetParityReplace("").ok());
  EXPECT_FALSE(opener.last->settings->replaceParityErrors);
  EXPECT_EQ(rig.comm->SetParityReplace("ab").error, comm::kErrInvalidPropertyValue);
}

TEST(CommFraming, ADriverThatRefusesTheSettingsGivesCouldNotSetCommState) {
  FakeCommOpener opener;
  CommRig rig("fake", &opener);
  // Four data bits parse, but no driver here can send them.
  ASSERT_TRUE(rig.comm->SetSettings("9600,n,4,1").ok());
  opener.configureError = EINVAL;
  EXPECT_EQ(rig.comm->SetPortOpen(true).error, comm::kErrSetCommStateFailed);
  EXPECT_FALSE(rig.comm->PortOpen());
  ASSERT_EQ(opener.last->calls.back(), "shutdown");

  opener.configureError = 0;
  ASSERT_TRUE(rig.comm->SetSettings("9600,n,8,1").ok());
  ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
  opener.last->configureError = EINVAL;
  EXPECT_EQ(rig.comm->SetSettings("2400,n,8,1").error, comm::kErrSetCommStateFailed);
  EXPECT_EQ(rig.comm->Settings(), "9600,n,8,1");
  EXPECT_EQ(rig.comm->SetHandshaking(comm::kComRTS).error, comm::kErrSetCommStateFailed);
  EXPECT_EQ(rig.comm->Handshaking(), comm::kComNone);
}

TEST(CommLines, DtrAndRtsFollowTheirPropertiesAtOpenWhileOpenAndAtClose) {
  FakeCommOpener opener;
  CommRig rig("fake", &opener);
  EXPECT_TRUE(rig.comm->DTREnable());
  EXPECT_FALSE(rig.comm->RTSEnable());
  ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
  auto port = opener.last;
  EXPECT_EQ(port->calls, (std::vector<std::string>{"dtr on", "rts off"}));
  ASSERT_TRUE(rig.comm->SetRTSEnable(true).ok());
  ASSERT_TRUE(rig.comm->SetBreak(true).ok());
  ASSERT_TRUE(rig.comm->SetPortOpen(false).ok());
  EXPECT_EQ(port->calls, (std::vector<std::string>{"dtr on", "rts off", "rts on", "break on",
                                                   "break off", "dtr off", "rts off", "shutdown"}));
}

TEST(CommLines, ModemLineChangesAreEventsAndTheHoldingPropertiesReadTheLines) {
  FakeCommOpener opener;
  CommRig rig("fake", &opener);
  ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
  auto port = opener.last;

  platform::ModemLines lines;
  lines.cts = true;
  lines.dsr = true;
  port->ChangeLines(lines);
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.events.size() == 2; }));
  EXPECT_EQ(rig.events, (std::vector<std::int16_t>{comm::kComEvCTS, comm::kComEvDSR}));
  bool on = false;
  ASSERT_TRUE(rig.comm->CTSHolding(on).ok());
  EXPECT_TRUE(on);
  ASSERT_TRUE(rig.comm->DSRHolding(on).ok());
  EXPECT_TRUE(on);
  ASSERT_TRUE(rig.comm->CDHolding(on).ok());
  EXPECT_FALSE(on);

  lines.cts = false;
  lines.rlsd = true;
  lines.ring = true;
  port->ChangeLines(lines);
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.events.size() == 5; }));
  EXPECT_EQ(rig.events,
            (std::vector<std::int16_t>{comm::kComEvCTS, comm::kComEvDSR, comm::kComEvCTS,
                                       comm::kComEvCD, comm::kComEvRing}));
  EXPECT_EQ(rig.comm->CommEvent(), comm::kComEvRing);
  ASSERT_TRUE(rig.comm->CDHolding(on).ok());
  EXPECT_TRUE(on);
}

TEST(CommLines, ReceiveErrorsCountedByTheDriverAreEvents) {
  FakeCommOpener opener;
  CommRig rig("fake", &opener);
  ASSERT_TRUE(rig.comm->SetRThreshold(1).ok());
  ASSERT_TRUE(rig.comm->SetPortOpen(true).ok());
  auto port = opener.last;
  port->counts.frame = 1;
  port->counts.parity = 2;
  port->Feed("?");
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.events.size() == 3; }));
  EXPECT_EQ(rig.events, (std::vector<std::int16_t>{comm::kComEventFrame, comm::kComEventRxParity,
                                                   comm::kComEvReceive}));
  port->counts.breaks = 1;
  port->counts.bufferOverrun = 1;
  port->Feed(std::string(1, '\0'));
  ASSERT_TRUE(PumpUntil(rig.loop, [&] { return rig.events.size() == 6; }));
  EXPECT_EQ(rig.events[3], comm::kComEventBreak);
  EXPECT_EQ(rig.events[4], comm::kComEventOverrun);
  EXPECT_EQ(rig.events[5], comm::kComEvReceive);
}

TEST(CommLines, OpenFailuresByKind) {
  FakeCommOpener opener;
  CommRig rig("fake", &opener);
  opener.openError = EBUSY;
  EXPECT_EQ(rig.comm->SetPortOpen(true).error, comm::kErrPortAlreadyOpen);
  opener.openError = ENOENT;
  EXPECT_EQ(rig.comm->SetPortOpen(true).error, comm::kErrDeviceUnavailable);
  opener.openError = EACCES;
  EXPECT_EQ(rig.comm->SetPortOpen(true).error, comm::kErrDeviceUnavailable);
  EXPECT_FALSE(rig.comm->PortOpen());

  platform::PollReadinessLoop loop;
  comm::CommComponent noPort(loop, opener, [](int) { return std::optional<std::string>(); });
  EXPECT_EQ(noPort.SetPortOpen(true).error, comm::kErrPortInvalid);
}

}  // namespace
