// The Winsock control: the shared shape around the socket component, with the component's
// properties and methods forwarded by name and its seven events raised or queued.

#include <vector>

#include "controls/control_classes.h"
#include "controls/identity.h"
#include "controls/script_control.h"
#include "controls/type_library.h"

namespace controls {
namespace {

using automation::Result;

// The inner component's State while it listens (the control's sckListening).
constexpr std::int16_t kInnerListening = 2;

ControlDescription WinsockDescription() {
  return {
      &WinsockClass(),
      u"CommTestKit.SocketComponent",
      {
          {u"LocalPort", u"LocalPort"},
          {u"Protocol", u"Protocol"},
          {u"RemoteHost", u"RemoteHost"},
          {u"RemotePort", u"RemotePort"},
          {u"State", u"State"},
          {u"BytesReceived", u"BytesReceived"},
          {u"LocalHostName", u"LocalHostName"},
          {u"LocalIP", u"LocalIP"},
          {u"RemoteHostIP", u"RemoteHostIP"},
          {u"SocketHandle", u"SocketHandle"},
      },
      {
          {u"Close2", u"Close"},
          {u"Connect", u"Connect"},
          {u"ConnectionRequest", u"ConnectionRequest"},
          {u"DataArrival", u"DataArrival"},
          {u"Error", u"Error"},
          {u"SendComplete", u"SendComplete"},
          {u"SendProgress", u"SendProgress"},
      },
      {
          {u"LocalPort", VarType::I4, Variant::I2(0)},
          {u"Protocol", VarType::I4, Variant::I2(0)},
          {u"RemoteHost", VarType::String, Variant::String(u"")},
          {u"RemotePort", VarType::I4, Variant::I2(0)},
      },
  };
}

class WinsockControl final : public ScriptControl {
 public:
  WinsockControl() : ScriptControl(WinsockDescription()) {
    AddMethod(u"Accept", [this](std::span<Variant> args) {
      // requestID is a 4-byte integer in the control's interface; the inner component receives
      // a reference to it.
      return automation::ToI4(args[0].Value()).AndThen([&](std::int32_t id) {
        Variant requestId = Variant::I4(id);
        Variant reference = Variant::ByRef(requestId);
        return CallInner(u"Accept", std::span<Variant>(&reference, 1));
      });
    });
    AddMethod(u"Bind",
              [this](std::span<Variant> args) { return CallWithOptionalPair(u"Bind", args); });
    AddMethod(u"Close2", [this](std::span<Variant>) { return CallInner(u"Close", {}); });
    AddMethod(u"Connect",
              [this](std::span<Variant> args) { return CallWithOptionalPair(u"Connect", args); });
    AddMethod(u"GetData", [this](std::span<Variant> args) { return CallRead(u"GetData", args); });
    AddMethod(u"Listen", [this](std::span<Variant>) { return CallInner(u"Listen", {}); });
    AddMethod(u"PeekData", [this](std::span<Variant> args) { return CallRead(u"PeekData", args); });
    AddMethod(u"SendData", [this](std::span<Variant> args) {
      Variant copy = args[0].Value();
      Variant reference = Variant::ByRef(copy);
      return CallInner(u"SendData", std::span<Variant>(&reference, 1));
    });
  }

 protected:
  Status HandleInnerEvent(const ForwardedEvent& event, std::span<Variant> args) override {
    if (event.name == u"ConnectionRequest") return OnConnectionRequest(args);
    if (event.name == u"DataArrival") return OnDataArrival(args);
    return ScriptControl::HandleInnerEvent(event, args);
  }

 private:
  // Bind and Connect: two optional arguments, each given one passed as a reference to a copy,
  // in the four forms (both, the first alone, the first omitted then the second, none).
  Result<Variant> CallWithOptionalPair(std::u16string_view inner, std::span<Variant> args) {
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
    return CallInner(inner, innerArgs);
  }

  // GetData and PeekData: the caller's own variable by reference, then type2 and maxLen in the
  // four forms (both, type2 alone, type2 omitted then maxLen, neither).
  Result<Variant> CallRead(std::u16string_view inner, std::span<Variant> args) {
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
    return CallInner(inner, innerArgs);
  }

  // Script mode: the request is queued, then accepted at once when the inner control listens.
  Status OnConnectionRequest(std::span<Variant> args) {
    if (!ScriptEventMode()) return Raise(u"ConnectionRequest", args);
    EventRecord record = NewEventRecord(u"ConnectionRequest");
    Variant requestId = args.empty() ? Variant() : args[0].Value();
    record[1] = requestId;
    Enqueue(std::move(record));
    auto state = ReadInner(u"State", VarType::I2);
    if (!state) return state.status();
    if (state->AsI2() != kInnerListening) return Status::Ok();
    if (auto closed = CallInner(u"Close", {}); !closed) return closed.status();
    Variant reference = Variant::ByRef(requestId);
    return CallInner(u"Accept", std::span<Variant>(&reference, 1)).status();
  }

  // Script mode: the received bytes are taken from the inner control into the record.
  Status OnDataArrival(std::span<Variant> args) {
    if (!ScriptEventMode()) return Raise(u"DataArrival", args);
    Variant data = Variant::Bytes({});
    Variant reference = Variant::ByRef(data);
    if (auto got = CallInner(u"GetData", std::span<Variant>(&reference, 1)); !got) {
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
