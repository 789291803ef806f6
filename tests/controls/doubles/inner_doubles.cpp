// A library module of test doubles for the controls' inner components. It registers itself under
// the components' ProgIDs, so that a control loaded as a host loads it creates a double inside.
// A double has every member of the component's table under the same name and DISPID (and its
// class information), stores what is written to its properties, records every call, fails
// members on request and raises events when told; tests drive it through its dispatch interface
// with the members below (DISPIDs from 1000), having found it with the export TestDoubleLatest.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "automation/apartment.h"
#include "automation/class_factory.h"
#include "automation/class_registry.h"
#include "automation/described_object.h"
#include "automation/module_path.h"
#include "automation/text.h"
#include "components/comm/comm_members.h"
#include "components/socket/socket_members.h"
#include "platform/wake_event.h"

namespace {

namespace pa = automation;
using pa::DispId;
using pa::Result;
using pa::Status;
using pa::Variant;

// Members for the tests.
constexpr DispId kTestFire = 1000;     // (event, byRefMask, args...) -> array of the args after
constexpr DispId kTestLog = 1001;      // () -> the calls, one per line
constexpr DispId kTestFail = 1002;     // (dispid, number, description): that member fails
constexpr DispId kTestSetData = 1003;  // (bytes): what GetData stores into its argument
constexpr DispId kTestClearLog = 1004;
constexpr DispId kTestArm = 1005;  // (event): raise it from the apartment's loop once readable

constexpr pa::Guid kSocketDoubleClsid{0x5E1A0001, 0x0D0B, 0x4E5A, {1, 1, 1, 1, 1, 1, 1, 1}};
constexpr pa::Guid kCommDoubleClsid{0x5E1A0002, 0x0D0B, 0x4E5A, {2, 2, 2, 2, 2, 2, 2, 2}};

std::string Describe(const Variant& value) {
  const Variant& v = value.Deref();
  if (v.IsArray()) {
    std::string text = "[";
    for (std::size_t i = 0; i < v.AsArray().Count(); ++i) {
      auto element = v.AsArray().Get(v.AsArray().LowerBound() + static_cast<std::int32_t>(i));
      text += (i ? "," : "") + Describe(*element);
    }
    return text + "]";
  }
  if (v.IsMissing()) return "missing";
  auto text = pa::ToString(v);
  std::string typed = std::to_string(static_cast<int>(v.Type())) + ":";
  return typed + (text ? pa::Utf8FromUtf16(*text) : "?");
}

class InnerDouble final : public pa::DescribedObject {
 public:
  explicit InnerDouble(const pa::ClassInfo& component)
      : DescribedObject(component), loop_(pa::CurrentReadinessLoop()) {
    for (const pa::MemberInfo& member : component.defaultInterface->members) {
      AddRawMember(std::u16string(member.name), member.dispId, Member(member.dispId));
      if (member.name == u"GetData") getData_ = member.dispId;
    }
    AddMethod(u"TestFire", kTestFire, [this](std::span<Variant> args) { return TestFire(args); });
    AddMethod(u"TestLog", kTestLog, [this](std::span<Variant>) -> Result<Variant> {
      return Variant::String(pa::Utf16FromUtf8(log_));
    });
    AddMethod(u"TestClearLog", kTestClearLog, [this](std::span<Variant>) -> Result<Variant> {
      log_.clear();
      return Variant();
    });
    AddMethod(u"TestFail", kTestFail, [this](std::span<Variant> args) -> Result<Variant> {
      auto id = pa::ToI4(args[0]);
      auto number = pa::ToI4(args[1]);
      auto description = pa::ToString(args[2]);
      pa::Error error = pa::MakeError(*number, *description, u"InnerDouble");
      failures_[*id] = error;
      return Variant();
    });
    // The double's wake-up is watched on the loop of the apartment it was made in; the event is
    // raised only when the host pumps that loop.
    AddMethod(u"TestArm", kTestArm, [this](std::span<Variant> args) -> Result<Variant> {
      armedEvent_ = *pa::ToI4(args[0]);
      if (!watch_) {
        watch_ = loop_.WatchReadable(wake_.Descriptor(), [this] {
          wake_.Consume();
          watch_->SetEnabled(false);
          (void)Fire(armedEvent_, {});
        });
      }
      watch_->SetEnabled(true);
      wake_.Signal();
      return Variant();
    });
    AddMethod(u"TestSetData", kTestSetData, [this](std::span<Variant> args) -> Result<Variant> {
      data_ = args[0].Value();
      return Variant();
    });
  }

 private:
  RawHandler Member(DispId id) {
    return [this, id](pa::InvokeKind kind, std::span<Variant> args) -> Result<Variant> {
      std::string line = kind == pa::InvokeKind::PropertyGet   ? "get "
                         : kind == pa::InvokeKind::PropertyPut ? "put "
                                                               : "call ";
      line += std::to_string(id) + "(";
      for (std::size_t i = 0; i < args.size(); ++i) {
        line += (i ? " " : "") + std::string(args[i].IsByRef() ? "&" : "") + Describe(args[i]);
      }
      log_ += line + ")\n";
      if (auto failure = failures_.find(id); failure != failures_.end()) return failure->second;
      if (kind == pa::InvokeKind::PropertyPut) {
        values_[id] = args.back().Value();
        return Variant();
      }
      if (kind == pa::InvokeKind::PropertyGet) return values_[id];
      // GetData of the socket: the data into the caller's variable.
      if (id == getData_ && !args.empty()) args[0].Deref() = data_;
      return Variant();
    };
  }

  Result<Variant> TestFire(std::span<Variant> args) {
    auto event = pa::ToI4(args[0]);
    auto mask = pa::ToI4(args[1]);
    std::vector<Variant> values;
    for (std::size_t i = 2; i < args.size(); ++i) values.push_back(args[i].Value());
    std::vector<Variant> passed;
    for (std::size_t i = 0; i < values.size(); ++i) {
      passed.push_back((*mask >> i) & 1 ? Variant::ByRef(values[i]) : values[i]);
    }
    if (Status s = Fire(*event, passed); !s) return s.error();
    return Variant::Array(pa::SafeArray::Variants(std::move(values)));
  }

  platform::ReadinessLoop& loop_;
  DispId getData_ = pa::kDispIdUnknown;
  platform::WakeEvent wake_;
  std::unique_ptr<platform::ReadinessWatch> watch_;
  DispId armedEvent_ = 0;
  std::map<DispId, Variant> values_;
  std::map<DispId, pa::Error> failures_;
  Variant data_;
  std::string log_;
};

pa::Ref<pa::Dispatch>& Latest() {
  static pa::Ref<pa::Dispatch> latest;
  return latest;
}

pa::CreateFunction Maker(const pa::ClassInfo& component) {
  return [&component]() -> Result<pa::Ref<pa::Unknown>> {
    auto object = pa::MakeObject<InnerDouble>(component);
    Latest() = pa::Ref<pa::Dispatch>(object.get());
    return pa::Ref<pa::Unknown>(static_cast<pa::Dispatch*>(object.get()));
  };
}

std::string ThisModule();

}  // namespace

#define DOUBLES_EXPORT extern "C" __attribute__((visibility("default")))

DOUBLES_EXPORT pa::HResult DllGetClassObject(const pa::Guid* clsid, const pa::Guid* iid,
                                             void** out) {
  if (*clsid == kSocketDoubleClsid) {
    return pa::ProvideClassObject(pa::MakeClassFactory(Maker(components::winsock::members::kClass)),
                                  iid, out);
  }
  if (*clsid == kCommDoubleClsid) {
    return pa::ProvideClassObject(pa::MakeClassFactory(Maker(components::comm::members::kClass)),
                                  iid, out);
  }
  return pa::kClassNotAvailable;
}

DOUBLES_EXPORT pa::HResult DllCanUnloadNow() {
  return pa::LiveObjects() == 0 ? pa::kOk : pa::kFalse;
}

DOUBLES_EXPORT pa::HResult DllRegisterServer() {
  for (auto [clsid, progId] : {std::pair{kSocketDoubleClsid, components::winsock::members::kProgId},
                               std::pair{kCommDoubleClsid, components::comm::members::kProgId}}) {
    pa::ClassRegistration r;
    r.clsid = clsid;
    r.name = "InnerDouble";
    r.progId = pa::Utf8FromUtf16(progId);
    r.modulePath = ThisModule();
    if (!pa::RegisterClass(r)) return pa::kRegisterClassFailed;
  }
  return pa::kOk;
}

DOUBLES_EXPORT pa::HResult DllUnregisterServer() {
  (void)pa::UnregisterClass(kSocketDoubleClsid,
                            pa::Utf8FromUtf16(components::winsock::members::kProgId));
  (void)pa::UnregisterClass(kCommDoubleClsid,
                            pa::Utf8FromUtf16(components::comm::members::kProgId));
  return pa::kOk;
}

// The double created last, with a reference for the caller; nullptr when none was.
DOUBLES_EXPORT pa::Dispatch* TestDoubleLatest() {
  return Latest() ? pa::Ref<pa::Dispatch>(Latest()).Detach() : nullptr;
}

// Drops the module's own reference to the double created last.
DOUBLES_EXPORT void TestDoubleForget() {
  Latest().Reset();
}

namespace {
std::string ThisModule() {
  return pa::ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer));
}
}  // namespace
