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

// Receives the inner control's events. It holds its control without a reference (the control
// owns the inner control, which holds the sink) and is cut off when the control goes, so that an
// event the inner control is still delivering never reaches a control that is gone.
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
    Status status = owner_->HandleInnerEvent(id, args);
    if (!status) return status.error();
    return Variant();
  }
  const automation::InterfaceInfo* TypeInfo() override { return nullptr; }

 private:
  ScriptControl* owner_;
};

ScriptControl::ScriptControl(ControlDescription description)
    : DispatchObject(description.defaultInterface), description_(std::move(description)) {
  AddEventInterface(description_.eventInterface->iid);

  AddMethod(u"Start_EventForScript", description_.startEventForScript,
            [this](std::span<Variant> args) -> Result<Variant> {
              if (Status s = automation::CheckArgumentCount(args, 0, 0); !s) return s.error();
              scriptEventMode_ = true;
              return Variant();
            });
  AddMethod(u"End_EventForScript", description_.endEventForScript,
            [this](std::span<Variant> args) -> Result<Variant> {
              if (Status s = automation::CheckArgumentCount(args, 0, 0); !s) return s.error();
              scriptEventMode_ = false;
              return Variant();
            });
  AddMethod(u"GetEventParameters", description_.getEventParameters,
            [this](std::span<Variant> args) -> Result<Variant> {
              if (Status s = automation::CheckArgumentCount(args, 0, 0); !s) return s.error();
              return GetEventParameters();
            });

  using Conversion = Result<Variant> (*)(const Variant&);
  auto addConversion = [this](std::u16string name, DispId id, Conversion convert) {
    AddMethod(std::move(name), id, [convert](std::span<Variant> args) -> Result<Variant> {
      if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
      return convert(args[0].Deref());
    });
  };
  addConversion(u"ByteArrayToStr", description_.byteArrayToStr, &ByteArrayToStr);
  addConversion(u"ByteArrayToHex", description_.byteArrayToHex, &ByteArrayToHex);
  addConversion(u"StrToByteArray", description_.strToByteArray, &StrToByteArray);
  addConversion(u"HexToByteArray", description_.hexToByteArray, &HexToByteArray);
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
  if (iid == automation::ProvideClassInfo::kIid) {
    AddRef();
    return static_cast<automation::ProvideClassInfo*>(this);
  }
  return nullptr;
}

const automation::ClassInfo& ScriptControl::GetClassInfo() {
  const auto& classes = QuorvaneTypeLib().classes;
  for (const automation::ClassInfo& c : classes) {
    if (c.defaultInterface == description_.defaultInterface) return c;
  }
  return classes.front();  // every control's interface is in the class table
}

Status ScriptControl::CreateInner() {
  // The inner control lives on this thread's apartment, driven by the loop the host pumps.
  automation::Loader loader(&automation::CurrentReadinessLoop());
  auto inner = loader.CreateObject(description_.innerProgId);
  if (!inner) return inner.error();
  inner_ = std::move(inner).value();
  sink_ = automation::MakeObject<InnerSink>(this);
  auto advisory = automation::Advisory::Connect(*inner_, description_.innerEvents, sink_);
  if (!advisory) return advisory.error();
  advisory_ = std::move(advisory).value();
  return Status::Ok();
}

Result<Variant> ScriptControl::ReadInner(DispId innerId, VarType type) {
  auto value = inner_->Invoke(innerId, InvokeKind::PropertyGet, {});
  if (!value || type == VarType::Variant) return value;
  return automation::ChangeType(*value, type);
}

Status ScriptControl::WriteInner(DispId innerId, const Variant& value) {
  Variant copy = value.Value();
  Variant reference = Variant::ByRef(copy);
  return inner_->Invoke(innerId, InvokeKind::PropertyPut, std::span<Variant>(&reference, 1))
      .status();
}

Result<Variant> ScriptControl::CallInner(DispId innerId, std::span<Variant> args) {
  return inner_->Invoke(innerId, InvokeKind::Method, args);
}

void ScriptControl::AddForwardedProperty(std::u16string name, DispId id, DispId innerId,
                                         VarType type, bool writable,
                                         std::u16string_view notifyKey) {
  automation::PutHandler put;
  if (writable) {
    put = [this, innerId, notifyKey](const Variant& value) -> Status {
      if (Status s = WriteInner(innerId, value); !s) return s;
      if (!notifyKey.empty()) NotifyChanged(notifyKey);
      return Status::Ok();
    };
  }
  AddProperty(
      std::move(name), id, [this, innerId, type] { return ReadInner(innerId, type); },
      std::move(put));
}

void ScriptControl::NotifyChanged(std::u16string_view key) {
  if (site_) site_->OnPropertyChanged(key);
}

Status ScriptControl::Load(automation::PropertyBag& bag) {
  for (const PersistedProperty& property : description_.persisted) {
    auto value = bag.Read(property.key, property.defaultValue);
    if (!value) return value.error();
    auto typed = automation::ChangeType(*value, property.storedAs);
    if (!typed) return typed.error();
    if (Status s = WriteInner(property.innerProperty, *typed); !s) return s;
  }
  return Status::Ok();
}

Status ScriptControl::Save(automation::PropertyBag& bag) {
  for (const PersistedProperty& property : description_.persisted) {
    auto value = ReadInner(property.innerProperty, property.storedAs);
    if (!value) return value.error();
    if (Status s = bag.Write(property.key, *value); !s) return s;
  }
  return Status::Ok();
}

Status ScriptControl::Raise(DispId event, std::span<Variant> args) {
  return Fire(event, args);
}

std::deque<EventRecord>& ScriptControl::EventQueue() {
  if (!queue_) queue_.emplace();
  return *queue_;
}

void ScriptControl::Enqueue(EventRecord record) {
  EventQueue().push_back(std::move(record));
}

Status ScriptControl::RaiseOrQueue(DispId event, std::u16string_view name,
                                   std::span<Variant> args) {
  if (!scriptEventMode_) return Raise(event, args);
  EventRecord record = NewEventRecord(std::u16string(name));
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
