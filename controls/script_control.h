#pragma once
// The shape both controls share: the inner component held through its dispatch interface and
// created with the control, the script event mode and queue, the script members
// (Start_EventForScript, End_EventForScript, GetEventParameters), the four conversions, the
// fixed size, the property-bag hooks and the container's change notification.
//
// A control reaches its inner component only by class name: it creates it by ProgID, learns its
// event interface from the component's class information, and names each inner member it uses;
// the names are resolved through the inner component's dispatch interface once. The control's
// own members (names, DISPIDs, kinds, types) are its type information, the one table they are
// written in; a control binds its handlers to them by name, and its forwarded properties take
// their type and accessors from there.

#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/class_info.h"
#include "automation/control.h"
#include "automation/described_object.h"
#include "controls/event_record.h"

namespace controls {

namespace automation = automation;
using automation::Dispatch;
using automation::DispId;
using automation::Guid;
using automation::Ref;
using automation::Status;
using automation::Variant;
using automation::VarType;

// A property of the control that reads and writes the inner component's property `inner`.
struct ForwardedProperty {
  std::u16string_view name;
  std::u16string_view inner;
};

// An event of the control raised for the inner component's event `inner`.
struct ForwardedEvent {
  std::u16string_view name;
  std::u16string_view inner;
};

// One forwarded property kept in the host's property bag, under the property's name; a write of
// it tells the container, by the same name.
struct PersistedProperty {
  std::u16string_view name;
  VarType storedAs;      // the type read from and written to the bag
  Variant defaultValue;  // the default when reading (and when saving)
};

// What tells one control from the other.
struct ControlDescription {
  const automation::ClassInfo* classInfo;  // the control's class in the type library
  std::u16string_view innerProgId;         // the inner component's class
  std::vector<ForwardedProperty> properties;
  std::vector<ForwardedEvent> events;        // every event of the control's event interface
  std::vector<PersistedProperty> persisted;  // in load and save order
};

// The size a control keeps whatever the host asks: 435 x 435 twips.
inline constexpr automation::Extent kControlExtent{435, 435};

class ScriptControl : public automation::DescribedObject, public automation::Control {
 public:
  // Unknown, once for every interface.
  void* QueryInterface(const Guid& iid) override { return DescribedObject::QueryInterface(iid); }
  std::uint32_t AddRef() override { return DescribedObject::AddRef(); }
  std::uint32_t Release() override { return DescribedObject::Release(); }

  // Control.
  void SetSite(automation::ControlSite* site) override { site_ = site; }
  Status InitNew() override { return Status::Ok(); }
  Status Load(automation::PropertyBag& bag) override;
  Status Save(automation::PropertyBag& bag) override;
  void SetExtent(automation::Extent) override { extent_ = kControlExtent; }
  automation::Extent GetExtent() const override { return extent_; }

  // Creates the inner component by its ProgID through the class registry, on the calling
  // thread's apartment, connects to its events and resolves the inner members the description
  // names. The class object calls it once, right after construction; a failure (an inner member
  // or event that the component lacks, a member of the control without its handler) fails the
  // control's creation.
  Status CreateInner();

  bool ScriptEventMode() const { return scriptEventMode_; }

 protected:
  explicit ScriptControl(ControlDescription description);
  ~ScriptControl() override;
  void* QueryExtraInterface(const Guid& iid) override;

  // ---- Forwarding to the inner component, by the inner member's name. Inner failures come
  // back unchanged.

  // Reads inner property `inner`, converted to `type` (VarType::Variant: as it comes).
  automation::Result<Variant> ReadInner(std::u16string_view inner, VarType type);
  // Writes inner property `inner`: the inner component receives a reference to a copy of
  // `value`.
  Status WriteInner(std::u16string_view inner, const Variant& value);
  // Calls inner method `inner` with `args` as they are (references stay references).
  automation::Result<Variant> CallInner(std::u16string_view inner, std::span<Variant> args);

  // Tells the container that persisted property `name` changed.
  void NotifyChanged(std::u16string_view name);

  // ---- Events.

  // Each event of the inner component, on the control's thread, as the description forwards it;
  // the default raises or queues `event.name`. A failure ends that event's handling (the inner
  // component is told the failure as its sink's result).
  virtual Status HandleInnerEvent(const ForwardedEvent& event, std::span<Variant> args);

  // Raises the control's own event `event` to its sinks with `args` as they are, so that
  // by-reference arguments stay references to the inner component's variables.
  Status Raise(std::u16string_view event, std::span<Variant> args);
  // Appends a record to the queue (creating the queue first).
  void Enqueue(EventRecord record);
  // The common handling: in raise mode raises `event` with `args`; in script mode queues a
  // record named `event` with the arguments by value in elements 1, 2, ... .
  Status RaiseOrQueue(std::u16string_view event, std::span<Variant> args);
  // The queue, created on first touch.
  std::deque<EventRecord>& EventQueue();

 private:
  class InnerSink;
  Variant GetEventParameters();
  void AddScriptMembers();
  void AddForwardedProperty(const ForwardedProperty& property);
  bool Persisted(std::u16string_view name) const;
  automation::Result<DispId> InnerId(std::u16string_view inner);
  Status ConnectInnerEvents();
  Status DeliverInnerEvent(DispId innerEvent, std::span<Variant> args);

  struct InnerEvent {
    DispId id;
    const ForwardedEvent* event;
  };

  ControlDescription description_;
  Ref<Dispatch> inner_;
  std::vector<std::pair<std::u16string, DispId>> innerIds_;  // resolved once each
  std::vector<InnerEvent> innerEvents_;
  Ref<InnerSink> sink_;
  automation::Advisory advisory_;
  automation::ControlSite* site_ = nullptr;
  automation::Extent extent_ = kControlExtent;
  bool scriptEventMode_ = false;
  std::optional<std::deque<EventRecord>> queue_;
};

}  // namespace controls
