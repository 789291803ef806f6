#pragma once
// The native side of ActiveXObject, WScript.CreateObject, ConnectObject, Host.CreateObject,
// Host.SaveProperties and VBArray: objects created through the class registry, called through
// their dispatch interfaces, and the values that pass between them and the script.

#include <QHash>
#include <QJSValue>
#include <QObject>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "automation/loader.h"
#include "scripthost/error_report.h"
#include "scripthost/host_state.h"
#include "scripthost/script_values.h"

class QJSEngine;

namespace scripthost {

class HostBridge;

class AutomationBridge : public QObject {
  Q_OBJECT
 public:
  // `loop` is the readiness loop that Sleep pumps; every module created here binds it.
  AutomationBridge(QJSEngine& engine, HostState& state, HostBridge& host, ScriptLocation location,
                   platform::ReadinessLoop& loop);
  ~AutomationBridge() override;

  // Set once by the prelude: the function that wraps a handle in its dispatch Proxy, and the
  // function that delivers an event to the script's handler.
  Q_INVOKABLE void setWrapper(const QJSValue& wrapper) { values_.SetWrapper(wrapper); }
  Q_INVOKABLE void setDeliver(const QJSValue& deliver) { deliver_ = deliver; }

  // Creates an object by ProgID; returns its handle (the prelude wraps it in a Proxy).
  Q_INVOKABLE QJSValue createObject(const QString& progId);
  Q_INVOKABLE QJSValue createWithProperties(const QString& progId, const QJSValue& properties);
  Q_INVOKABLE QJSValue saveProperties(const QJSValue& handle);

  // {id, kind} of a member found by name without regard to case (kinds as in the prelude).
  Q_INVOKABLE QJSValue member(const QJSValue& handle, const QString& name);
  Q_INVOKABLE QJSValue invoke(const QJSValue& handle, int dispId, int flags,
                              const QJSValue& arguments);

  Q_INVOKABLE void connect(const QJSValue& handle, const QString& prefix);
  Q_INVOKABLE void disconnect(const QJSValue& handle);
  // The handler in a form that hands back its arguments object, or undefined when its source
  // cannot be found in the script.
  Q_INVOKABLE QJSValue writableHandler(const QJSValue& handler, const QString& name,
                                       const QJSValue& capture);

  // CollectGarbage(): collects what the script no longer reaches, and releases its objects.
  Q_INVOKABLE void collectGarbage() { collector_.CollectNow(); }

  // The items of a collection (its _NewEnum), for Enumerator.
  Q_INVOKABLE QJSValue enumerate(const QJSValue& handle);

  Q_INVOKABLE bool isArray(const QJSValue& value) const;
  Q_INVOKABLE QJSValue arrayToArray(const QJSValue& array);
  Q_INVOKABLE int arrayDimensions(const QJSValue& array);
  Q_INVOKABLE QJSValue arrayBound(const QJSValue& array, int dimension, bool upper);
  Q_INVOKABLE QJSValue arrayItem(const QJSValue& array, const QJSValue& indices);

  // The text Echo shows for an object: nothing for an ordinary script object; `ok` false (with
  // the script exception thrown) for a value that cannot be shown.
  std::optional<QString> EchoText(const QJSValue& value, bool& ok);

  // Disconnects every event sink and releases every object the script still holds.
  void ReleaseAll();

 private:
  // The object behind a handle, or nothing with the script exception thrown.
  automation::Dispatch* ObjectOf(const QJSValue& handle);
  // Throws `error` as a script exception.
  void Throw(const automation::Error& error, const QString& hint = {});
  QJSValue Create(const QString& progId, automation::Ref<automation::Dispatch>& created);
  // One event from a connected object, delivered to the script's handler prefix + name.
  // Past kMaxHandlerDepth handlers running inside each other's Sleep, further events wait in
  // order and run when a level returns.
  automation::Status Deliver(const QString& handlerName, std::span<automation::Variant> args);
  automation::Status RunHandler(const QString& handlerName, std::span<automation::Variant> args);
  void RunWaiting();
  void HandlerFailed(const QJSValue& thrown);

  QJSEngine& engine_;
  HostState& state_;
  HostBridge& host_;
  ScriptLocation location_;
  automation::Loader loader_;
  Collector collector_;
  ValueMapper values_;
  QJSValue deliver_;
  struct WritableHandler {
    QJSValue original;
    QJSValue writable;  // undefined when the handler's source was not found
  };
  QHash<QString, WritableHandler> writableHandlers_;
  struct WaitingEvent {
    QString handlerName;
    std::vector<automation::Variant> args;  // by value: the raiser is gone by the time it runs
  };
  std::deque<WaitingEvent> waiting_;
  int handlerDepth_ = 0;

 public:
  static constexpr int kMaxHandlerDepth = 32;
};

}  // namespace scripthost
