// The comm component as a dispatch object: the members of comm_members.cpp over
// components::comm::CommComponent, with the values scripts pass converted as the original
// platform's comm control converts them.

#include "components/comm/comm_dispatch.h"

#include <algorithm>
#include <memory>
#include <string>

#include "automation/coercion.h"
#include "automation/described_object.h"
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
    return ToByteArray(value).Transform([](const SafeArray& array) {
      return std::string(array.bytes().begin(), array.bytes().end());
    });
  }
  return ToString(value).Transform([](const std::u16string& text) { return Cp932FromUtf16(text); });
}

class CommDispatch final : public DescribedObject {
 public:
  explicit CommDispatch(ReadinessLoop& loop) : DescribedObject(comm::members::kClass), port_(loop) {
    port_.SetOnComm([this] { (void)Fire(u"OnComm", {}); });
    // A handler may drop the last reference: the object lives until the port's callback ends.
    port_.SetOwnerHold(
        [this] { return std::shared_ptr<void>(nullptr, [held = Ref<Dispatch>(this)](void*) {}); });
    AddReportedProperties();
    AddPortProperties();
    AddBufferProperties();
    AddDataProperties();
  }

 private:
  using Port = port::CommComponent;

  // Lines and identity: reported by the port, never written.
  void AddReportedProperties() {
    AddProperty(u"CDHolding", [this] { return Holding(&Port::CDHolding); });
    AddProperty(u"CTSHolding", [this] { return Holding(&Port::CTSHolding); });
    AddProperty(u"DSRHolding", [this] { return Holding(&Port::DSRHolding); });
    AddProperty(u"CommID", [this] { return Ok(Variant::I4(port_.CommID())); });
    AddProperty(u"CommEvent", [this] { return Ok(Variant::I2(port_.CommEvent())); });
  }

  // The port, its line settings and its modem lines.
  void AddPortProperties() {
    AddShort(u"CommPort", &Port::CommPort, &Port::SetCommPort);
    AddBool(u"PortOpen", &Port::PortOpen, &Port::SetPortOpen);
    AddProperty(
        u"Settings", [this] { return Ok(Variant::String(Utf16FromCp932(port_.Settings()))); },
        [this](const Variant& v) {
          return ToString(v).AndThen([&](const std::u16string& text) {
            return FromComm(port_.SetSettings(Cp932FromUtf16(text)));
          });
        });
    AddProperty(
        u"Handshaking", [this] { return Ok(Variant::I4(port_.Handshaking())); },
        [this](const Variant& v) {
          return ToI4(v).AndThen([&](std::int32_t n) { return FromComm(port_.SetHandshaking(n)); });
        });
    AddBool(u"DTREnable", &Port::DTREnable, &Port::SetDTREnable);
    AddBool(u"RTSEnable", &Port::RTSEnable, &Port::SetRTSEnable);
    AddBool(u"Break", &Port::Break, &Port::SetBreak);
  }

  // The buffers' sizes and counts, and the thresholds of the events.
  void AddBufferProperties() {
    AddShort(u"InBufferSize", &Port::InBufferSize, &Port::SetInBufferSize);
    AddShort(u"OutBufferSize", &Port::OutBufferSize, &Port::SetOutBufferSize);
    AddProperty(
        u"InBufferCount", [this] { return Count(&Port::InBufferCount); },
        [this](const Variant& v) { return PutI2(v, &Port::SetInBufferCount); });
    AddProperty(
        u"OutBufferCount", [this] { return Count(&Port::OutBufferCount); },
        [this](const Variant& v) { return PutI2(v, &Port::SetOutBufferCount); });
    AddShort(u"InputLen", &Port::InputLen, &Port::SetInputLen);
    AddProperty(
        u"InputMode", [this] { return Ok(Variant::I4(port_.InputMode())); },
        [this](const Variant& v) {
          return ToI4(v).AndThen([&](std::int32_t n) { return FromComm(port_.SetInputMode(n)); });
        });
    AddShort(u"RThreshold", &Port::RThreshold, &Port::SetRThreshold);
    AddShort(u"SThreshold", &Port::SThreshold, &Port::SetSThreshold);
  }

  // What the received bytes go through, and the bytes themselves: Input is only read, Output
  // only written.
  void AddDataProperties() {
    AddProperty(
        u"EOFEnable", [this] { return Ok(Variant::Bool(port_.EOFEnable())); },
        [this](const Variant& v) {
          return ToBool(v).AndThen([&](bool on) {
            port_.SetEOFEnable(on);
            return Status::Ok();
          });
        });
    AddProperty(
        u"NullDiscard", [this] { return Ok(Variant::Bool(port_.NullDiscard())); },
        [this](const Variant& v) {
          return ToBool(v).AndThen([&](bool on) {
            port_.SetNullDiscard(on);
            return Status::Ok();
          });
        });
    AddProperty(
        u"ParityReplace",
        [this] { return Ok(Variant::String(Utf16FromCp932(port_.ParityReplace()))); },
        [this](const Variant& v) {
          return ToString(v).AndThen([&](const std::u16string& text) {
            return FromComm(port_.SetParityReplace(Cp932FromUtf16(text)));
          });
        });
    AddProperty(u"Input", [this]() -> Result<Variant> {
      if (port_.InputMode() == port::kComInputModeBinary) {
        std::vector<std::uint8_t> bytes;
        return FromComm(port_.Input(bytes)).AndThen([&]() -> Result<Variant> {
          return Variant::Bytes(std::move(bytes));
        });
      }
      std::string text;
      return FromComm(port_.Input(text)).AndThen([&]() -> Result<Variant> {
        return Variant::String(Utf16FromCp932(text));
      });
    });
    AddProperty(u"Output", nullptr, [this](const Variant& v) {
      return OutputBytes(v).AndThen(
          [&](const std::string& bytes) { return FromComm(port_.Output(bytes)); });
    });
  }

  static Result<Variant> Ok(Variant v) { return v; }
  // A value that scripts read as a 2-byte integer. The sizes and thresholds were written as such;
  // only a count can grow beyond (one large Output waiting whole), and reads as the largest.
  static std::int16_t Short(int value) { return static_cast<std::int16_t>(std::min(value, 32767)); }

  // A property read and written as a 2-byte integer, or as a Boolean.
  void AddShort(std::u16string_view name, int (Port::*get)() const,
                port::CommStatus (Port::*set)(int)) {
    AddProperty(
        name, [this, get] { return Ok(Variant::I2(Short((port_.*get)()))); },
        [this, set](const Variant& v) { return PutI2(v, set); });
  }
  void AddBool(std::u16string_view name, bool (Port::*get)() const,
               port::CommStatus (Port::*set)(bool)) {
    AddProperty(
        name, [this, get] { return Ok(Variant::Bool((port_.*get)())); },
        [this, set](const Variant& v) {
          return ToBool(v).AndThen([&](bool on) { return FromComm((port_.*set)(on)); });
        });
  }
  Status PutI2(const Variant& v, port::CommStatus (Port::*set)(int)) {
    return ToI2(v).AndThen([&](std::int16_t n) { return FromComm((port_.*set)(n)); });
  }

  Result<Variant> Holding(port::CommStatus (Port::*read)(bool&) const) {
    bool on = false;
    return FromComm((port_.*read)(on)).AndThen([&]() -> Result<Variant> {
      return Variant::Bool(on);
    });
  }
  Result<Variant> Count(port::CommStatus (Port::*read)(int&) const) {
    int count = 0;
    return FromComm((port_.*read)(count)).AndThen([&]() -> Result<Variant> {
      return Variant::I2(Short(count));
    });
  }

  port::CommComponent port_;
};

}  // namespace

automation::Result<automation::Ref<automation::Dispatch>> CreateCommComponent(
    platform::ReadinessLoop& loop) {
  auto object = MakeObject<CommDispatch>(loop);
  return object->CheckMemberTable().AndThen(
      [&]() -> Result<Ref<Dispatch>> { return Ref<Dispatch>(object.get()); });
}

}  // namespace components
