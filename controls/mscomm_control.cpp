// The MSComm control: the shared shape around the comm component, with the component's
// properties forwarded and its OnComm event raised or queued with the received bytes.

#include "automation/coercion.h"
#include "components/comm/comm_members.h"
#include "controls/control_classes.h"
#include "controls/identity.h"
#include "controls/mscomm_members.h"
#include "controls/script_control.h"
#include "controls/type_library.h"

namespace controls {
namespace {

namespace inner = components::comm::members;
using automation::Result;

ControlDescription MSCommDescription() {
  return {
      &kMSCommInterface,
      &kMSCommEvents,
      inner::kProgId,
      inner::kEventsIid,
      mscomm::kStartEventForScript,
      mscomm::kEndEventForScript,
      mscomm::kGetEventParameters,
      mscomm::kByteArrayToStr,
      mscomm::kByteArrayToHex,
      mscomm::kStrToByteArray,
      mscomm::kHexToByteArray,
      {
          {u"CommPort", VarType::I2, Variant::I2(1), inner::kCommPort},
          {u"DTREnable", VarType::Bool, Variant::Bool(true), inner::kDTREnable},
          {u"EOFEnable", VarType::Bool, Variant::Bool(false), inner::kEOFEnable},
          {u"Handshaking", VarType::I4, Variant::I2(0), inner::kHandshaking},
          {u"InBufferSize", VarType::I2, Variant::I2(1024), inner::kInBufferSize},
          {u"InputLen", VarType::I2, Variant::I2(0), inner::kInputLen},
          {u"InputMode", VarType::I4, Variant::I2(0), inner::kInputMode},
          {u"NullDiscard", VarType::Bool, Variant::Bool(false), inner::kNullDiscard},
          {u"OutBufferSize", VarType::I2, Variant::I2(512), inner::kOutBufferSize},
          {u"ParityReplace", VarType::String, Variant::String(u"?"), inner::kParityReplace},
          {u"RThreshold", VarType::I2, Variant::I2(0), inner::kRThreshold},
          {u"RTSEnable", VarType::Bool, Variant::Bool(false), inner::kRTSEnable},
          {u"Settings", VarType::String, Variant::String(u"9600,n,8,1"), inner::kSettings},
          {u"SThreshold", VarType::I2, Variant::I2(0), inner::kSThreshold},
      },
  };
}

class MSCommControl final : public ScriptControl {
 public:
  MSCommControl() : ScriptControl(MSCommDescription()) {
    // Every property reads and writes through the inner control, which refuses what it only
    // reports; a write of a persisted property then tells the container, by the bag's key.
    AddForwardedProperty(u"Break", mscomm::kBreak, inner::kBreak, VarType::Bool, true);
    AddForwardedProperty(u"CDHolding", mscomm::kCDHolding, inner::kCDHolding, VarType::Bool, true);
    AddForwardedProperty(u"CommEvent", mscomm::kCommEvent, inner::kCommEvent, VarType::I2, true);
    AddForwardedProperty(u"CommID", mscomm::kCommID, inner::kCommID, VarType::I4, true);
    AddForwardedProperty(u"CommPort", mscomm::kCommPort, inner::kCommPort, VarType::I2, true,
                         u"CommPort");
    AddForwardedProperty(u"CTSHolding", mscomm::kCTSHolding, inner::kCTSHolding, VarType::Bool,
                         true);
    AddForwardedProperty(u"DSRHolding", mscomm::kDSRHolding, inner::kDSRHolding, VarType::Bool,
                         true);
    AddForwardedProperty(u"DTREnable", mscomm::kDTREnable, inner::kDTREnable, VarType::Bool, true,
                         u"DTREnable");
    AddForwardedProperty(u"EOFEnable", mscomm::kEOFEnable, inner::kEOFEnable, VarType::Bool, true,
                         u"EOFEnable");
    AddForwardedProperty(u"Handshaking", mscomm::kHandshaking, inner::kHandshaking, VarType::I4,
                         true, u"Handshaking");
    AddForwardedProperty(u"InBufferSize", mscomm::kInBufferSize, inner::kInBufferSize, VarType::I2,
                         true, u"InBufferSize");
    // Writing InBufferCount also discards every queued event record; it notifies nothing.
    AddProperty(
        u"InBufferCount", mscomm::kInBufferCount,
        [this] { return ReadInner(inner::kInBufferCount, VarType::I2); },
        [this](const Variant& value) -> Status {
          if (Status s = WriteInner(inner::kInBufferCount, value); !s) return s;
          EventQueue().clear();
          return Status::Ok();
        });
    AddForwardedProperty(u"Input2", mscomm::kInput2, inner::kInput, VarType::Variant, true);
    AddForwardedProperty(u"InputLen", mscomm::kInputLen, inner::kInputLen, VarType::I2, true,
                         u"InputLen");
    AddForwardedProperty(u"InputMode", mscomm::kInputMode, inner::kInputMode, VarType::I4, true,
                         u"InputMode");
    AddForwardedProperty(u"NullDiscard", mscomm::kNullDiscard, inner::kNullDiscard, VarType::Bool,
                         true, u"NullDiscard");
    AddForwardedProperty(u"OutBufferCount", mscomm::kOutBufferCount, inner::kOutBufferCount,
                         VarType::I2, true);
    AddForwardedProperty(u"OutBufferSize", mscomm::kOutBufferSize, inner::kOutBufferSize,
                         VarType::I2, true, u"OutBufferSize");
    AddForwardedProperty(u"Output", mscomm::kOutput, inner::kOutput, VarType::Variant, true);
    AddForwardedProperty(u"ParityReplace", mscomm::kParityReplace, inner::kParityReplace,
                         VarType::String, true, u"ParityReplace");
    AddForwardedProperty(u"PortOpen", mscomm::kPortOpen, inner::kPortOpen, VarType::Bool, true);
    AddForwardedProperty(u"RThreshold", mscomm::kRThreshold, inner::kRThreshold, VarType::I2, true,
                         u"RThreshold");
    AddForwardedProperty(u"RTSEnable", mscomm::kRTSEnable, inner::kRTSEnable, VarType::Bool, true,
                         u"RTSEnable");
    AddForwardedProperty(u"Settings", mscomm::kSettings, inner::kSettings, VarType::String, true,
                         u"Settings");
    AddForwardedProperty(u"SThreshold", mscomm::kSThreshold, inner::kSThreshold, VarType::I2, true,
                         u"SThreshold");
  }

 protected:
  Status HandleInnerEvent(DispId innerEvent, std::span<Variant> args) override {
    if (innerEvent != inner::kEventOnComm) return Status::Ok();
    if (!ScriptEventMode()) return Raise(mscomm::kEventOnComm, args);
    // Input is read in binary mode whatever mode the host chose, and the mode is put back.
    auto mode = ReadInner(inner::kInputMode, VarType::I4);
    if (!mode) return mode.status();
    if (Status s = WriteInner(inner::kInputMode, Variant::I4(inner::kInputModeBinary)); !s) {
      return s;
    }
    auto input = ReadInner(inner::kInput, VarType::Variant);
    if (!input) return input.status();
    // A byte array is taken over as it is; anything else is converted as a script's assignment
    // to a byte array would.
    auto bytes = input->IsArray() && input->AsArray().ElementType() == VarType::UI1
                     ? automation::Result<automation::SafeArray>(std::move(input->AsArray()))
                     : automation::ToByteArray(*input);
    if (!bytes) return bytes.status();
    if (Status s = WriteInner(inner::kInputMode, *mode); !s) return s;
    auto commEvent = ReadInner(inner::kCommEvent, VarType::I2);
    if (!commEvent) return commEvent.status();
    EventRecord record = NewEventRecord(u"OnComm");
    record[kRecordCommEvent] = *commEvent;
    record[kRecordData] = Variant::Array(std::move(bytes).value());
    Enqueue(std::move(record));
    return Status::Ok();
  }
};

}  // namespace

Result<Ref<automation::Unknown>> CreateMSCommControl() {
  auto control = automation::MakeObject<MSCommControl>();
  if (Status s = control->CreateInner(); !s) return s.error();
  return Ref<automation::Unknown>(static_cast<automation::Dispatch*>(control.get()));
}

}  // namespace controls
