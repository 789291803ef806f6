// The Winsock control: the shared shape around the socket component, with the socket's
// properties and methods forwarded and its seven events raised or queued.

#include "controls/control_classes.h"
#include "controls/identity.h"
#include "controls/script_control.h"
#include "controls/type_library.h"
#include "controls/winsock_members.h"
#include "platform/automation/socket_members.h"

namespace controls {
namespace {

namespace inner = platform::automation::socket;
using automation::Result;

ControlDescription WinsockDescription() {
  return {
      &kWinsockInterface,
      &kWinsockEvents,
      inner::kProgId,
      inner::kEventsIid,
      winsock::kStartEventForScript,
      winsock::kEndEventForScript,
      winsock::kGetEventParameters,
      winsock::kByteArrayToStr,
      winsock::kByteArrayToHex,
      winsock::kStrToByteArray,
      winsock::kHexToByteArray,
      {
          {u"LocalPort", VarType::I4, Variant::I2(0), inner::kLocalPort},
          {u"Protocol", VarType::I4, Variant::I2(0), inner::kProtocol},
          {u"RemoteHost", VarType::String, Variant::String(u""), inner::kRemoteHost},
          {u"RemotePort", VarType::I4, Variant::I2(0), inner::kRemotePort},
      },
  };
}

class WinsockControl final : public ScriptControl {
 public:
  WinsockControl() : ScriptControl(WinsockDescription()) {
    AddForwardedProperty(u"LocalPort", winsock::kLocalPort, inner::kLocalPort, VarType::I4, true,
                         u"LocalPort");
    AddForwardedProperty(u"Protocol", winsock::kProtocol, inner::kProtocol, VarType::I4, true,
                         u"Protocol");
    AddForwardedProperty(u"RemoteHost", winsock::kRemoteHost, inner::kRemoteHost, VarType::String,
                         true, u"RemoteHost");
    AddForwardedProperty(u"RemotePort", winsock::kRemotePort, inner::kRemotePort, VarType::I4, true,
                         u"RemotePort");
    AddForwardedProperty(u"State", winsock::kState, inner::kState, VarType::I2, false);
    // The remaining properties and the methods are forwarded by the socket control's own work.
  }

 protected:
  Status HandleInnerEvent(DispId innerEvent, std::span<Variant> args) override {
    switch (innerEvent) {
      case inner::kEventClose:
        return RaiseOrQueue(winsock::kEventClose2, u"Close2", args);
      case inner::kEventConnect:
        return RaiseOrQueue(winsock::kEventConnect, u"Connect", args);
      case inner::kEventConnectionRequest:
        return OnConnectionRequest(args);
      case inner::kEventDataArrival:
        return OnDataArrival(args);
      case inner::kEventError:
        return RaiseOrQueue(winsock::kEventError, u"Error", args);
      case inner::kEventSendComplete:
        return RaiseOrQueue(winsock::kEventSendComplete, u"SendComplete", args);
      case inner::kEventSendProgress:
        return RaiseOrQueue(winsock::kEventSendProgress, u"SendProgress", args);
      default:
        return Status::Ok();
    }
  }

 private:
  // Script mode: the request is queued, then accepted at once when the inner control listens.
  Status OnConnectionRequest(std::span<Variant> args) {
    if (!ScriptEventMode()) return Raise(winsock::kEventConnectionRequest, args);
    EventRecord record = NewEventRecord(u"ConnectionRequest");
    Variant requestId = args.empty() ? Variant() : args[0].Value();
    record[1] = requestId;
    Enqueue(std::move(record));
    auto state = ReadInner(inner::kState, VarType::I2);
    if (!state) return state.status();
    if (state->AsI2() != inner::kStateListening) return Status::Ok();
    if (auto closed = CallInner(inner::kClose, {}); !closed) return closed.status();
    Variant reference = Variant::ByRef(requestId);
    return CallInner(inner::kAccept, std::span<Variant>(&reference, 1)).status();
  }

  // Script mode: the received bytes are taken from the inner control into the record.
  Status OnDataArrival(std::span<Variant> args) {
    if (!ScriptEventMode()) return Raise(winsock::kEventDataArrival, args);
    Variant data = Variant::Bytes({});
    Variant reference = Variant::ByRef(data);
    if (auto got = CallInner(inner::kGetData, std::span<Variant>(&reference, 1)); !got) {
      return got.status();
    }
    EventRecord record = NewEventRecord(u"DataArrival");
    record[1] = args.empty() ? Variant() : args[0].Value();
    record[kRecordData] = std::move(data);
    Enqueue(std::move(record));
    return Status::Ok();
  }
};

}  // namespace

Result<Ref<automation::Unknown>> CreateWinsockControl() {
  auto control = automation::MakeObject<WinsockControl>();
  if (Status s = control->CreateInner(); !s) return s.error();
  return Ref<automation::Unknown>(static_cast<automation::Dispatch*>(control.get()));
}

}  // namespace controls
