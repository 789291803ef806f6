// A small library module for the script host's tests: one class, "ScriptHostTest.Widget", with
// type information, class information, events (one with by-reference arguments) raised from the
// apartment's readiness loop, arrays, errors and persisted properties. The host reaches it as it
// reaches the controls: through the class registry and the module's exports.

#include <array>
#include <string>

#include "automation/apartment.h"
#include "automation/class_factory.h"
#include "automation/class_info.h"
#include "automation/class_registry.h"
#include "automation/coercion.h"
#include "automation/control.h"
#include "automation/dispatch_object.h"
#include "automation/module_path.h"
#include "platform/wake_event.h"

namespace {

namespace automation = automation;
using automation::DispId;
using automation::Guid;
using automation::MemberInfo;
using automation::MemberKind;
using automation::ParamInfo;
using automation::Result;
using automation::Status;
using automation::Type;
using automation::Variant;
using automation::VarType;

constexpr Guid kClsid{0x5C1D0A01, 0x7E2B, 0x4F3C, {0x8D, 0x11, 0x2A, 0x3B, 0x4C, 0x5D, 0x6E, 0x01}};
constexpr Guid kIid{0x5C1D0A02, 0x7E2B, 0x4F3C, {0x8D, 0x11, 0x2A, 0x3B, 0x4C, 0x5D, 0x6E, 0x01}};
constexpr Guid kEventsIid{
    0x5C1D0A03, 0x7E2B, 0x4F3C, {0x8D, 0x11, 0x2A, 0x3B, 0x4C, 0x5D, 0x6E, 0x01}};
constexpr char kProgId[] = "ScriptHostTest.Widget";

enum : DispId {
  kValue = 1,
  kName,
  kDescribe,
  kBytes,
  kRecord,
  kLength,
  kFail,
  kArm,
  kLastDescription,
  kLastCancel,
  kSelf,
  kItem,
  kFireNow,
};
enum : DispId { kEventPing = 1, kEventError = 2 };

constexpr ParamInfo kDescribeParams[] = {{u"first", Type(VarType::Variant), true},
                                         {u"second", Type(VarType::Variant), true},
                                         {u"third", Type(VarType::Variant), true}};
constexpr ParamInfo kOneParam[] = {{u"value", Type(VarType::Variant)}};
constexpr ParamInfo kRefParam[] = {{u"value", Type(VarType::Variant), false, true}};

constexpr MemberInfo kMembers[] = {
    {u"Value", kValue, MemberKind::Property, automation::kAccessGet | automation::kAccessPut,
     Type(VarType::I4)},
    {u"Name", kName, MemberKind::Property, automation::kAccessGet | automation::kAccessPut,
     Type(VarType::String)},
    {u"Describe", kDescribe, MemberKind::Method, 0, Type(VarType::String), kDescribeParams},
    {u"Bytes", kBytes, MemberKind::Method, 0, Type(VarType::Variant), kOneParam},
    {u"Record", kRecord, MemberKind::Method, 0, Type(VarType::Variant)},
    {u"Length", kLength, MemberKind::Method, 0, Type(VarType::I4), kRefParam},
    {u"Fail", kFail, MemberKind::Method, 0, automation::kVoid, kOneParam},
    {u"Arm", kArm, MemberKind::Method, 0, automation::kVoid, kOneParam},
    {u"LastDescription", kLastDescription, MemberKind::Property, automation::kAccessGet,
     Type(VarType::String)},
    {u"LastCancel", kLastCancel, MemberKind::Property, automation::kAccessGet, Type(VarType::Bool)},
    {u"Self", kSelf, MemberKind::Property, automation::kAccessGet, Type(VarType::Dispatch)},
    {u"Item", kItem, MemberKind::Property, automation::kAccessGet, Type(VarType::I4), kOneParam},
    {u"FireNow", kFireNow, MemberKind::Method, 0, automation::kVoid},
};
constexpr ParamInfo kPingParams[] = {{u"count", Type(VarType::I4)}};
constexpr ParamInfo kErrorParams[] = {{u"Number", Type(VarType::I2)},
                                      {u"Description", Type(VarType::String), false, true},
                                      {u"CancelDisplay", Type(VarType::Bool), false, true}};
constexpr MemberInfo kEvents[] = {
    {u"Ping", kEventPing, MemberKind::Method, 0, automation::kVoid, kPingParams},
    {u"Error", kEventError, MemberKind::Method, 0, automation::kVoid, kErrorParams},
};
constexpr automation::InterfaceInfo kInterface{u"_Widget", kIid, automation::kInterfaceDual,
                                               kMembers};
constexpr automation::InterfaceInfo kEventInterface{u"__Widget", kEventsIid,
                                                    automation::kInterfaceDispinterface, kEvents};
constexpr automation::ClassInfo kClass{u"Widget", kClsid, automation::kClassControl, &kInterface,
                                       &kEventInterface};

std::u16string TypeName(const Variant& given) {
  const Variant& v = given.Deref();
  if (v.IsArray()) return u"Array";
  switch (v.Type()) {
    case VarType::Empty:
      return u"Empty";
    case VarType::Null:
      return u"Null";
    case VarType::I2:
      return u"I2";
    case VarType::I4:
      return u"I4";
    case VarType::R8:
      return u"R8";
    case VarType::String:
      return u"String";
    case VarType::Dispatch:
      return u"Object";
    case VarType::Error:
      return v.AsErrorCode() == automation::kParamNotFound ? u"Missing" : u"Error";
    case VarType::Bool:
      return u"Bool";
    case VarType::UI1:
      return u"UI1";
    default:
      return u"Other";
  }
}

class Widget final : public automation::DispatchObject,
                     public automation::Control,
                     public automation::ProvideClassInfo {
 public:
  Widget() : DispatchObject(&kInterface), loop_(automation::CurrentReadinessLoop()) {
    AddEventInterface(kEventsIid);
    AddProperty(
        u"Value", kValue, [this] { return Result<Variant>(Variant::I4(value_)); },
        [this](const Variant& v) -> Status {
          auto n = automation::ToI4(v);
          if (!n) return n.error();
          value_ = *n;
          return Status::Ok();
        });
    AddProperty(
        u"Name", kName, [this] { return Result<Variant>(Variant::String(name_)); },
        [this](const Variant& v) -> Status {
          auto s = automation::ToString(v);
          if (!s) return s.error();
          name_ = *s;
          return Status::Ok();
        });
    AddMethod(u"Describe", kDescribe, [](std::span<Variant> args) -> Result<Variant> {
      std::u16string text;
      for (const Variant& arg : args) {
        if (!text.empty()) text += u",";
        text += TypeName(arg);
        auto shown = automation::ToString(arg.Deref());
        if (shown && !arg.Deref().IsArray() && arg.Deref().Type() != VarType::Error) {
          text += u":" + *shown;
        }
      }
      return Variant::String(text);
    });
    AddMethod(u"Bytes", kBytes, [](std::span<Variant> args) -> Result<Variant> {
      if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
      auto count = automation::ToI4(args[0].Deref());
      if (!count) return count.error();
      std::vector<std::uint8_t> bytes;
      for (int i = 0; i < *count; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 0x55));
      return Variant::Bytes(std::move(bytes));
    });
    AddMethod(u"Record", kRecord, [](std::span<Variant>) -> Result<Variant> {
      std::vector<Variant> record(10);
      record[0] = Variant::String(u"DataArrival");
      record[1] = Variant::I4(2);
      record[9] = Variant::Bytes({0x0A, 0xFF});
      return Variant::Array(automation::SafeArray::Variants(std::move(record)));
    });
    AddMethod(u"Length", kLength, [](std::span<Variant> args) -> Result<Variant> {
      if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
      if (!args[0].IsByRef()) return automation::MakeError(automation::kErrTypeMismatch);
      auto bytes = automation::ToByteArray(args[0].Deref());
      if (!bytes) return bytes.error();
      return Variant::I4(static_cast<std::int32_t>(bytes->Count()));
    });
    AddMethod(u"Fail", kFail, [](std::span<Variant> args) -> Result<Variant> {
      if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
      auto number = automation::ToI4(args[0].Deref());
      if (!number) return number.error();
      return automation::MakeError(*number, u"", u"ScriptHostTest.Widget");
    });
    AddMethod(u"Arm", kArm, [this](std::span<Variant> args) -> Result<Variant> {
      if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
      auto kind = automation::ToI4(args[0].Deref());
      if (!kind) return kind.error();
      armed_ = *kind;
      wake_.Signal();
      watch_->SetEnabled(true);
      return Variant();
    });
    AddProperty(u"LastDescription", kLastDescription,
                [this] { return Result<Variant>(Variant::String(lastDescription_)); });
    AddProperty(u"LastCancel", kLastCancel,
                [this] { return Result<Variant>(Variant::Bool(lastCancel_)); });
    AddProperty(u"Self", kSelf, [this] {
      return Result<Variant>(Variant::Object(automation::Ref<automation::Dispatch>(this)));
    });
    AddRawMember(u"Item", kItem,
                 [](automation::InvokeKind, std::span<Variant> args) -> Result<Variant> {
                   if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
                   auto n = automation::ToI4(args[0].Deref());
                   if (!n) return n.error();
                   return Variant::I4(*n * 10);
                 });
    AddMethod(u"FireNow", kFireNow, [this](std::span<Variant>) -> Result<Variant> {
      Variant count = Variant::I4(-1);
      (void)Fire(kEventPing, std::span<Variant>(&count, 1));
      return Variant();
    });
    watch_ = loop_.WatchReadable(wake_.Descriptor(), [this] { OnArmed(); });
  }

  void* QueryInterface(const Guid& iid) override { return DispatchObject::QueryInterface(iid); }
  std::uint32_t AddRef() override { return DispatchObject::AddRef(); }
  std::uint32_t Release() override { return DispatchObject::Release(); }

  void SetSite(automation::ControlSite*) override {}
  Status InitNew() override {
    name_ = u"new";
    return Status::Ok();
  }
  Status Load(automation::PropertyBag& bag) override {
    auto value = bag.Read(u"Value", Variant::I4(0));
    if (!value) return value.error();
    auto n = automation::ToI4(*value);
    if (!n) return n.error();
    value_ = *n;
    auto name = bag.Read(u"Name", Variant::String(u"loaded"));
    if (!name) return name.error();
    auto s = automation::ToString(*name);
    if (!s) return s.error();
    name_ = *s;
    return Status::Ok();
  }
  Status Save(automation::PropertyBag& bag) override {
    if (Status s = bag.Write(u"Value", Variant::I4(value_)); !s) return s;
    return bag.Write(u"Name", Variant::String(name_));
  }
  void SetExtent(automation::Extent) override {}
  automation::Extent GetExtent() const override { return {}; }

  const automation::ClassInfo& GetClassInfo() override { return kClass; }

 protected:
  ~Widget() override { watch_.reset(); }
  void* QueryExtraInterface(const Guid& iid) override {
    void* found = nullptr;
    if (iid == automation::Control::kIid) found = static_cast<automation::Control*>(this);
    if (iid == automation::ProvideClassInfo::kIid) {
      found = static_cast<automation::ProvideClassInfo*>(this);
    }
    if (found) AddRef();
    return found;
  }

 private:
  // The armed event, raised from the loop: the script receives it only while it pumps.
  void OnArmed() {
    wake_.Consume();
    watch_->SetEnabled(false);
    ++pings_;
    if (armed_ == 2) {
      Variant number = Variant::I2(10053);
      Variant description = Variant::String(u"Connection is aborted");
      Variant cancel = Variant::Bool(false);
      std::array<Variant, 3> args{number, Variant::ByRef(description), Variant::ByRef(cancel)};
      (void)Fire(kEventError, args);
      lastDescription_ = description.AsString();
      lastCancel_ = cancel.AsBool();
    } else {
      Variant count = Variant::I4(pings_);
      (void)Fire(kEventPing, std::span<Variant>(&count, 1));
    }
  }

  platform::ReadinessLoop& loop_;
  platform::WakeEvent wake_;
  std::unique_ptr<platform::ReadinessWatch> watch_;
  std::int32_t value_ = 0;
  std::u16string name_;
  int armed_ = 0;
  int pings_ = 0;
  std::u16string lastDescription_;
  bool lastCancel_ = false;
};

Result<automation::Ref<automation::Unknown>> CreateWidget() {
  return automation::Ref<automation::Unknown>(
      automation::Ref<automation::Dispatch>(automation::MakeObject<Widget>()));
}

}  // namespace

#define TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

TEST_MODULE_EXPORT automation::HResult DllGetClassObject(const Guid* clsid, const Guid* iid,
                                                         void** out) {
  if (clsid != nullptr && *clsid == kClsid) {
    return automation::ProvideClassObject(automation::MakeClassFactory(&CreateWidget), iid, out);
  }
  if (out) *out = nullptr;
  return automation::kClassNotAvailable;
}

TEST_MODULE_EXPORT automation::HResult DllCanUnloadNow() {
  return automation::LiveObjects() == 0 ? automation::kOk : automation::kFalse;
}

TEST_MODULE_EXPORT automation::HResult DllRegisterServer() {
  automation::ClassRegistration r;
  r.clsid = kClsid;
  r.name = "Widget";
  r.progId = kProgId;
  r.modulePath = automation::ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer));
  r.control = true;
  return automation::RegisterClass(r) ? automation::kOk : automation::kRegisterClassFailed;
}

TEST_MODULE_EXPORT automation::HResult DllUnregisterServer() {
  return automation::UnregisterClass(kClsid, kProgId) ? automation::kOk
                                                      : automation::kRegisterClassFailed;
}
