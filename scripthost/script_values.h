#pragma once
// The values that pass between the script and the objects it drives, mapped as the platform's
// script host maps them:
//   undefined ↔ Empty, null ↔ Null, Booleans ↔ Bool, strings ↔ String; a number becomes a 4-byte
//   integer when it is whole and fits, else a double; 2- and 4-byte integers, bytes and doubles
//   become numbers; an object becomes a dispatch Proxy (Nothing becomes null); an array stays
//   opaque to the script: it can be handed back to any member or read with VBArray.

#include <QJSValue>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

#include "automation/connection_point.h"
#include "automation/dispatch.h"
#include "automation/variant.h"
#include "scripthost/collector.h"

class QJSEngine;

namespace scripthost {

namespace automation = automation;

// Counts a wrapper among the live ones for as long as it exists.
class LiveShare {
 public:
  LiveShare(std::shared_ptr<LiveWeight> live, std::size_t weight)
      : live_(std::move(live)), weight_(weight) {
    live_->value += weight_;
  }
  ~LiveShare() { live_->value -= weight_; }
  LiveShare(const LiveShare&) = delete;
  LiveShare& operator=(const LiveShare&) = delete;

 private:
  std::shared_ptr<LiveWeight> live_;
  std::size_t weight_;
};

// One object the script holds, behind its Proxy; with its event connection when the script
// connected it. The engine owns it and frees it (and so releases the object) when the script
// no longer reaches it.
class DispatchHandle : public QObject {
  Q_OBJECT
 public:
  DispatchHandle(automation::Ref<automation::Dispatch> object, std::shared_ptr<LiveWeight> live)
      : share_(std::move(live), Collector::kObjectWeight), object_(std::move(object)) {}
  ~DispatchHandle() override { Release(); }

  automation::Dispatch* object() const { return object_.get(); }
  const automation::Ref<automation::Dispatch>& ref() const { return object_; }

  void Connect(automation::Advisory advisory) { advisory_ = std::move(advisory); }
  void Disconnect() { advisory_.Disconnect(); }
  // Disconnects the events and lets the object go.
  void Release() {
    advisory_.Disconnect();
    object_.Reset();
  }

 private:
  LiveShare share_;
  automation::Ref<automation::Dispatch> object_;
  automation::Advisory advisory_;
};

// An array (or any value the script cannot hold itself), kept as it came. The script holds it
// in an engine value of its own (OpaqueReference below): cheaper than an object with a wrapper,
// and freed by the collection itself rather than queued for deletion.
class OpaqueValue {
 public:
  OpaqueValue(automation::Variant value, std::shared_ptr<LiveWeight> live)
      : share_(std::move(live), Collector::kArrayWeight), value_(std::move(value)) {}
  const automation::Variant& value() const { return value_; }

 private:
  LiveShare share_;
  automation::Variant value_;
};

struct OpaqueReference {
  std::shared_ptr<const OpaqueValue> value;
};

class ValueMapper {
 public:
  ValueMapper(QJSEngine& engine, Collector& collector) : engine_(engine), collector_(collector) {}

  // The prelude's function that wraps a handle in its Proxy.
  void SetWrapper(const QJSValue& wrapper) { wrapper_ = wrapper; }

  QJSValue ToScript(const automation::Variant& value);
  automation::Result<automation::Variant> FromScript(const QJSValue& value) const;

  // The handle behind a Proxy, or behind a handle value itself; null for anything else.
  static DispatchHandle* HandleOf(const QJSValue& value);
  static std::shared_ptr<const OpaqueValue> OpaqueOf(const QJSValue& value);

  // A handle for `object` that the engine owns, remembered so that ReleaseAll can reach it.
  QJSValue NewHandle(automation::Ref<automation::Dispatch> object);
  QJSValue Wrap(automation::Ref<automation::Dispatch> object);

  // Releases every object the script still holds.
  void ReleaseAll();

 private:
  QJSEngine& engine_;
  Collector& collector_;
  QJSValue wrapper_;
  std::vector<QPointer<DispatchHandle>> handles_;
  std::size_t prunedSize_ = 64;
};

}  // namespace scripthost

Q_DECLARE_METATYPE(scripthost::OpaqueReference)
