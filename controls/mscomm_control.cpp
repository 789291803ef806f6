// The MSComm control: the shared shape around the comm component, with the component's
// properties forwarded by name and its OnComm event raised or queued with the received bytes.

#include "automation/coercion.h"
#include "controls/control_classes.h"
#include "controls/identity.h"
#include "controls/script_control.h"
#include "controls/type_library.h"

namespace controls {
namespace {

using automation::Result;

// The inner component's InputMode for bytes (the control's comInputModeBinary).
constexpr std::int32_t kInnerInputModeBinary = 1;

// Every property reads and writes through the inner component, which refuses what it only
// reports; a write of a persisted property then tells the container. InBufferCount has a step
// of its own.
ControlDescription MSCommDescription() {
  return {
      &MSCommClass(),
      u"CommTestKit.CommComponent",
      {
          {u"Break", u"Break"},
          {u"CDHolding", u"CDHolding"},
          {u"CommEvent", u"CommEvent"},
          {u"CommID", u"CommID"},
          {u"CommPort", u"CommPort"},
          {u"CTSHolding", u"CTSHolding"},
          {u"DSRHolding", u"DSRHolding"},
          {u"DTREnable", u"DTREnable"},
          {u"EOFEnable", u"EOFEnable"},
          {u"Handshaking", u"Handshaking"},
          {u"InBufferSize", u"InBufferSize"},
          {u"Input2", u"Input"},
          {u"InputLen", u"InputLen"},
          {u"InputMode", u"InputMode"},
          {u"NullDiscard", u"NullDiscard"},
          {u"OutBufferCount", u"OutBufferCount"},
          {u"OutBufferSize", u"OutBufferSize"},
          {u"Output", u"Output"},
          {u"ParityReplace", u"ParityReplace"},
          {u"PortOpen", u"PortOpen"},
          {u"RThreshold", u"RThreshold"},
          {u"RTSEnable", u"RTSEnable"},
          {u"Settings", u"Settings"},
          {u"SThreshold", u"SThreshold"},
      },
      {{u"OnComm", u"OnComm"}},
      {
          {u"CommPort", VarType::I2, Variant::I2(1)},
          {u"DTREnable", VarType::Bool, Variant::Bool(true)},
          {u"EOFEnable", VarType::Bool, Variant::Bool(false)},
          {u"Handshaking", VarType::I4, Variant::I2(0)},
          {u"InBufferSize", VarType::I2, Variant::I2(1024)},
          {u"InputLen", VarType::I2, Variant::I2(0)},
          {u"InputMode", VarType::I4, Variant::I2(0)},
          {u"NullDiscard", VarType::Bool, Variant::Bool(false)},
          {u"OutBufferSize", VarType::I2, Variant::I2(512)},
          {u"ParityReplace", VarType::String, Variant::String(u"?")},
          {u"RThreshold", VarType::I2, Variant::I2(0)},
          {u"RTSEnable", VarType::Bool, Variant::Bool(false)},
          {u"Settings", VarType::String, Variant::String(u"9600,n,8,1")},
          {u"SThreshold", VarType::I2, Variant::I2(0)},
      },
  };
}

class MSCommControl final : public ScriptControl {
 public:
  MSCommControl() : ScriptControl(MSCommDescription()) {
    // Writing InBufferCount also discards every queued event record; it notifies nothing.
    AddProperty(
        u"InBufferCount", [this] { return ReadInner(u"InBufferCount", VarType::I2); },
        [this](const Variant& value) -> Status {
          if (Status s = WriteInner(u"InBufferCount", value); !s) return s;
          EventQueue().clear();
          return Status::Ok();
        });
  }

 protected:
  Status HandleInnerEvent(const ForwardedEvent& event, std::span<Variant> args) override {
    if (!ScriptEventMode()) return Raise(event.name, args);
    // Input is read in binary mode whatever mode the host chose, and the mode is put back.
    auto mode = ReadInner(u"InputMode", VarType::I4);
    if (!mode) return mode.status();
    if (Status s = WriteInner(u"InputMode", Variant::I4(kInnerInputModeBinary)); !s) return s;
    auto input = ReadInner(u"Input", VarType::Variant);
    if (!input) return input.status();
    // A byte array is taken over as it is; anything else is converted as a script's assignment
    // to a byte array would.
    auto bytes = input->IsArray() && input->AsArray().ElementType() == VarType::UI1
                     ? automation::Result<automation::SafeArray>(std::move(input->AsArray()))
                     : automation::ToByteArray(*input);
    if (!bytes) return bytes.status();
    if (Status s = WriteInner(u"InputMode", *mode); !s) return s;
    auto commEvent = ReadInner(u"CommEvent", VarType::I2);
    if (!commEvent) return commEvent.status();
    EventRecord record = NewEventRecord(std::u16string(event.name));
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
