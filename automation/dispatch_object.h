#pragma once
// A dispatch object built from a member table: each member has a name, a DISPID and handlers
// (a method handler, or a property's read and write handlers). Names are found without regard to
// case. The object also offers connection points for the event interfaces it declares.
//
// An object with an interface table (its type information) binds its handlers to the table's
// members by name: the DISPID, the kind, the accessors and a method's argument count are written
// once, in the table, and MemberMismatches() tells where the table and the handlers disagree.
// Derive from DispatchObject, bind the members in the constructor with lambdas capturing `this`,
// and raise events with Fire:
//
//   class Counter final : public DispatchObject {
//    public:
//     Counter() : DispatchObject(&kCounterInterface) {
//       AddEventInterface(kCounterEvents);
//       AddProperty(u"Count", [this]() -> Result<Variant> { return Variant::I4(count_); });
//       AddMethod(u"Step", [this](std::span<Variant>) -> Result<Variant> {
//         ++count_;
//         (void)Fire(u"Stepped", {});
//         return Variant();
//       });
//     }
//    private:
//     std::int32_t count_ = 0;
//   };

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/coercion.h"
#include "automation/connection_point.h"
#include "automation/dispatch.h"

namespace automation {

using MethodHandler = std::function<Result<Variant>(std::span<Variant> args)>;
using GetHandler = std::function<Result<Variant>()>;
using PutHandler = std::function<Status(const Variant& value)>;

class DispatchObject : public Object<Dispatch, ConnectionPointContainer> {
 public:
  // `typeInfo` (may be null) is returned by TypeInfo() and is the table that members bound by
  // name take their DISPIDs from.
  explicit DispatchObject(const InterfaceInfo* typeInfo = nullptr);

  Result<DispId> GetIdOfName(std::u16string_view name) override;
  Result<Variant> Invoke(DispId id, InvokeKind kind, std::span<Variant> args) override;
  const InterfaceInfo* TypeInfo() override { return typeInfo_; }
  ConnectionPoint* FindConnectionPoint(const Guid& iid) override;

  // Where the interface table and the handlers disagree, one line each: a member of the table
  // without a handler, a handler whose name the table does not list, a handler of another kind
  // than the table's, or a property whose accessors differ from the table's. Empty when they
  // agree (and always for an object without a table).
  std::vector<std::u16string> MemberMismatches() const;
  // Error 438 naming the first mismatch, or success; an object's creation checks it, so that a
  // member written on one side only is found the first time the object is made.
  Status CheckMemberTable() const;

 protected:
  ~DispatchObject() override;

  // Members of the interface table, bound by name. A method's handler is called only with an
  // argument count the table allows (error 450 otherwise).
  void AddMethod(std::u16string_view name, MethodHandler method);
  void AddProperty(std::u16string_view name, GetHandler get, PutHandler put = nullptr);

  // Members with a DISPID of their own, for an object without an interface table.
  // A method. The handler receives the arguments as passed (references not followed).
  void AddMethod(std::u16string name, DispId id, MethodHandler method);
  // A property; a missing `put` makes it read-only (error 383 on write), a missing `get`
  // write-only (error 394 on read). The put handler receives the value with references followed.
  void AddProperty(std::u16string name, DispId id, GetHandler get, PutHandler put = nullptr);
  // A property with parameters (indexed) or any member needing the raw call: one handler for
  // every kind.
  using RawHandler = std::function<Result<Variant>(InvokeKind kind, std::span<Variant> args)>;
  void AddRawMember(std::u16string name, DispId id, RawHandler handler);

  // Declares an event interface; its connection point is returned by FindConnectionPoint.
  EventSource& AddEventInterface(const Guid& iid);
  // The same with the interface's table, so that its events can be raised by name.
  EventSource& AddEventInterface(const InterfaceInfo& events);
  // Raises event `id` on the connection point of `iid` (the first declared when omitted).
  Status Fire(DispId id, std::span<Variant> args);
  Status Fire(const Guid& iid, DispId id, std::span<Variant> args);
  // Raises the event named `event` in the table of the first event interface (error 438 when
  // that table has no such event).
  Status Fire(std::u16string_view event, std::span<Variant> args);

 private:
  struct Member {
    std::u16string name;
    DispId id;
    MethodHandler method;
    GetHandler get;
    PutHandler put;
    RawHandler raw;
    const MemberInfo* info = nullptr;  // the table's row, for a member bound by name
  };
  const Member* Find(DispId id) const;
  void Bind(std::u16string_view name, Member member);
  const InterfaceInfo* typeInfo_;
  std::vector<Member> members_;
  std::vector<std::u16string> unlisted_;  // handlers bound to names the table lacks
  std::vector<std::unique_ptr<EventSource>> events_;
  const InterfaceInfo* firstEvents_ = nullptr;
};

// Argument helpers for handlers.
// Error 450 unless min <= args.size() <= max.
Status CheckArgumentCount(std::span<Variant> args, std::size_t min, std::size_t max);
// The argument at `index` with references followed, or nullptr when it was not passed or is
// omitted (holds an error value).
const Variant* OptionalArgument(std::span<Variant> args, std::size_t index);

}  // namespace automation
