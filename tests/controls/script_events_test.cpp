// The shared control shape as a host meets it: creation by ProgID, calls by name and DISPID, the
// script event queue in both modes, by-reference event arguments, inner failures, the size rule.

#include "automation/text.h"
#include "controls/controls_host.h"
#include "controls/inner_members.h"

namespace controls_test {
namespace {

namespace socket = components::winsock::members;
namespace comm = components::comm::members;

// The controls' own DISPIDs, as their type information gives them.
constexpr DispId kWinsockLocalPort = 0x68030006;
constexpr DispId kWinsockGetEventParameters = 0x6003001F;
constexpr DispId kMSCommGetEventParameters = 0x60030020;
constexpr DispId kEventClose2 = 1;
constexpr DispId kEventError = 5;

using ScriptEvents = ControlsHost;

bool AllEmpty(const std::vector<Variant>& elements) {
  if (elements.size() != 10) return false;
  for (const Variant& e : elements) {
    if (!e.IsEmpty()) return false;
  }
  return true;
}

TEST_F(ScriptEvents, BothClassesAreCreatedByProgIdAndCalledByNameOrDispid) {
  auto winsock = Create(u"Quorvane.Winsock");
  ASSERT_TRUE(winsock);
  auto mscomm = Create(u"quorvane.mscomm");  // ProgIDs are found without regard to case
  ASSERT_TRUE(mscomm);

  auto id = winsock->GetIdOfName(u"localport");
  ASSERT_TRUE(id.ok());
  EXPECT_EQ(*id, kWinsockLocalPort);
  EXPECT_EQ(mscomm->GetIdOfName(u"GETEVENTPARAMETERS").value(), kMSCommGetEventParameters);

  auto byDispid = winsock->Invoke(kWinsockGetEventParameters, pa::InvokeKind::Method, {});
  ASSERT_TRUE(byDispid.ok());
  EXPECT_TRUE(AllEmpty(Elements(*byDispid)));
  auto byName = Call(*mscomm, u"GetEventParameters");
  ASSERT_TRUE(byName.ok());
  EXPECT_TRUE(AllEmpty(Elements(*byName)));

  EXPECT_EQ(winsock->GetIdOfName(u"NoSuchMember").error().number, pa::kErrNoSuchMember);
  EXPECT_EQ(Call(*winsock, u"Start_EventForScript", {Variant::I2(1)}).error().number,
            pa::kErrWrongArgumentCount);
}

TEST_F(ScriptEvents, QueueKeepsOrderAcrossModesAndRaisesAfterTheEnd) {
  auto winsock = Create(u"Quorvane.Winsock");
  Listen(*winsock, "_SRCIID_WINSOCK");
  ASSERT_TRUE(Call(*winsock, u"Start_EventForScript").ok());
  ASSERT_TRUE(Call(*winsock, u"Start_EventForScript").ok());  // twice is once
  FireInner(inner::SocketEvent(u"Connect"), 0, {});
  FireInner(inner::SocketEvent(u"SendProgress"), 0, {Variant::I4(5), Variant::I4(7)});
  ASSERT_TRUE(Call(*winsock, u"End_EventForScript").ok());
  FireInner(inner::SocketEvent(u"Close"), 0, {});

  // Nothing was raised in script mode; the close after the end was.
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].id, kEventClose2);

  auto first = Elements(*Call(*winsock, u"GetEventParameters"));
  EXPECT_EQ(first[0], Variant::String(u"Connect"));
  for (int i = 1; i < 10; ++i) EXPECT_TRUE(first[i].IsEmpty()) << i;
  auto second = Elements(*Call(*winsock, u"GetEventParameters"));
  EXPECT_EQ(second[0], Variant::String(u"SendProgress"));
  EXPECT_EQ(second[1], Variant::I4(5));
  EXPECT_EQ(second[2], Variant::I4(7));
  EXPECT_TRUE(second[3].IsEmpty());
  EXPECT_TRUE(AllEmpty(Elements(*Call(*winsock, u"GetEventParameters"))));
}

TEST_F(ScriptEvents, ErrorRecordHoldsDescriptionAndCancelDisplayAsPassed) {
  auto winsock = Create(u"Quorvane.Winsock");
  Listen(*winsock, "_SRCIID_WINSOCK");
  ASSERT_TRUE(Call(*winsock, u"Start_EventForScript").ok());
  // Description (argument 2) and CancelDisplay (argument 7) by reference, as the inner passes them.
  auto after =
      FireInner(inner::SocketEvent(u"Error"), 0b1000010,
                {Variant::I2(10053), Variant::String(u"接続が切れました"),
                 Variant::I4(static_cast<std::int32_t>(0x800A2745)), Variant::String(u"Winsock1"),
                 Variant::String(u"help.hlp"), Variant::I4(12), Variant::Bool(false)});
  EXPECT_TRUE(events_.empty());
  auto record = Elements(*Call(*winsock, u"GetEventParameters"));
  EXPECT_EQ(record[0], Variant::String(u"Error"));
  EXPECT_EQ(record[1], Variant::I2(10053));
  EXPECT_EQ(record[2], Variant::String(u"接続が切れました"));
  EXPECT_EQ(record[3], Variant::I4(static_cast<std::int32_t>(0x800A2745)));
  EXPECT_EQ(record[4], Variant::String(u"Winsock1"));
  EXPECT_EQ(record[5], Variant::String(u"help.hlp"));
  EXPECT_EQ(record[6], Variant::I4(12));
  EXPECT_EQ(record[7], Variant::Bool(false));
  EXPECT_TRUE(record[8].IsEmpty());
  EXPECT_TRUE(record[9].IsEmpty());
  // The records hold values: the inner control's variables were left alone.
  EXPECT_FALSE(record[2].IsByRef());
  EXPECT_EQ(after[1], Variant::String(u"接続が切れました"));
  EXPECT_EQ(after[6], Variant::Bool(false));
}

TEST_F(ScriptEvents, RaiseModeWritesByReferenceArgumentsBackToTheInnerControl) {
  auto winsock = Create(u"Quorvane.Winsock");
  Listen(*winsock, "_SRCIID_WINSOCK", [](DispId id, std::span<Variant> args) {
    if (id != kEventError) return;
    ASSERT_TRUE(args[1].IsByRef());
    ASSERT_TRUE(args[6].IsByRef());
    args[1].Deref() = Variant::String(u"handled");
    args[6].Deref() = Variant::Bool(true);
  });
  auto after =
      FireInner(inner::SocketEvent(u"Error"), 0b1000010,
                {Variant::I2(10061), Variant::String(u"refused"), Variant::I4(0),
                 Variant::String(u""), Variant::String(u""), Variant::I4(0), Variant::Bool(false)});
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].id, kEventError);
  EXPECT_EQ(events_[0].args[0], Variant::I2(10061));
  EXPECT_EQ(after[1], Variant::String(u"handled"));
  EXPECT_EQ(after[6], Variant::Bool(true));
  EXPECT_EQ(winsock.get() != nullptr, true);
}

TEST_F(ScriptEvents, AFailingInnerMemberComesBackAsTheSameError) {
  auto winsock = Create(u"Quorvane.Winsock");
  FailInner(inner::Socket(u"LocalPort"), 380, u"Invalid port");
  pa::Status put = pa::PutProperty(*winsock, u"LocalPort", Variant::I4(70000));
  ASSERT_FALSE(put.ok());
  EXPECT_EQ(put.error().number, 380);
  EXPECT_EQ(put.error().description, u"Invalid port");
  EXPECT_EQ(put.error().source, u"InnerDouble");
  auto get = pa::GetProperty(*winsock, u"LocalPort");
  ASSERT_FALSE(get.ok());
  EXPECT_EQ(get.error().number, 380);

  auto mscomm = Create(u"Quorvane.MSComm");
  FailInner(inner::Comm(u"Settings"), 380, u"Invalid property value");
  EXPECT_EQ(pa::PutProperty(*mscomm, u"Settings", Variant::String(u"x")).error().number, 380);
}

TEST_F(ScriptEvents, WritesPassAReferenceToACopyAndReadsConvert) {
  auto winsock = Create(u"Quorvane.Winsock");
  ClearInnerLog();
  Variant callersPort = Variant::String(u"8080");
  ASSERT_TRUE(pa::PutProperty(*winsock, u"RemotePort", Variant::ByRef(callersPort)).ok());
  EXPECT_EQ(InnerLog(), "put 1(&8:8080)\n");
  auto port = pa::GetProperty(*winsock, u"RemotePort");
  ASSERT_TRUE(port.ok());
  EXPECT_EQ(*port, Variant::I4(8080));  // the text the inner kept, read as a 4-byte integer
}

TEST_F(ScriptEvents, ResizingLeavesTheControlAt435Twips) {
  for (auto progId : {u"Quorvane.Winsock", u"Quorvane.MSComm"}) {
    auto control = Create(progId);
    auto hooks = pa::QueryInterface<pa::Control>(control);
    ASSERT_TRUE(hooks);
    EXPECT_EQ(hooks->GetExtent(), (pa::Extent{435, 435}));
    for (pa::Extent asked : {pa::Extent{1, 1}, pa::Extent{5000, 100}, pa::Extent{0, 0}}) {
      hooks->SetExtent(asked);
      EXPECT_EQ(hooks->GetExtent(), (pa::Extent{435, 435}));
    }
  }
}

TEST_F(ScriptEvents, DataArrivalInScriptModeTakesTheBytesFromTheInnerControl) {
  auto winsock = Create(u"Quorvane.Winsock");
  SetInnerData(Variant::Bytes({0x02, 0x41, 0x03}));
  ASSERT_TRUE(Call(*winsock, u"Start_EventForScript").ok());
  ClearInnerLog();
  FireInner(inner::SocketEvent(u"DataArrival"), 0, {Variant::I4(3)});
  // One argument: a reference to an empty byte array, which the inner control fills.
  EXPECT_EQ(InnerLog(), "call 68(&[])\n");
  auto record = Elements(*Call(*winsock, u"GetEventParameters"));
  EXPECT_EQ(record[0], Variant::String(u"DataArrival"));
  EXPECT_EQ(record[1], Variant::I4(3));
  EXPECT_EQ(record[9], Variant::Bytes({0x02, 0x41, 0x03}));

  // A failing read queues nothing.
  FailInner(inner::Socket(u"GetData"), 40006, u"Wrong protocol or connection state");
  EXPECT_TRUE(FireInner(inner::SocketEvent(u"DataArrival"), 0, {Variant::I4(3)}).empty());
  EXPECT_TRUE(AllEmpty(Elements(*Call(*winsock, u"GetEventParameters"))));
}

TEST_F(ScriptEvents, ConnectionRequestIsAcceptedAtOnceOnlyWhileListening) {
  auto winsock = Create(u"Quorvane.Winsock");
  ASSERT_TRUE(Call(*winsock, u"Start_EventForScript").ok());
  ASSERT_TRUE(
      pa::PutProperty(*inner_, inner::Socket(u"State"), Variant::I2(socket::kStateListening)).ok());
  ClearInnerLog();
  FireInner(inner::SocketEvent(u"ConnectionRequest"), 0, {Variant::I4(77)});
  EXPECT_EQ(InnerLog(), "get 8()\ncall 70()\ncall 66(&3:77)\n");

  ASSERT_TRUE(
      pa::PutProperty(*inner_, inner::Socket(u"State"), Variant::I2(socket::kStateConnected)).ok());
  ClearInnerLog();
  FireInner(inner::SocketEvent(u"ConnectionRequest"), 0, {Variant::I4(78)});
  EXPECT_EQ(InnerLog(), "get 8()\n");

  auto first = Elements(*Call(*winsock, u"GetEventParameters"));
  EXPECT_EQ(first[0], Variant::String(u"ConnectionRequest"));
  EXPECT_EQ(first[1], Variant::I4(77));
  EXPECT_EQ(Elements(*Call(*winsock, u"GetEventParameters"))[1], Variant::I4(78));
}

TEST_F(ScriptEvents, OnCommInScriptModeReadsInputInBinaryModeAndPutsTheModeBack) {
  auto mscomm = Create(u"Quorvane.MSComm");
  ASSERT_TRUE(
      pa::PutProperty(*inner_, inner::Comm(u"InputMode"), Variant::I4(comm::kInputModeText)).ok());
  ASSERT_TRUE(pa::PutProperty(*inner_, inner::Comm(u"Input"), Variant::Bytes({0x41, 0x0D})).ok());
  ASSERT_TRUE(pa::PutProperty(*inner_, inner::Comm(u"CommEvent"), Variant::I2(2)).ok());
  ASSERT_TRUE(Call(*mscomm, u"Start_EventForScript").ok());
  ClearInnerLog();
  FireInner(inner::CommEvent(u"OnComm"), 0, {});
  EXPECT_EQ(InnerLog(), "get 29()\nput 29(&3:1)\nget 26()\nput 29(&3:0)\nget 27()\n");
  auto record = Elements(*Call(*mscomm, u"GetEventParameters"));
  EXPECT_EQ(record[0], Variant::String(u"OnComm"));
  EXPECT_EQ(record[8], Variant::I2(2));
  EXPECT_EQ(record[9], Variant::Bytes({0x41, 0x0D}));
  for (int i = 1; i < 8; ++i) EXPECT_TRUE(record[i].IsEmpty()) << i;
  EXPECT_EQ(*pa::GetProperty(*mscomm, u"InputMode"), Variant::I4(0));
}

TEST_F(ScriptEvents, OnCommRaisesWithoutArgumentsInRaiseMode) {
  auto mscomm = Create(u"Quorvane.MSComm");
  Listen(*mscomm, "_SRCIID_MSCOMM");
  FireInner(inner::CommEvent(u"OnComm"), 0, {});
  ASSERT_EQ(events_.size(), 1u);
  EXPECT_EQ(events_[0].id, 1);
  EXPECT_TRUE(events_[0].args.empty());
  EXPECT_TRUE(AllEmpty(Elements(*Call(*mscomm, u"GetEventParameters"))));
}

TEST_F(ScriptEvents, WritingInBufferCountDiscardsEveryQueuedRecord) {
  auto mscomm = Create(u"Quorvane.MSComm");
  ASSERT_TRUE(pa::PutProperty(*inner_, inner::Comm(u"Input"), Variant::Bytes({})).ok());
  ASSERT_TRUE(Call(*mscomm, u"Start_EventForScript").ok());
  for (int i = 0; i < 3; ++i) FireInner(inner::CommEvent(u"OnComm"), 0, {});
  // A refused write leaves the queue as it was.
  FailInner(inner::Comm(u"InBufferCount"), 8005, u"Port not open");
  EXPECT_EQ(pa::PutProperty(*mscomm, u"InBufferCount", Variant::I2(0)).error().number, 8005);
  ASSERT_FALSE(AllEmpty(Elements(*Call(*mscomm, u"GetEventParameters"))));
}

TEST_F(ScriptEvents, WritingInBufferCountEmptiesTheQueue) {
  auto mscomm = Create(u"Quorvane.MSComm");
  ASSERT_TRUE(pa::PutProperty(*inner_, inner::Comm(u"Input"), Variant::Bytes({})).ok());
  ASSERT_TRUE(Call(*mscomm, u"Start_EventForScript").ok());
  for (int i = 0; i < 3; ++i) FireInner(inner::CommEvent(u"OnComm"), 0, {});
  ASSERT_TRUE(pa::PutProperty(*mscomm, u"InBufferCount", Variant::I2(0)).ok());
  EXPECT_TRUE(AllEmpty(Elements(*Call(*mscomm, u"GetEventParameters"))));
}

TEST_F(ScriptEvents, TheQueueIsNeverBounded) {
  auto winsock = Create(u"Quorvane.Winsock");
  ASSERT_TRUE(Call(*winsock, u"Start_EventForScript").ok());
  constexpr int kEvents = 20000;
  for (int i = 0; i < kEvents; ++i)
    FireInner(inner::SocketEvent(u"SendProgress"), 0, {Variant::I4(i)});
  for (int i = 0; i < kEvents; ++i) {
    auto record = Elements(*Call(*winsock, u"GetEventParameters"));
    ASSERT_EQ(record[1], Variant::I4(i));
  }
  EXPECT_TRUE(AllEmpty(Elements(*Call(*winsock, u"GetEventParameters"))));
}

TEST_F(ScriptEvents, AHostMayReleaseTheControlFromInsideItsEvent) {
  auto winsock = Create(u"Quorvane.Winsock");
  Ref<pa::Dispatch> held = winsock;
  winsock.Reset();
  Listen(*held, "_SRCIID_WINSOCK", [&](DispId, std::span<Variant>) {
    advisories_.clear();
    held.Reset();
  });
  FireInner(inner::SocketEvent(u"Connect"), 0, {});
  EXPECT_FALSE(held);
  // The inner double outlives the control (the doubles module keeps it); its events go nowhere.
  FireInner(inner::SocketEvent(u"Connect"), 0, {});
  EXPECT_EQ(events_.size(), 1u);
}

}  // namespace
}  // namespace controls_test
