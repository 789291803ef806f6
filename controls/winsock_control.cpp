// The Winsock control: the shared shape around the socket component, with the socket's
// properties and methods forwarded and its seven events raised or queued.

#include <vector>

#include "components/socket/socket_members.h"
#include "controls/control_classes.h"
#include "controls/identity.h"
#include "controls/script_control.h"
#include "controls/type_library.h"
#include "controls/winsock_members.h"

namespace controls {
namespace {

namespace inner = components::winsock::members;
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
    AddForwardedProperty(u"BytesReceived", winsock::kBytesReceived, inner::kBytesReceived,
                         VarType::I4, false);
    AddForwardedProperty(u"LocalHostName", winsock::kLocalHostName, inner::kLocalHostName,
                         VarType::String, false);
    AddForwardedProperty(u"LocalIP", winsock::kLocalIP, inner::kLocalIP, VarType::String, false);
    AddForwardedProperty(u"RemoteHostIP", winsock::kRemoteHostIP, inner::kRemoteHostIP,
                         VarType::String, false);
    AddForwardedProperty(u"SocketHandle", winsock::kSocketHandle, inner::kSocketHandle, VarType::I4,
                         false);

    AddMethod(u"Accept", winsock::kAccept, [this](std::span<Variant> args) -> Result<Variant> {
      if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
      // requestID is a 4-byte integer in the control's interface; the inner control receives a
      // reference to it.
      auto id = automation::ToI4(args[0].Value());
      if (!id) return id.error();
      Variant requestId = Variant::I4(*id);
      Variant reference = Variant::ByRef(requestId);
      return CallInner(inner::kAccept, std::span<Variant>(&reference, 1));
    });
    AddMethod(u"Bind", winsock::kBind,
              [this](std::span<Variant> args) { return CallWithOptionalPair(inner::kBind, args); });
    AddMethod(u"Close2", winsock::kClose2, [this](std::span<Variant> args) -> Result<Variant> {
      if (Status s = automation::CheckArgumentCount(args, 0, 0); !s) return s.error();
      return CallInner(inner::kClose, {});
    });
    AddMethod(u"Connect", winsock::kConnect, [this](std::span<Variant> args) {
      return CallWithOptionalPair(inner::kConnect, args);
    });
    AddMethod(u"GetData", winsock::kGetData,
              [this](std::span<Variant> args) { return CallRead(inner::kGetData, args); });
    AddMethod(u"Listen", winsock::kListen, [this](std::span<Variant> args) -> Result<Variant> {
      if (Status s = automation::CheckArgumentCount(args, 0, 0); !s) return s.error();
      return CallInner(inner::kListen, {});
    });
    AddMethod(u"PeekData", winsock::kPeekData,
              [this](std::span<Variant> args) { return CallRead(inner::kPeekData, args); });
    AddMethod(u"SendData", winsock::kSendData, [this](std::span<Variant> args) -> Result<Variant> {
      if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
      Variant copy = args[0].Value();
      Variant reference = Variant::ByRef(copy);
      return CallInner(inner::kSendData, std::span<Variant>(&reference, 1));
    });
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
  // Bind and Connect: two optional arguments, each given one passed as a reference to a copy,
  // in the four forms (both, the first alone, the first omitted then the second, none).
  Result<Variant> CallWithOptionalPair(DispId innerId, std::span<Variant> args) {
    if (Status s = automation::CheckArgumentCount(args, 0, 2); !s) return s.error();
    const Variant* first = automation::OptionalArgument(args, 0);
    const Variant* second = automation::OptionalArgument(args, 1);
    Variant firstCopy = first ? *first : Variant();
    Variant secondCopy = second ? *second : Variant();
    std::vector<Variant> innerArgs;
    if (first) {
      innerArgs.push_back(Variant::ByRef(firstCopy));
    } else if (second) {
      innerArgs.push_back(Variant::Missing());
    }
    if (second) innerArgs.push_back(Variant::ByRef(secondCopy));
    return CallInner(innerId, innerArgs);
  }

  // GetData and PeekData: the caller's own variable by reference, then type2 and maxLen in the
  // four forms (both, type2 alone, type2 omitted then maxLen, neither).
  Result<Variant> CallRead(DispId innerId, std::span<Variant> args) {
    if (Status s = automation::CheckArgumentCount(args, 1, 3); !s) return s.error();
    const Variant* type = automation::OptionalArgument(args, 1);
    const Variant* maxLen = automation::OptionalArgument(args, 2);
    std::vector<Variant> innerArgs;
    // A variable passed by value still receives the data, in this call's own copy.
    innerArgs.push_back(args[0].IsByRef() ? args[0] : Variant::ByRef(args[0]));
    if (type) {
      innerArgs.push_back(*type);
    } else if (maxLen) {
      innerArgs.push_back(Variant::Missing());
    }
    if (maxLen) innerArgs.push_back(*maxLen);
    return CallInner(innerId, innerArgs);
  }

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
