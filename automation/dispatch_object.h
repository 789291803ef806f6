#pragma once
// A dispatch object built from a member table: each member has a name, a DISPID and handlers
// (a method handler, or a property's read and write handlers). Names are found without regard to
// case. The object also offers connection points for the event interfaces it declares.
//
// Derive from DispatchObject, add the members in the constructor with lambdas capturing `this`,
// and raise events with Fire. See /work/team/automation-api.md for an example.

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
  // `typeInfo` (may be null) is returned by TypeInfo(); members are found in the table added
  // with the Add functions, not in `typeInfo`.
  explicit DispatchObject(const InterfaceInfo* typeInfo = nullptr);

  Result<DispId> GetIdOfName(std::u16string_view name) override;
  Result<Variant> Invoke(DispId id, InvokeKind kind, std::span<Variant> args) override;
  const InterfaceInfo* TypeInfo() override { return typeInfo_; }
  ConnectionPoint* FindConnectionPoint(const Guid& iid) override;

 protected:
  ~DispatchObject() override;

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
  // Raises event `id` on the connection point of `iid` (the first declared when omitted).
  Status Fire(DispId id, std::span<Variant> args);
  Status Fire(const Guid& iid, DispId id, std::span<Variant> args);

 private:
  struct Member {
    std::u16string name;
    DispId id;
    MethodHandler method;
    GetHandler get;
    PutHandler put;
    RawHandler raw;
  };
  const Member* Find(DispId id) const;
  const InterfaceInfo* typeInfo_;
  std::vector<Member> members_;
  std::vector<std::unique_ptr<EventSource>> events_;
};

// Argument helpers for handlers.
// Error 450 unless min <= args.size() <= max.
Status CheckArgumentCount(std::span<Variant> args, std::size_t min, std::size_t max);
// The argument at `index` with references followed, or nullptr when it was not passed or is
// omitted (holds an error value).
const Variant* OptionalArgument(std::span<Variant> args, std::size_t index);

}  // namespace automation
