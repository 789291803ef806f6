#include "automation/dispatch_object.h"

#include "automation/text.h"

namespace automation {

DispatchObject::DispatchObject(const InterfaceInfo* typeInfo) : typeInfo_(typeInfo) {}

DispatchObject::~DispatchObject() = default;

void DispatchObject::AddMethod(std::u16string name, DispId id, MethodHandler method) {
  members_.push_back({std::move(name), id, std::move(method), nullptr, nullptr, nullptr});
}

void DispatchObject::AddProperty(std::u16string name, DispId id, GetHandler get, PutHandler put) {
  members_.push_back({std::move(name), id, nullptr, std::move(get), std::move(put), nullptr});
}

void DispatchObject::AddRawMember(std::u16string name, DispId id, RawHandler handler) {
  members_.push_back({std::move(name), id, nullptr, nullptr, nullptr, std::move(handler)});
}

EventSource& DispatchObject::AddEventInterface(const Guid& iid) {
  events_.push_back(std::make_unique<EventSource>(iid));
  return *events_.back();
}

ConnectionPoint* DispatchObject::FindConnectionPoint(const Guid& iid) {
  for (auto& source : events_) {
    if (source->EventInterface() == iid) return source.get();
  }
  return nullptr;
}

Status DispatchObject::Fire(DispId id, std::span<Variant> args) {
  if (events_.empty()) return Status::Ok();
  // A sink may drop the last reference to this object while it handles the event.
  Ref<Dispatch> self(this);
  return events_.front()->Fire(id, args);
}

Status DispatchObject::Fire(const Guid& iid, DispId id, std::span<Variant> args) {
  Ref<Dispatch> self(this);
  for (auto& source : events_) {
    if (source->EventInterface() == iid) return source->Fire(id, args);
  }
  return Status::Ok();
}

Result<DispId> DispatchObject::GetIdOfName(std::u16string_view name) {
  for (const Member& member : members_) {
    if (SameNameIgnoringCase(member.name, name)) return member.id;
  }
  return MakeError(kErrNoSuchMember);
}

const DispatchObject::Member* DispatchObject::Find(DispId id) const {
  for (const Member& member : members_) {
    if (member.id == id) return &member;
  }
  return nullptr;
}

Result<Variant> DispatchObject::Invoke(DispId id, InvokeKind kind, std::span<Variant> args) {
  const Member* member = Find(id);
  if (member == nullptr) return MakeError(kErrNoSuchMember);
  // Keep the object alive through the call: a handler may drop the caller's last reference
  // (a script releasing the control from inside an event it raised).
  Ref<Dispatch> self(this);
  if (member->raw) return member->raw(kind, args);
  if (member->method) {
    if (kind == InvokeKind::PropertyPut) return MakeError(kErrNoSuchMember);
    return member->method(args);
  }
  if (kind == InvokeKind::PropertyPut) {
    if (!member->put) return MakeError(kErrPropertyIsReadOnly);
    if (args.size() != 1) return MakeError(kErrWrongArgumentCount);
    Status status = member->put(args[0].Deref());
    if (!status) return status.error();
    return Variant();
  }
  if (!member->get) return MakeError(kErrPropertyIsWriteOnly);
  if (!args.empty()) return MakeError(kErrWrongArgumentCount);
  return member->get();
}

Status CheckArgumentCount(std::span<Variant> args, std::size_t min, std::size_t max) {
  if (args.size() < min || args.size() > max) return MakeError(kErrWrongArgumentCount);
  return Status::Ok();
}

const Variant* OptionalArgument(std::span<Variant> args, std::size_t index) {
  if (index >= args.size()) return nullptr;
  const Variant& value = args[index].Deref();
  if (value.IsErrorCode()) return nullptr;
  return &value;
}

}  // namespace automation
