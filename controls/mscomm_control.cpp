// The MSComm control: the shared shape around the comm component, with the component's
// properties forwarded and its OnComm event raised or queued with the received bytes.

#include "controls/control_classes.h"
#include "controls/identity.h"
#include "controls/mscomm_members.h"
#include "controls/script_control.h"
#include "controls/type_library.h"
#include "platform/automation/coercion.h"
#include "platform/automation/comm_members.h"

namespace controls {
namespace {

namespace inner = platform::automation::comm;
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
    AddForwardedProperty(u"CommPort", mscomm::kCommPort, inner::kCommPort, VarType::I2, true,
                         u"CommPort");
    AddForwardedProperty(u"Settings", mscomm::kSettings, inner::kSettings, VarType::String, true,
                         u"Settings");
    AddForwardedProperty(u"InputMode", mscomm::kInputMode, inner::kInputMode, VarType::I4, true,
                         u"InputMode");
    AddForwardedProperty(u"CommEvent", mscomm::kCommEvent, inner::kCommEvent, VarType::I2, true);
    // Writing InBufferCount also discards every queued event record.
    AddProperty(
        u"InBufferCount", mscomm::kInBufferCount,
        [this] { return ReadInner(inner::kInBufferCount, VarType::I2); },
        [this](const Variant& value) -> Status {
          if (Status s = WriteInner(inner::kInBufferCount, value); !s) return s;
          EventQueue().clear();
          return Status::Ok();
        });
    // The remaining properties are forwarded by the serial control's own work.
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
    auto bytes = automation::ToByteArray(*input);
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
