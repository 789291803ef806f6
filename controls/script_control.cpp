#include "controls/script_control.h"

#include "automation/apartment.h"
#include "automation/coercion.h"
#include "automation/loader.h"
#include "controls/conversions.h"
#include "controls/type_library.h"

namespace controls {

using automation::InvokeKind;
using automation::MakeError;
using automation::Result;

Variant RecordAsArray(EventRecord record) {
  std::vector<Variant> elements(std::make_move_iterator(record.begin()),
                                std::make_move_iterator(record.end()));
  return Variant::Array(automation::SafeArray::Variants(std::move(elements)));
}

// Receives the inner component's events. It holds its control without a reference (the control
// owns the inner component, which holds the sink) and is cut off when the control goes, so that
// an event the inner component is still delivering never reaches a control that is gone.
class ScriptControl::InnerSink final : public automation::Object<Dispatch> {
 public:
  explicit InnerSink(ScriptControl* owner) : owner_(owner) {}
  void Detach() { owner_ = nullptr; }

  Result<DispId> GetIdOfName(std::u16string_view) override {
    return MakeError(automation::kErrNoSuchMember);
  }
  Result<Variant> Invoke(DispId id, InvokeKind, std::span<Variant> args) override {
    if (owner_ == nullptr) return Variant();
    // The host may release the control from inside the event it raises.
    Ref<Dispatch> keep(static_cast<DispatchObject*>(owner_));
    return owner_->DeliverInnerEvent(id, args).AndThen(
        []() -> Result<Variant> { return Variant(); });
  }
  const automation::InterfaceInfo* TypeInfo() override { return nullptr; }

 private:
  ScriptControl* owner_;
};

ScriptControl::ScriptControl(ControlDescription description)
    : DescribedObject(*description.classInfo), description_(std::move(description)) {
  AddScriptMembers();
  for (const ForwardedProperty& property : description_.properties) {
    AddForwardedProperty(property);
  }
}

void ScriptControl::AddScriptMembers() {
  AddMethod(u"Start_EventForScript", [this](std::span<Variant>) -> Result<Variant> {
    scriptEventMode_ = true;
    return Variant();
  });
  AddMethod(u"End_EventForScript", [this](std::span<Variant>) -> Result<Variant> {
    scriptEventMode_ = false;
    return Variant();
  });
  AddMethod(u"GetEventParameters",
            [this](std::span<Variant>) -> Result<Variant> { return GetEventParameters(); });

  using Conversion = Result<Variant> (*)(const Variant&);
  auto addConversion = [this](std::u16string_view name, Conversion convert) {
    AddMethod(name, [convert](std::span<Variant> args) { return convert(args[0].Deref()); });
  };
  addConversion(u"ByteArrayToStr", &ByteArrayToStr);
  addConversion(u"ByteArrayToHex", &ByteArrayToHex);
  addConversion(u"StrToByteArray", &StrToByteArray);
  addConversion(u"HexToByteArray", &HexToByteArray);
}

ScriptControl::~ScriptControl() {
  if (sink_) sink_->Detach();
  advisory_.Disconnect();
}

void* ScriptControl::QueryExtraInterface(const Guid& iid) {
  if (iid == automation::Control::kIid) {
    AddRef();
    return static_cast<automation::Control*>(this);
  }
  return DescribedObject::QueryExtraInterface(iid);
}

Status ScriptControl::CreateInner() {
  if (Status s = CheckMemberTable(); !s) return s;
  // The inner component lives on this thread's apartment, driven by the loop the host pumps.
  automation::Loader loader(&automation::CurrentReadinessLoop());
  auto inner = loader.CreateObject(description_.innerProgId);
  if (!inner) return inner.error();
  inner_ = std::move(inner).value();
  for (const ForwardedProperty& property : description_.properties) {
    if (auto id = InnerId(property.inner); !id) return id.error();
  }
  return ConnectInnerEvents();
}

// The inner component's event interface comes from its class information; each event of the
// control is matched with the inner event it is raised for, by name.
Status ScriptControl::ConnectInnerEvents() {
  auto classInfo = automation::QueryInterface<automation::ProvideClassInfo>(inner_);
  if (!classInfo || classInfo->GetClassInfo().eventInterface == nullptr) {
    return MakeError(automation::kErrNoSuchMember, u"The inner component raises no events");
  }
  const automation::InterfaceInfo& innerEvents = *classInfo->GetClassInfo().eventInterface;
  const automation::InterfaceInfo& ownEvents = *description_.classInfo->eventInterface;
  for (const automation::MemberInfo& own : ownEvents.members) {
    bool forwarded = false;
    for (const ForwardedEvent& event : description_.events) forwarded |= event.name == own.name;
    if (!forwarded) {
      return MakeError(automation::kErrNoSuchMember, std::u16string(ownEvents.name) + u"." +
                                                         std::u16string(own.name) +
                                                         u": raised for no inner event");
    }
  }
  for (const ForwardedEvent& event : description_.events) {
    const automation::MemberInfo* inner = automation::FindMember(innerEvents, event.inner);
    if (inner == nullptr || automation::FindMember(ownEvents, event.name) == nullptr) {
      return MakeError(automation::kErrNoSuchMember,
                       std::u16string(event.name) + u": no such event");
    }
    innerEvents_.push_back({inner->dispId, &event});
  }
  sink_ = automation::MakeObject<InnerSink>(this);
  auto advisory = automation::Advisory::Connect(*inner_, innerEvents.iid, sink_);
  if (!advisory) return advisory.error();
  advisory_ = std::move(advisory).value();
  return Status::Ok();
}

Status ScriptControl::DeliverInnerEvent(DispId innerEvent, std::span<Variant> args) {
  for (const InnerEvent& known : innerEvents_) {
    if (known.id == innerEvent) return HandleInnerEvent(*known.event, args);
  }
  return Status::Ok();
}

Status ScriptControl::HandleInnerEvent(const ForwardedEvent& event, std::span<Variant> args) {
  return RaiseOrQueue(event.name, args);
}

Result<DispId> ScriptControl::InnerId(std::u16string_view inner) {
  for (const auto& [name, id] : innerIds_) {
    if (name == inner) return id;
  }
  return inner_->GetIdOfName(inner).AndThen([&](DispId id) -> Result<DispId> {
    innerIds_.emplace_back(inner, id);
    return id;
  });
}

Result<Variant> ScriptControl::ReadInner(std::u16string_view inner, VarType type) {
  return InnerId(inner).AndThen([&](DispId id) -> Result<Variant> {
    auto value = inner_->Invoke(id, InvokeKind::PropertyGet, {});
    if (!value || type == VarType::Variant) return value;
    return automation::ChangeType(*value, type);
  });
}

Status ScriptControl::WriteInner(std::u16string_view inner, const Variant& value) {
  return InnerId(inner).AndThen([&](DispId id) {
    Variant copy = value.Value();
    Variant reference = Variant::ByRef(copy);
    return inner_->Invoke(id, InvokeKind::PropertyPut, std::span<Variant>(&reference, 1)).status();
  });
}

Result<Variant> ScriptControl::CallInner(std::u16string_view inner, std::span<Variant> args) {
  return InnerId(inner).AndThen(
      [&](DispId id) { return inner_->Invoke(id, InvokeKind::Method, args); });
}

// A read converts to the property's type in the control's table (an enumeration's values are
// 4-byte integers); a write, when the table has one, goes through WriteInner and tells the
// container when the property is persisted.
void ScriptControl::AddForwardedProperty(const ForwardedProperty& property) {
  const automation::MemberInfo* info =
      automation::FindMember(*description_.classInfo->defaultInterface, property.name);
  if (info == nullptr) return;  // CheckMemberTable reports the handler the table lacks
  const VarType type = static_cast<VarType>(info->result.vt);
  automation::PutHandler put;
  if (info->access & automation::kAccessPut) {
    put = [this, property](const Variant& value) -> Status {
      if (Status s = WriteInner(property.inner, value); !s) return s;
      if (Persisted(property.name)) NotifyChanged(property.name);
      return Status::Ok();
    };
  }
  AddProperty(
      property.name, [this, property, type] { return ReadInner(property.inner, type); },
      std::move(put));
}

bool ScriptControl::Persisted(std::u16string_view name) const {
  for (const PersistedProperty& persisted : description_.persisted) {
    if (persisted.name == name) return true;
  }
  return false;
}

void ScriptControl::NotifyChanged(std::u16string_view name) {
  if (site_) site_->OnPropertyChanged(name);
}

// A persisted property is loaded into, and saved from, the inner property it forwards to.
std::u16string_view ForwardedInner(const ControlDescription& description,
                                   std::u16string_view name) {
  for (const ForwardedProperty& property : description.properties) {
    if (property.name == name) return property.inner;
  }
  return name;
}

Status ScriptControl::Load(automation::PropertyBag& bag) {
  for (const PersistedProperty& property : description_.persisted) {
    Status loaded = bag.Read(property.name, property.defaultValue)
                        .AndThen([&](const Variant& value) {
                          return automation::ChangeType(value, property.storedAs);
                        })
                        .AndThen([&](const Variant& typed) {
                          return WriteInner(ForwardedInner(description_, property.name), typed);
                        });
    if (!loaded) return loaded;
  }
  return Status::Ok();
}

Status ScriptControl::Save(automation::PropertyBag& bag) {
  for (const PersistedProperty& property : description_.persisted) {
    Status saved =
        ReadInner(ForwardedInner(description_, property.name), property.storedAs)
            .AndThen([&](const Variant& value) { return bag.Write(property.name, value); });
    if (!saved) return saved;
  }
  return Status::Ok();
}

Status ScriptControl::Raise(std::u16string_view event, std::span<Variant> args) {
  return Fire(event, args);
}

std::deque<EventRecord>& ScriptControl::EventQueue() {
  if (!queue_) queue_.emplace();
  return *queue_;
}

void ScriptControl::Enqueue(EventRecord record) {
  EventQueue().push_back(std::move(record));
}

Status ScriptControl::RaiseOrQueue(std::u16string_view event, std::span<Variant> args) {
  if (!scriptEventMode_) return Raise(event, args);
  EventRecord record = NewEventRecord(std::u16string(event));
  for (std::size_t i = 0; i < args.size() && i + 1 < kEventRecordSize; ++i) {
    record[i + 1] = args[i].Value();
  }
  Enqueue(std::move(record));
  return Status::Ok();
}

Variant ScriptControl::GetEventParameters() {
  EventRecord result;
  std::deque<EventRecord>& queue = EventQueue();
  if (!queue.empty()) {
    result = std::move(queue.front());
    queue.pop_front();
  }
  return RecordAsArray(std::move(result));
}

}  // namespace controls
