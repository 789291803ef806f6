// The socket component as a dispatch object: the members of socket_members.h over
// components::winsock::SocketComponent, with the data conversions that scripts rely on (strings
// in CP932, byte arrays, numbers as their little-endian bytes) and the seven events fired on
// the connection point of kEventsIid.

#include "components/socket/socket_dispatch.h"

#include <cstring>
#include <optional>
#include <string>

#include "automation/dispatch_object.h"
#include "automation/text.h"
#include "components/socket/socket_component.h"
#include "components/socket/winsock_errors.h"

namespace components {
namespace {

// The adapter is written in the automation layer's terms throughout.
using namespace ::automation;
using platform::ReadinessLoop;

namespace winsock = components::winsock;

// The data types of GetData and PeekData, as the platform numbers them.
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

class SocketObject final : public DispatchObject, private winsock::SocketEvents {
 public:
  explicit SocketObject(ReadinessLoop& loop) : socket_(loop) {
    socket_.SetEvents(this);
    AddEventInterface(winsock::members::kEventsIid);
    AddProperties();
    AddMethods();
  }

 protected:
  ~SocketObject() override { socket_.SetEvents(nullptr); }

 private:
  void AddProperties() {
    AddProperty(
        u"RemotePort", winsock::members::kRemotePort,
        [this]() -> Result<Variant> { return Variant::I4(socket_.RemotePort()); },
        [this](const Variant& value) -> Status {
          auto port = ToI4(value);
          if (!port) return port.error();
          return FromStatus(socket_.SetRemotePort(*port));
        });
    AddProperty(
        u"LocalPort", winsock::members::kLocalPort,
        [this]() -> Result<Variant> { return Variant::I4(socket_.LocalPort()); },
        [this](const Variant& value) -> Status {
          auto port = ToI4(value);
          if (!port) return port.error();
          return FromStatus(socket_.SetLocalPort(*port));
        });
    AddProperty(
        u"Protocol", winsock::members::kProtocol,
        [this]() -> Result<Variant> {
          return Variant::I4(static_cast<std::int32_t>(socket_.GetProtocol()));
        },
        [this](const Variant& value) -> Status {
          auto protocol = ToI4(value);
          if (!protocol) return protocol.error();
          return FromStatus(socket_.SetProtocol(*protocol));
        });
    AddProperty(u"RemoteHostIP", winsock::members::kRemoteHostIP, [this]() -> Result<Variant> {
      return Variant::String(Utf16FromCp932(socket_.RemoteHostIP()));
    });
    AddProperty(u"LocalHostName", winsock::members::kLocalHostName, [this]() -> Result<Variant> {
      return Variant::String(Utf16FromCp932(socket_.LocalHostName()));
    });
    AddProperty(u"LocalIP", winsock::members::kLocalIP, [this]() -> Result<Variant> {
      return Variant::String(Utf16FromCp932(socket_.LocalIP()));
    });
    AddProperty(u"SocketHandle", winsock::members::kSocketHandle,
                [this]() -> Result<Variant> { return Variant::I4(socket_.SocketHandle()); });
    AddProperty(u"State", winsock::members::kState, [this]() -> Result<Variant> {
      return Variant::I2(static_cast<std::int16_t>(socket_.GetState()));
    });
    AddProperty(u"BytesReceived", winsock::members::kBytesReceived,
                [this]() -> Result<Variant> { return Variant::I4(socket_.BytesReceived()); });
    AddProperty(
        u"RemoteHost", winsock::members::kRemoteHost,
        [this]() -> Result<Variant> {
          return Variant::String(Utf16FromCp932(socket_.RemoteHost()));
        },
        [this](const Variant& value) -> Status {
          auto host = ToString(value);
          if (!host) return host.error();
          socket_.SetRemoteHost(Cp932FromUtf16(*host));
          return Status::Ok();
        });
  }

  void AddMethods() {
    AddMethod(u"Connect", winsock::members::kConnect,
              [this](std::span<Variant> args) -> Result<Variant> {
                if (Status s = CheckArgumentCount(args, 0, 2); !s) return s.error();
                std::optional<std::string> host;
                std::optional<std::int32_t> port;
                if (const Variant* given = OptionalArgument(args, 0)) {
                  auto text = ToString(*given);
                  if (!text) return text.error();
                  host = Cp932FromUtf16(*text);
                }
                if (const Variant* given = OptionalArgument(args, 1)) {
                  auto number = ToI4(*given);
                  if (!number) return number.error();
                  port = *number;
                }
                return Done(socket_.Connect(std::move(host), port));
              });
    AddMethod(u"Listen", winsock::members::kListen,
              [this](std::span<Variant> args) -> Result<Variant> {
                if (Status s = CheckArgumentCount(args, 0, 0); !s) return s.error();
                return Done(socket_.Listen());
              });
    AddMethod(u"Accept", winsock::members::kAccept,
              [this](std::span<Variant> args) -> Result<Variant> {
                if (Status s = CheckArgumentCount(args, 1, 1); !s) return s.error();
                if (args[0].IsMissing()) return MakeError(kErrArgumentNotOptional);
                auto id = ToI4(args[0].Value());
                if (!id) return id.error();
                return Done(socket_.Accept(*id));
              });
    AddMethod(u"SendData", winsock::members::kSendData,
              [this](std::span<Variant> args) -> Result<Variant> {
                if (Status s = CheckArgumentCount(args, 1, 1); !s) return s.error();
                auto bytes = DataBytes(args[0]);
                if (!bytes) return bytes.error();
                return Done(socket_.SendData(*bytes));
              });
    AddMethod(u"GetData", winsock::members::kGetData,
              [this](std::span<Variant> args) { return Read(args, false); });
    AddMethod(u"PeekData", winsock::members::kPeekData,
              [this](std::span<Variant> args) { return Read(args, true); });
    AddMethod(u"Close", winsock::members::kClose,
              [this](std::span<Variant> args) -> Result<Variant> {
                if (Status s = CheckArgumentCount(args, 0, 0); !s) return s.error();
                return Done(socket_.Close());
              });
    AddMethod(u"Bind", winsock::members::kBind, [this](std::span<Variant> args) -> Result<Variant> {
      if (Status s = CheckArgumentCount(args, 0, 2); !s) return s.error();
      std::optional<std::int32_t> port;
      std::optional<std::string> address;
      if (const Variant* given = OptionalArgument(args, 0)) {
        auto number = ToI4(*given);
        if (!number) return number.error();
        port = *number;
      }
      if (const Variant* given = OptionalArgument(args, 1)) {
        auto text = ToString(*given);
        if (!text) return text.error();
        address = Cp932FromUtf16(*text);
      }
      return Done(socket_.Bind(port, std::move(address)));
    });
  }

  // GetData and PeekData: data (by reference), [type], [maxLen]. The value goes into the
  // caller's variable; a datagram cut short is stored and then reported as error 10040.
  Result<Variant> Read(std::span<Variant> args, bool peek) {
    if (Status s = CheckArgumentCount(args, 1, 3); !s) return s.error();
    std::int32_t type = kTypeByteArray;
    std::optional<std::size_t> maxLen;
    if (const Variant* given = OptionalArgument(args, 1)) {
      auto number = ToI4(*given);
      if (!number) return number.error();
      type = *number;
    }
    if (const Variant* given = OptionalArgument(args, 2)) {
      auto number = ToI4(*given);
      if (!number) return number.error();
      if (*number < 0) return ComponentError(winsock::kOutOfRange);
      maxLen = static_cast<std::size_t>(*number);
    }
    Variant& target = args[0].Deref();
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

  void FireEvent(DispId id, std::span<Variant> args) { (void)Fire(id, args); }

  void OnClose() override { FireEvent(winsock::members::kEventClose, {}); }
  void OnConnect() override { FireEvent(winsock::members::kEventConnect, {}); }
  void OnConnectionRequest(std::int32_t requestId) override {
    Variant id = Variant::I4(requestId);
    FireEvent(winsock::members::kEventConnectionRequest, std::span<Variant>(&id, 1));
  }
  void OnDataArrival(std::int32_t bytesTotal) override {
    Variant total = Variant::I4(bytesTotal);
    FireEvent(winsock::members::kEventDataArrival, std::span<Variant>(&total, 1));
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
    FireEvent(winsock::members::kEventError, args);
    // What a handler wrote comes back; nothing here shows the error, so CancelDisplay is only
    // kept.
    if (auto text = ToString(description)) event.description = Cp932FromUtf16(*text);
    if (auto cancel = ToBool(cancelDisplay)) event.cancelDisplay = *cancel;
  }
  void OnSendComplete() override { FireEvent(winsock::members::kEventSendComplete, {}); }
  void OnSendProgress(std::int32_t bytesSent, std::int32_t bytesRemaining) override {
    Variant args[] = {Variant::I4(bytesSent), Variant::I4(bytesRemaining)};
    FireEvent(winsock::members::kEventSendProgress, args);
  }

  winsock::SocketComponent socket_;
};

}  // namespace

automation::Result<automation::Ref<automation::Dispatch>> CreateSocketComponent(
    platform::ReadinessLoop& loop) {
  return automation::Ref<automation::Dispatch>(MakeObject<SocketObject>(loop));
}

}  // namespace components
