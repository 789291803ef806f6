// The comm component as a dispatch object: the members of comm_members.h over the serial port
// of platform/comm_component, with the values scripts pass converted as the platform's comm
// control converts them.

#include "components/comm/comm_dispatch.h"

#include <algorithm>
#include <memory>
#include <string>

#include "automation/coercion.h"
#include "automation/dispatch_object.h"
#include "automation/text.h"
#include "components/comm/comm_component.h"

namespace components {
namespace {

// The adapter is written in the automation layer's terms throughout.
using namespace ::automation;
using platform::ReadinessLoop;

namespace port = components::comm;

Status FromComm(port::CommStatus status) {
  if (status) return Status::Ok();
  return MakeError(status.error, Utf16FromUtf8(port::CommErrorDescription(status.error)));
}

// The bytes a script hands to Output: a string in the code page, an array as bytes, anything
// else as its text.
Result<std::string> OutputBytes(const Variant& value) {
  if (value.Type() == VarType::String && !value.IsArray()) return Cp932FromUtf16(value.AsString());
  if (value.IsArray()) {
    auto array = ToByteArray(value);
    if (!array) return array.error();
    const auto& bytes = array->bytes();
    return std::string(bytes.begin(), bytes.end());
  }
  auto text = ToString(value);
  if (!text) return text.error();
  return Cp932FromUtf16(*text);
}

class CommDispatch final : public DispatchObject {
 public:
  explicit CommDispatch(ReadinessLoop& loop) : port_(loop) {
    AddEventInterface(comm::members::kEventsIid);
    port_.SetOnComm([this] { (void)Fire(comm::members::kEventOnComm, {}); });

    // Lines and identity: reported by the port, never written.
    AddProperty(u"CDHolding", comm::members::kCDHolding,
                [this] { return Holding(&port::CommComponent::CDHolding); });
    AddProperty(u"CTSHolding", comm::members::kCTSHolding,
                [this] { return Holding(&port::CommComponent::CTSHolding); });
    AddProperty(u"DSRHolding", comm::members::kDSRHolding,
                [this] { return Holding(&port::CommComponent::DSRHolding); });
    AddProperty(u"CommID", comm::members::kCommID,
                [this] { return Ok(Variant::I4(port_.CommID())); });
    AddProperty(u"CommEvent", comm::members::kCommEvent,
                [this] { return Ok(Variant::I2(port_.CommEvent())); });

    AddProperty(
        u"CommPort", comm::members::kCommPort,
        [this] { return Ok(Variant::I2(Short(port_.CommPort()))); },
        [this](const Variant& v) {
          return PutI2(v, [this](int n) { return port_.SetCommPort(n); });
        });
    AddProperty(
        u"PortOpen", comm::members::kPortOpen,
        [this] { return Ok(Variant::Bool(port_.PortOpen())); },
        [this](const Variant& v) {
          return PutBool(v, [this](bool b) { return port_.SetPortOpen(b); });
        });
    AddProperty(
        u"Settings", comm::members::kSettings,
        [this] { return Ok(Variant::String(Utf16FromCp932(port_.Settings()))); },
        [this](const Variant& v) -> Status {
          auto text = ToString(v);
          if (!text) return text.error();
          return FromComm(port_.SetSettings(Cp932FromUtf16(*text)));
        });
    AddProperty(
        u"Handshaking", comm::members::kHandshaking,
        [this] { return Ok(Variant::I4(port_.Handshaking())); },
        [this](const Variant& v) {
          return PutI4(v, [this](int n) { return port_.SetHandshaking(n); });
        });
    AddProperty(
        u"DTREnable", comm::members::kDTREnable,
        [this] { return Ok(Variant::Bool(port_.DTREnable())); },
        [this](const Variant& v) {
          return PutBool(v, [this](bool b) { return port_.SetDTREnable(b); });
        });
    AddProperty(
        u"RTSEnable", comm::members::kRTSEnable,
        [this] { return Ok(Variant::Bool(port_.RTSEnable())); },
        [this](const Variant& v) {
          return PutBool(v, [this](bool b) { return port_.SetRTSEnable(b); });
        });
    AddProperty(
        u"Break", comm::members::kBreak, [this] { return Ok(Variant::Bool(port_.Break())); },
        [this](const Variant& v) {
          return PutBool(v, [this](bool b) { return port_.SetBreak(b); });
        });

    AddProperty(
        u"InBufferSize", comm::members::kInBufferSize,
        [this] { return Ok(Variant::I2(Short(port_.InBufferSize()))); },
        [this](const Variant& v) {
          return PutI2(v, [this](int n) { return port_.SetInBufferSize(n); });
        });
    AddProperty(
        u"OutBufferSize", comm::members::kOutBufferSize,
        [this] { return Ok(Variant::I2(Short(port_.OutBufferSize()))); },
        [this](const Variant& v) {
          return PutI2(v, [this](int n) { return port_.SetOutBufferSize(n); });
        });
    AddProperty(
        u"InBufferCount", comm::members::kInBufferCount,
        [this] { return Count(&port::CommComponent::InBufferCount); },
        [this](const Variant& v) {
          return PutI2(v, [this](int n) { return port_.SetInBufferCount(n); });
        });
    AddProperty(
        u"OutBufferCount", comm::members::kOutBufferCount,
        [this] { return Count(&port::CommComponent::OutBufferCount); },
        [this](const Variant& v) {
          return PutI2(v, [this](int n) { return port_.SetOutBufferCount(n); });
        });

    AddProperty(
        u"InputLen", comm::members::kInputLen,
        [this] { return Ok(Variant::I2(Short(port_.InputLen()))); },
        [this](const Variant& v) {
          return PutI2(v, [this](int n) { return port_.SetInputLen(n); });
        });
    AddProperty(
        u"InputMode", comm::members::kInputMode,
        [this] { return Ok(Variant::I4(port_.InputMode())); },
        [this](const Variant& v) {
          return PutI4(v, [this](int n) { return port_.SetInputMode(n); });
        });
    AddProperty(
        u"RThreshold", comm::members::kRThreshold,
        [this] { return Ok(Variant::I2(Short(port_.RThreshold()))); },
        [this](const Variant& v) {
          return PutI2(v, [this](int n) { return port_.SetRThreshold(n); });
        });
    AddProperty(
        u"SThreshold", comm::members::kSThreshold,
        [this] { return Ok(Variant::I2(Short(port_.SThreshold()))); },
        [this](const Variant& v) {
          return PutI2(v, [this](int n) { return port_.SetSThreshold(n); });
        });
    AddProperty(
        u"EOFEnable", comm::members::kEOFEnable,
        [this] { return Ok(Variant::Bool(port_.EOFEnable())); },
        [this](const Variant& v) -> Status {
          auto on = ToBool(v);
          if (!on) return on.error();
          port_.SetEOFEnable(*on);
          return Status::Ok();
        });
    AddProperty(
        u"NullDiscard", comm::members::kNullDiscard,
        [this] { return Ok(Variant::Bool(port_.NullDiscard())); },
        [this](const Variant& v) -> Status {
          auto on = ToBool(v);
          if (!on) return on.error();
          port_.SetNullDiscard(*on);
          return Status::Ok();
        });
    AddProperty(
        u"ParityReplace", comm::members::kParityReplace,
        [this] { return Ok(Variant::String(Utf16FromCp932(port_.ParityReplace()))); },
        [this](const Variant& v) -> Status {
          auto text = ToString(v);
          if (!text) return text.error();
          return FromComm(port_.SetParityReplace(Cp932FromUtf16(*text)));
        });

    // Input is only read, Output only written.
    AddProperty(u"Input", comm::members::kInput, [this]() -> Result<Variant> {
      if (port_.InputMode() == port::kComInputModeBinary) {
        std::vector<std::uint8_t> bytes;
        if (Status s = FromComm(port_.Input(bytes)); !s) return s.error();
        return Variant::Bytes(std::move(bytes));
      }
      std::string text;
      if (Status s = FromComm(port_.Input(text)); !s) return s.error();
      return Variant::String(Utf16FromCp932(text));
    });
    AddProperty(u"Output", comm::members::kOutput, nullptr, [this](const Variant& v) -> Status {
      auto bytes = OutputBytes(v);
      if (!bytes) return bytes.error();
      return FromComm(port_.Output(*bytes));
    });
  }

 private:
  static Result<Variant> Ok(Variant v) { return v; }
  // A value that scripts read as a 2-byte integer. The sizes and thresholds were written as such;
  // only a count can grow beyond (one large Output waiting whole), and reads as the largest.
  static std::int16_t Short(int value) { return static_cast<std::int16_t>(std::min(value, 32767)); }

  template <class Setter>
  static Status PutI2(const Variant& v, Setter set) {
    auto n = ToI2(v);
    if (!n) return n.error();
    return FromComm(set(*n));
  }
  template <class Setter>
  static Status PutI4(const Variant& v, Setter set) {
    auto n = ToI4(v);
    if (!n) return n.error();
    return FromComm(set(*n));
  }
  template <class Setter>
  static Status PutBool(const Variant& v, Setter set) {
    auto b = ToBool(v);
    if (!b) return b.error();
    return FromComm(set(*b));
  }

  Result<Variant> Holding(port::CommStatus (port::CommComponent::*read)(bool&) const) {
    bool on = false;
    if (Status s = FromComm((port_.*read)(on)); !s) return s.error();
    return Variant::Bool(on);
  }
  Result<Variant> Count(port::CommStatus (port::CommComponent::*read)(int&) const) {
    int count = 0;
    if (Status s = FromComm((port_.*read)(count)); !s) return s.error();
    return Variant::I2(Short(count));
  }

  port::CommComponent port_;
};

}  // namespace

automation::Result<automation::Ref<automation::Dispatch>> CreateCommComponent(
    platform::ReadinessLoop& loop) {
  return automation::Ref<automation::Dispatch>(MakeObject<CommDispatch>(loop));
}

}  // namespace components
