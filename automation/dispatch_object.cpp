#include "automation/dispatch_object.h"

#include "automation/text.h"

namespace automation {
namespace {

// A method's argument count within its table's parameters: every one that is not optional, and
// no more than all of them.
bool ArgumentCountFits(const MemberInfo& info, std::size_t count) {
  std::size_t required = 0;
  for (const ParamInfo& param : info.params) required += param.optional ? 0 : 1;
  return count >= required && count <= info.params.size();
}

}  // namespace

DispatchObject::DispatchObject(const InterfaceInfo* typeInfo) : typeInfo_(typeInfo) {}

DispatchObject::~DispatchObject() = default;

void DispatchObject::Bind(std::u16string_view name, Member member) {
  const MemberInfo* info = typeInfo_ ? FindMember(*typeInfo_, name) : nullptr;
  if (info == nullptr || info->name != name) {
    unlisted_.emplace_back(name);
    return;
  }
  member.name = std::u16string(info->name);
  member.id = info->dispId;
  member.info = info;
  members_.push_back(std::move(member));
}

void DispatchObject::AddMethod(std::u16string_view name, MethodHandler method) {
  Bind(name, {{}, 0, std::move(method), nullptr, nullptr, nullptr});
}

void DispatchObject::AddProperty(std::u16string_view name, GetHandler get, PutHandler put) {
  Bind(name, {{}, 0, nullptr, std::move(get), std::move(put), nullptr});
}

std::vector<std::u16string> DispatchObject::MemberMismatches() const {
  std::vector<std::u16string> found;
  for (const std::u16string& name : unlisted_) found.push_back(name + u": not in the table");
  if (typeInfo_ == nullptr) return found;
  for (const MemberInfo& info : typeInfo_->members) {
    const Member* member = nullptr;
    for (const Member& m : members_) {
      if (m.info == &info) member = &m;
    }
    const std::u16string name(info.name);
    if (member == nullptr) {
      found.push_back(name + u": no handler");
    } else if (info.kind == MemberKind::Method) {
      if (!member->method) found.push_back(name + u": a method in the table");
    } else if (member->method) {
      found.push_back(name + u": a property in the table");
    } else if (static_cast<bool>(member->get) != ((info.access & kAccessGet) != 0) ||
               static_cast<bool>(member->put) != ((info.access & kAccessPut) != 0)) {
      found.push_back(name + u": other accessors than the table's");
    }
  }
  return found;
}

Status DispatchObject::CheckMemberTable() const {
  std::vector<std::u16string> mismatches = MemberMismatches();
  if (mismatches.empty()) return Status::Ok();
  std::u16string interfaceName = typeInfo_ ? std::u16string(typeInfo_->name) : u"";
  return MakeError(kErrNoSuchMember, interfaceName + u"." + mismatches.front());
}

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

EventSource& DispatchObject::AddEventInterface(const InterfaceInfo& events) {
  if (events_.empty()) firstEvents_ = &events;
  return AddEventInterface(events.iid);
}

Status DispatchObject::Fire(std::u16string_view event, std::span<Variant> args) {
  const MemberInfo* info = firstEvents_ ? FindMember(*firstEvents_, event) : nullptr;
  if (info == nullptr) return MakeError(kErrNoSuchMember);
  return Fire(info->dispId, args);
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
    if (member->info && !ArgumentCountFits(*member->info, args.size())) {
      return MakeError(kErrWrongArgumentCount);
    }
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
