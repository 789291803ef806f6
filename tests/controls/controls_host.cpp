#include "controls/controls_host.h"

#include <cstdlib>
#include <cstring>

#include "automation/text.h"

namespace controls_test {

void ControlsHost::SetUp() {
  home_ = std::make_unique<testing_support::TempDir>();
  ::setenv("XDG_DATA_HOME", home_->str().c_str(), 1);
  ASSERT_TRUE(pa::RegisterModule(kQuorvane).ok());
  ASSERT_TRUE(pa::RegisterModule(kDoubles).ok());
}

void ControlsHost::TearDown() {
  advisories_.clear();
  inner_.Reset();
  auto forget = pa::ModuleExport(kDoubles, "TestDoubleForget");
  if (forget) reinterpret_cast<void (*)()> (*forget)();
  ::unsetenv("XDG_DATA_HOME");
}

Ref<pa::Dispatch> ControlsHost::Create(std::u16string_view progId) {
  auto control = loader_.CreateObject(progId);
  EXPECT_TRUE(control.ok()) << (control.ok() ? "" : pa::Utf8FromUtf16(control.error().description));
  if (!control) return nullptr;
  inner_ = InnerDouble();
  return std::move(control).value();
}

Ref<pa::Dispatch> ControlsHost::InnerDouble() {
  auto latest = pa::ModuleExport(kDoubles, "TestDoubleLatest");
  if (!latest) return nullptr;
  return Ref<pa::Dispatch>::Adopt(reinterpret_cast<pa::Dispatch* (*)()>(*latest)());
}

std::vector<std::uint8_t> ControlsHost::Resource(const char* type, const char* name) {
  auto lookup = pa::ModuleExport(kQuorvane, "DllFindResource");
  if (!lookup) return {};
  using Lookup = pa::HResult (*)(const char*, const char*, const void**, std::size_t*);
  const void* data = nullptr;
  std::size_t size = 0;
  if (reinterpret_cast<Lookup>(*lookup)(type, name, &data, &size) != pa::kOk) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return std::vector<std::uint8_t>(bytes, bytes + size);
}

pa::Guid ControlsHost::ResourceGuid(const char* type) {
  std::vector<std::uint8_t> record = Resource(type, "#1");
  EXPECT_EQ(record.size(), 20u);
  pa::Guid guid;
  if (record.size() != 20) return guid;
  auto little = [&](std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | record[at + i];
    return value;
  };
  guid.data1 = little(4, 4);
  guid.data2 = static_cast<std::uint16_t>(little(8, 2));
  guid.data3 = static_cast<std::uint16_t>(little(10, 2));
  for (int i = 0; i < 8; ++i) guid.data4[i] = record[12 + i];
  return guid;
}

void ControlsHost::Listen(pa::Dispatch& control, const char* sourceIidResource,
                          std::function<void(DispId, std::span<Variant>)> onEvent) {
  auto sink = pa::MakeEventSink([this, onEvent](DispId id, std::span<Variant> args) -> pa::Status {
    ReceivedEvent event{id, {}};
    for (const Variant& arg : args) event.args.push_back(arg.Value());
    events_.push_back(std::move(event));
    if (onEvent) onEvent(id, args);
    return pa::Status::Ok();
  });
  auto advisory = pa::Advisory::Connect(control, ResourceGuid(sourceIidResource), sink);
  ASSERT_TRUE(advisory.ok());
  advisories_.push_back(std::move(advisory).value());
}

std::vector<Variant> ControlsHost::FireInner(DispId event, int byRefMask,
                                             std::vector<Variant> args) {
  args.insert(args.begin(), {Variant::I4(event), Variant::I4(byRefMask)});
  // A failure of the control's handling comes back to the inner control as the sink's result.
  auto result = inner_->Invoke(kTestFire, pa::InvokeKind::Method, args);
  if (!result) return {};
  return result->AsArray().variants();
}

std::string ControlsHost::InnerLog() {
  auto log = inner_->Invoke(kTestLog, pa::InvokeKind::Method, {});
  return log ? pa::Utf8FromUtf16(log->AsString()) : "";
}

void ControlsHost::ClearInnerLog() {
  (void)inner_->Invoke(kTestClearLog, pa::InvokeKind::Method, {});
}

void ControlsHost::FailInner(DispId member, int number, std::u16string description) {
  std::vector<Variant> args = {Variant::I4(member), Variant::I4(number),
                               Variant::String(std::move(description))};
  ASSERT_TRUE(inner_->Invoke(kTestFail, pa::InvokeKind::Method, args).ok());
}

void ControlsHost::SetInnerData(Variant data) {
  ASSERT_TRUE(
      inner_->Invoke(kTestSetData, pa::InvokeKind::Method, std::span<Variant>(&data, 1)).ok());
}

pa::Result<Variant> ControlsHost::Call(pa::Dispatch& object, std::u16string_view name,
                                       std::vector<Variant> args) {
  return pa::CallMethod(object, name, std::span<Variant>(args));
}

std::vector<Variant> ControlsHost::Elements(const Variant& record) {
  EXPECT_TRUE(record.IsArray());
  if (!record.IsArray()) return {};
  EXPECT_EQ(record.AsArray().LowerBound(), 0);
  EXPECT_EQ(record.AsArray().ElementType(), pa::VarType::Variant);
  return record.AsArray().variants();
}

}  // namespace controls_test
