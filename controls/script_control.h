#pragma once
// The shape both controls share: the inner control held through its dispatch interface and
// created with the control, the script event mode and queue, the script members
// (Start_EventForScript, End_EventForScript, GetEventParameters), the four conversions, the
// fixed size, the property-bag hooks and the container's change notification.
//
// A control derives from ScriptControl, adds its forwarded members in its constructor
// (AddForwardedProperty, or AddMethod with CallInner) and turns inner events into its own in
// HandleInnerEvent (RaiseOrQueue, or Raise and Enqueue for the events with a step of their own).

#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/class_info.h"
#include "automation/control.h"
#include "automation/dispatch_object.h"
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

// One property kept in the host's property bag.
struct PersistedProperty {
  std::u16string_view key;  // the bag's key, the property's name and the notified name
  VarType storedAs;         // the type read from and written to the bag
  Variant defaultValue;     // the default when reading (and when saving)
  DispId innerProperty;     // the inner property it is loaded into and saved from
};

// What tells one control from the other.
struct ControlDescription {
  const automation::InterfaceInfo* defaultInterface;  // the control's dispatch interface
  const automation::InterfaceInfo* eventInterface;    // the control's event interface
  std::u16string_view innerProgId;                    // the inner control's class
  Guid innerEvents;                                   // the inner control's event interface
  // DISPIDs of the script members and the conversions in the control's interface.
  DispId startEventForScript;
  DispId endEventForScript;
  DispId getEventParameters;
  DispId byteArrayToStr;
  DispId byteArrayToHex;
  DispId strToByteArray;
  DispId hexToByteArray;
  std::vector<PersistedProperty> persisted;  // in load and save order
};

// The size a control keeps whatever the host asks: 435 x 435 twips.
inline constexpr automation::Extent kControlExtent{435, 435};

class ScriptControl : public automation::DispatchObject,
                      public automation::Control,
                      public automation::ProvideClassInfo {
 public:
  // Unknown, once for both interfaces.
  void* QueryInterface(const Guid& iid) override { return DispatchObject::QueryInterface(iid); }
  std::uint32_t AddRef() override { return DispatchObject::AddRef(); }
  std::uint32_t Release() override { return DispatchObject::Release(); }

  // Control.
  void SetSite(automation::ControlSite* site) override { site_ = site; }
  Status InitNew() override { return Status::Ok(); }
  Status Load(automation::PropertyBag& bag) override;
  Status Save(automation::PropertyBag& bag) override;
  void SetExtent(automation::Extent) override { extent_ = kControlExtent; }
  automation::Extent GetExtent() const override { return extent_; }

  // ProvideClassInfo: the control's class in the type library, which names its events for a
  // host that binds them to a script's functions.
  const automation::ClassInfo& GetClassInfo() override;

  // Creates the inner control by its ProgID through the class registry, on the calling
  // thread's apartment, and connects to its events. The class object calls it once, right after
  // construction; a failure fails the control's creation.
  Status CreateInner();

  bool ScriptEventMode() const { return scriptEventMode_; }
  // The records waiting (0 when the queue was never touched; does not create it).
  std::size_t QueuedRecords() const { return queue_ ? queue_->size() : 0; }

 protected:
  explicit ScriptControl(ControlDescription description);
  ~ScriptControl() override;
  void* QueryExtraInterface(const Guid& iid) override;

  Dispatch& Inner() { return *inner_; }

  // ---- Forwarding to the inner control. Inner failures come back unchanged.

  // Reads inner property `innerId`, converted to `type` (VarType::Variant: as it comes).
  automation::Result<Variant> ReadInner(DispId innerId, VarType type);
  // Writes inner property `innerId`: the inner control receives a reference to a copy of
  // `value`.
  Status WriteInner(DispId innerId, const Variant& value);
  // Calls inner method `innerId` with `args` as they are (references stay references).
  automation::Result<Variant> CallInner(DispId innerId, std::span<Variant> args);

  // A property of the control forwarded to inner property `innerId`: a read converts to `type`,
  // a write (when `writable`) goes through WriteInner and then notifies `notifyKey` (when not
  // empty).
  void AddForwardedProperty(std::u16string name, DispId id, DispId innerId, VarType type,
                            bool writable, std::u16string_view notifyKey = {});

  // Tells the container that persisted property `key` changed.
  void NotifyChanged(std::u16string_view key);

  // ---- Events.

  // Each event of the inner control, on the control's thread. A failure ends that event's
  // handling (the inner control is told the failure as its sink's result).
  virtual Status HandleInnerEvent(DispId innerEvent, std::span<Variant> args) = 0;

  // Raises the control's own event `event` to its sinks with `args` as they are, so that
  // by-reference arguments stay references to the inner control's variables.
  Status Raise(DispId event, std::span<Variant> args);
  // Appends a record to the queue (creating the queue first).
  void Enqueue(EventRecord record);
  // The common handling: in raise mode raises `event` with `args`; in script mode queues a
  // record named `name` with the arguments by value in elements 1, 2, ... .
  Status RaiseOrQueue(DispId event, std::u16string_view name, std::span<Variant> args);
  // The queue, created on first touch.
  std::deque<EventRecord>& EventQueue();

 private:
  class InnerSink;
  Variant GetEventParameters();

  ControlDescription description_;
  Ref<Dispatch> inner_;
  Ref<InnerSink> sink_;
  automation::Advisory advisory_;
  automation::ControlSite* site_ = nullptr;
  automation::Extent extent_ = kControlExtent;
  bool scriptEventMode_ = false;
  std::optional<std::deque<EventRecord>> queue_;
};

}  // namespace controls
