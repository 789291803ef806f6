// The socket component as a dispatch object: the members of socket_members.h over
// components::winsock::SocketComponent, with the data conversions that scripts rely on (strings
// in CP932, byte arrays, numbers as their little-endian bytes) and the seven events fired on
// the connection point of kEventsIid.

#include "components/socket/socket_dispatch.h"

#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "automation/described_object.h"
#include "automation/text.h"
#include "components/socket/socket_component.h"
#include "components/socket/winsock_errors.h"

namespace components {
namespace {

// The adapter is written in the automation layer's terms throughout.
using namespace ::automation;
using platform::ReadinessLoop;

namespace winsock = components::winsock;

// The data types of GetData and PeekData, as the original platform numbers them.
constexpr std::int32_t kTypeInteger = 2;
constexpr std::int32_t kTypeLong = 3;
constexpr std::int32_t kTypeSingle = 4;
constexpr std::int32_t kTypeDouble = 5;
constexpr std::int32_t kTypeCurrency = 6;
constexpr std::int32_t kTypeDate = 7;
constexpr std::int32_t kTypeString = 8;
constexpr std::int32_t kTypeBoolean = 11;
constexpr std::int32_t kTypeByte = 17;
constexpr std::int32_t kTypeByteArray = 0x2000 | 17;

Error ComponentError(int number) {
  return MakeError(number, Utf16FromCp932(winsock::ErrorDescription(number)),
                   Utf16FromCp932(winsock::kErrorSource));
}

Status FromStatus(const winsock::Status& status) {
  if (status.ok()) return Status::Ok();
  return ComponentError(status.Number());
}

Result<Variant> Done(const winsock::Status& status) {
  if (!status.ok()) return ComponentError(status.Number());
  return Variant();
}

template <class T>
T LittleEndian(std::string_view bytes) {
  T value{};
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

template <class T>
std::string BytesOf(T value) {
  std::string bytes(sizeof value, '\0');
  std::memcpy(bytes.data(), &value, sizeof value);
  return bytes;
}

// The size of a numeric type's value in bytes, or 0 for a type that is not numeric.
std::size_t NumericSize(std::int32_t type) {
  switch (type) {
    case kTypeByte:
      return 1;
    case kTypeInteger:
    case kTypeBoolean:
      return 2;
    case kTypeLong:
    case kTypeSingle:
      return 4;
    case kTypeDouble:
    case kTypeCurrency:
    case kTypeDate:
      return 8;
    default:
      return 0;
  }
}

// A numeric value from its bytes. Single, Currency and Date, which this layer's Variant does not
// hold, come back as doubles of the same value.
Variant NumericValue(std::int32_t type, std::string_view bytes) {
  switch (type) {
    case kTypeByte:
      return Variant::UI1(static_cast<std::uint8_t>(bytes[0]));
    case kTypeInteger:
      return Variant::I2(LittleEndian<std::int16_t>(bytes));
    case kTypeBoolean:
      return Variant::Bool(LittleEndian<std::int16_t>(bytes) != 0);
    case kTypeLong:
      return Variant::I4(LittleEndian<std::int32_t>(bytes));
    case kTypeSingle:
      return Variant::R8(LittleEndian<float>(bytes));
    case kTypeCurrency:
      return Variant::R8(static_cast<double>(LittleEndian<std::int64_t>(bytes)) / 10000.0);
    default:  // Double and Date
      return Variant::R8(LittleEndian<double>(bytes));
  }
}

// The bytes SendData sends for a value: a string in CP932, a byte array as it is, a number as
// its little-endian bytes, Empty as nothing.
Result<std::string> DataBytes(const Variant& value) {
  const Variant& data = value.Deref();
  if (data.IsArray()) {
    auto bytes = ToByteArray(data);
    if (!bytes) return bytes.error();
    const auto& raw = bytes->bytes();
    return std::string(raw.begin(), raw.end());
  }
  switch (data.Type()) {
    case VarType::Empty:
      return std::string();
    case VarType::String:
      return Cp932FromUtf16(data.AsString());
    case VarType::UI1:
      return std::string(1, static_cast<char>(data.AsUI1()));
    case VarType::I2:
      return BytesOf(data.AsI2());
    case VarType::Bool:
      return BytesOf(static_cast<std::int16_t>(data.AsBool() ? -1 : 0));
    case VarType::I4:
      return BytesOf(data.AsI4());
    case VarType::R8:
      return BytesOf(data.AsR8());
    default:
      return ComponentError(winsock::kUnsupportedType);
  }
}

// An optional argument converted, or nothing when it was not passed.
template <class T>
Result<std::optional<T>> Optional(std::span<Variant> args, std::size_t index,
                                  Result<T> (*convert)(const Variant&)) {
  const Variant* given = OptionalArgument(args, index);
  if (given == nullptr) return std::optional<T>();
  return convert(*given).Transform([](T value) { return std::optional<T>(std::move(value)); });
}

Result<std::string> Cp932Text(const Variant& value) {
  return ToString(value).Transform([](const std::u16string& text) { return Cp932FromUtf16(text); });
}

// A hold on a dispatch object: a reference, dropped when the last copy of the hold goes.
std::shared_ptr<void> HoldThis(Dispatch* object) {
  return std::shared_ptr<void>(nullptr, [held = Ref<Dispatch>(object)](void*) {});
}

class SocketObject final : public DescribedObject, private winsock::SocketEvents {
 public:
  explicit SocketObject(ReadinessLoop& loop)
      : DescribedObject(winsock::members::kClass), socket_(loop) {
    socket_.SetEvents(this);
    socket_.SetOwnerHold([this] { return HoldThis(this); });
    AddProperties();
    AddMethods();
  }

 protected:
  ~SocketObject() override { socket_.SetEvents(nullptr); }

 private:
  // A property read as a 4-byte integer and written through `set`.
  void AddNumber(std::u16string_view name, std::int32_t (winsock::SocketComponent::*get)() const,
                 winsock::Status (winsock::SocketComponent::*set)(std::int32_t)) {
    AddProperty(
        name, [this, get]() -> Result<Variant> { return Variant::I4((socket_.*get)()); },
        [this, set](const Variant& value) {
          return ToI4(value).AndThen([&](std::int32_t n) { return FromStatus((socket_.*set)(n)); });
        });
  }
  // A property only read, as CP932 text.
  template <class Get>
  void AddText(std::u16string_view name, Get get) {
    AddProperty(name, [this, get]() -> Result<Variant> {
      return Variant::String(Utf16FromCp932(std::invoke(get, socket_)));
    });
  }

  void AddProperties() {
    AddNumber(u"RemotePort", &winsock::SocketComponent::RemotePort,
              &winsock::SocketComponent::SetRemotePort);
    AddNumber(u"LocalPort", &winsock::SocketComponent::LocalPort,
              &winsock::SocketComponent::SetLocalPort);
    AddProperty(
        u"Protocol",
        [this]() -> Result<Variant> {
          return Variant::I4(static_cast<std::int32_t>(socket_.GetProtocol()));
        },
        [this](const Variant& value) {
          return ToI4(value).AndThen(
              [&](std::int32_t protocol) { return FromStatus(socket_.SetProtocol(protocol)); });
        });
    AddText(u"RemoteHostIP", &winsock::SocketComponent::RemoteHostIP);
    AddText(u"LocalHostName", &winsock::SocketComponent::LocalHostName);
    AddText(u"LocalIP", &winsock::SocketComponent::LocalIP);
    AddProperty(u"SocketHandle",
                [this]() -> Result<Variant> { return Variant::I4(socket_.SocketHandle()); });
    AddProperty(u"State", [this]() -> Result<Variant> {
      return Variant::I2(static_cast<std::int16_t>(socket_.GetState()));
    });
    AddProperty(u"BytesReceived",
                [this]() -> Result<Variant> { return Variant::I4(socket_.BytesReceived()); });
    AddProperty(
        u"RemoteHost",
        [this]() -> Result<Variant> {
          return Variant::String(Utf16FromCp932(socket_.RemoteHost()));
        },
        [this](const Variant& value) {
          return Cp932Text(value).AndThen([&](std::string host) {
            socket_.SetRemoteHost(std::move(host));
            return Status::Ok();
          });
        });
  }

  // The argument counts are the table's; each handler sees only a count it allows.
  void AddMethods() {
    AddMethod(u"Connect", [this](std::span<Variant> args) {
      return Optional<std::u16string>(args, 0, &ToString).AndThen([&](auto host) {
        return Optional<std::int32_t>(args, 1, &ToI4).AndThen([&](auto port) {
          std::optional<std::string> text;
          if (host) text = Cp932FromUtf16(*host);
          return Done(socket_.Connect(std::move(text), port));
        });
      });
    });
    AddMethod(u"Listen", [this](std::span<Variant>) { return Done(socket_.Listen()); });
    AddMethod(u"Accept", [this](std::span<Variant> args) -> Result<Variant> {
      if (args[0].IsMissing()) return MakeError(kErrArgumentNotOptional);
      return ToI4(args[0].Value()).AndThen([&](std::int32_t id) {
        return Done(socket_.Accept(id));
      });
    });
    AddMethod(u"SendData", [this](std::span<Variant> args) {
      return DataBytes(args[0]).AndThen(
          [&](const std::string& bytes) { return Done(socket_.SendData(bytes)); });
    });
    AddMethod(u"GetData", [this](std::span<Variant> args) { return Read(args, false); });
    AddMethod(u"PeekData", [this](std::span<Variant> args) { return Read(args, true); });
    AddMethod(u"Close", [this](std::span<Variant>) { return Done(socket_.Close()); });
    AddMethod(u"Bind", [this](std::span<Variant> args) {
      return Optional<std::int32_t>(args, 0, &ToI4).AndThen([&](auto port) {
        return Optional<std::u16string>(args, 1, &ToString).AndThen([&](auto address) {
          std::optional<std::string> text;
          if (address) text = Cp932FromUtf16(*address);
          return Done(socket_.Bind(port, std::move(text)));
        });
      });
    });
  }

  // GetData and PeekData: data (by reference), [type], [maxLen]. The value goes into the
  // caller's variable; a datagram cut short is stored and then reported as error 10040.
  Result<Variant> Read(std::span<Variant> args, bool peek) {
    return Optional<std::int32_t>(args, 1, &ToI4).AndThen([&](auto type) {
      return Optional<std::int32_t>(args, 2, &ToI4).AndThen([&](auto maxLen) -> Result<Variant> {
        if (maxLen && *maxLen < 0) return ComponentError(winsock::kOutOfRange);
        std::optional<std::size_t> limit;
        if (maxLen) limit = static_cast<std::size_t>(*maxLen);
        return Read(args[0].Deref(), type.value_or(kTypeByteArray), limit, peek);
      });
    });
  }

  Result<Variant> Read(Variant& target, std::int32_t type, std::optional<std::size_t> maxLen,
                       bool peek) {
    std::string bytes;
    if (type == kTypeString || type == kTypeByteArray) {
      winsock::Status read = socket_.Read(maxLen, peek, bytes);
      if (type == kTypeString) {
        target = Variant::String(Utf16FromCp932(bytes));
      } else {
        target = Variant::Bytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
      }
      return Done(read);
    }
    const std::size_t size = NumericSize(type);
    if (size == 0) return ComponentError(winsock::kUnsupportedType);
    // Too few bytes for the type: nothing is taken and the variable becomes Empty.
    if (socket_.Readable() < size) {
      target = Variant();
      return Variant();
    }
    winsock::Status read = socket_.Read(size, peek, bytes);
    target = NumericValue(type, bytes);
    return Done(read);
  }

  // ---- Events, fired on the connection point; Fire keeps this object alive meanwhile.

  void FireEvent(std::u16string_view event, std::span<Variant> args) { (void)Fire(event, args); }

  void OnClose() override { FireEvent(u"Close", {}); }
  void OnConnect() override { FireEvent(u"Connect", {}); }
  void OnConnectionRequest(std::int32_t requestId) override {
    Variant id = Variant::I4(requestId);
    FireEvent(u"ConnectionRequest", std::span<Variant>(&id, 1));
  }
  void OnDataArrival(std::int32_t bytesTotal) override {
    Variant total = Variant::I4(bytesTotal);
    FireEvent(u"DataArrival", std::span<Variant>(&total, 1));
  }
  void OnError(winsock::ErrorEvent& event) override {
    Variant description = Variant::String(Utf16FromCp932(event.description));
    Variant cancelDisplay = Variant::Bool(event.cancelDisplay);
    Variant args[] = {
        Variant::I2(event.number),
        Variant::ByRef(description),
        Variant::I4(event.scode),
        Variant::String(Utf16FromCp932(event.source)),
        Variant::String(Utf16FromCp932(event.helpFile)),
        Variant::I4(event.helpContext),
        Variant::ByRef(cancelDisplay),
    };
    FireEvent(u"Error", args);
    // What a handler wrote comes back, converted as an assignment to the argument's type would
    // (CancelDisplay = 1 is True); nothing here shows the error, so CancelDisplay is only kept.
    if (auto text = ToString(description)) event.description = Cp932FromUtf16(*text);
    if (auto cancel = ToBool(cancelDisplay)) event.cancelDisplay = *cancel;
  }
  void OnSendComplete() override { FireEvent(u"SendComplete", {}); }
  void OnSendProgress(std::int32_t bytesSent, std::int32_t bytesRemaining) override {
    Variant args[] = {Variant::I4(bytesSent), Variant::I4(bytesRemaining)};
    FireEvent(u"SendProgress", args);
  }

  winsock::SocketComponent socket_;
};

}  // namespace

automation::Result<automation::Ref<automation::Dispatch>> CreateSocketComponent(
    platform::ReadinessLoop& loop) {
  auto object = MakeObject<SocketObject>(loop);
  return object->CheckMemberTable().AndThen(
      [&]() -> Result<Ref<Dispatch>> { return Ref<Dispatch>(object.get()); });
}

}  // namespace components
