#include "scripthost/automation_bridge.h"

#include <QJSEngine>
#include <QJSValueIterator>
#include <cmath>
#include <limits>

#include "automation/class_info.h"
#include "automation/coercion.h"
#include "automation/control.h"
#include "automation/enumerator.h"
#include "automation/text.h"
#include "hostobjects/host_objects.h"
#include "scripthost/handler_source.h"
#include "scripthost/host_bridge.h"
#include "scripthost/script_property_bag.h"

namespace scripthost {
namespace {

using automation::Dispatch;
using automation::Error;
using automation::InvokeKind;
using automation::Ref;
using automation::Variant;

// Member kinds as the prelude knows them.
constexpr int kKindNone = 0;
constexpr int kKindProperty = 1;
constexpr int kKindMethod = 2;
constexpr int kKindIndexed = 3;
constexpr int kKindUnknown = 4;  // the object has no type information

QString FromUtf16(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The script's form of an error's number: its status code as a signed 32-bit value.
qint32 ScriptNumberOf(const Error& error) {
  return error.scode != 0 ? error.scode : automation::ScodeOfNumber(error.number);
}

}  // namespace

AutomationBridge::AutomationBridge(QJSEngine& engine, HostState& state, HostBridge& host,
                                   ScriptLocation location, platform::ReadinessLoop& loop)
    : engine_(engine),
      state_(state),
      host_(host),
      location_(std::move(location)),
      loader_(&loop),
      collector_(engine),
      values_(engine, collector_) {}

AutomationBridge::~AutomationBridge() {
  ReleaseAll();
}

void AutomationBridge::Throw(const Error& error, const QString& hint) {
  QJSValue thrown = engine_.newErrorObject(QJSValue::GenericError, FromUtf16(error.description));
  thrown.setProperty(QStringLiteral("number"), ScriptNumberOf(error));
  thrown.setProperty(QStringLiteral("description"), FromUtf16(error.description));
  if (!error.source.empty()) thrown.setProperty(QStringLiteral("source"), FromUtf16(error.source));
  if (!hint.isEmpty()) thrown.setProperty(QStringLiteral("hint"), hint);
  engine_.throwError(thrown);
}

Dispatch* AutomationBridge::ObjectOf(const QJSValue& handle) {
  DispatchHandle* found = ValueMapper::HandleOf(handle);
  if (found == nullptr || found->object() == nullptr) {
    Throw(automation::MakeError(424, u"Object required"));
    return nullptr;
  }
  return found->object();
}

QJSValue AutomationBridge::Create(const QString& progId, Ref<Dispatch>& created) {
  // The host's own classes are found before the class registry is asked.
  Ref<Dispatch> own = hostobjects::CreateHostObject(progId.toStdU16String());
  auto object = own ? automation::Result<Ref<Dispatch>>(std::move(own))
                    : loader_.CreateObject(progId.toStdU16String());
  if (!object) {
    // The loader says why in its description; the script sees the platform's own text, and the
    // reason goes into the report of an uncaught error.
    Error error = object.error();
    std::u16string standard = automation::StandardDescription(automation::kErrCannotCreateObject);
    QString reason = FromUtf16(error.description);
    if (error.number == automation::kErrCannotCreateObject) {
      if (error.description.starts_with(standard + u": ")) {
        reason = FromUtf16(std::u16string_view(error.description).substr(standard.size() + 2));
      }
      error.description = standard;
    }
    Throw(error, QStringLiteral("\"") + progId + QStringLiteral("\" could not be created (") +
                     reason +
                     QStringLiteral("); is the library registered with quorvane-register?"));
    return {};
  }
  created = std::move(object).value();
  return values_.NewHandle(created);
}

QJSValue AutomationBridge::createObject(const QString& progId) {
  Ref<Dispatch> created;
  QJSValue handle = Create(progId, created);
  if (!created) return handle;
  // A control made by a script starts as a new control, as a container would start it.
  if (auto control = automation::QueryInterface<automation::Control>(created)) {
    if (automation::Status s = control->InitNew(); !s) {
      Throw(s.error());
      return {};
    }
  }
  return handle;
}

QJSValue AutomationBridge::createWithProperties(const QString& progId, const QJSValue& properties) {
  ScriptPropertyBag bag;
  if (properties.isObject()) {
    QJSValueIterator it(properties);
    while (it.hasNext()) {
      it.next();
      auto value = values_.FromScript(it.value());
      if (!value) {
        Throw(value.error());
        return {};
      }
      (void)bag.Write(it.name().toStdU16String(), *value);
    }
  }
  Ref<Dispatch> created;
  QJSValue handle = Create(progId, created);
  if (!created) return handle;
  auto control = automation::QueryInterface<automation::Control>(created);
  if (!control) {
    Throw(automation::MakeError(automation::kErrNoSuchMember,
                                u"The object keeps no properties: " + progId.toStdU16String()));
    return {};
  }
  if (automation::Status s = control->Load(bag); !s) {
    Throw(s.error());
    return {};
  }
  return handle;
}

QJSValue AutomationBridge::saveProperties(const QJSValue& handle) {
  Dispatch* object = ObjectOf(handle);
  if (object == nullptr) return {};
  auto control = automation::QueryInterface<automation::Control>(object);
  if (!control) {
    Throw(automation::MakeError(automation::kErrNoSuchMember, u"The object keeps no properties"));
    return {};
  }
  ScriptPropertyBag bag;
  if (automation::Status s = control->Save(bag); !s) {
    Throw(s.error());
    return {};
  }
  QJSValue saved = engine_.newObject();
  for (const auto& [name, value] : bag.entries()) {
    saved.setProperty(FromUtf16(name), values_.ToScript(value));
  }
  return saved;
}

QJSValue AutomationBridge::member(const QJSValue& handle, const QString& name) {
  QJSValue found = engine_.newObject();
  found.setProperty(QStringLiteral("kind"), kKindNone);
  Dispatch* object = ObjectOf(handle);
  if (object == nullptr) return {};
  const std::u16string wanted = name.toStdU16String();
  int kind = kKindNone;
  automation::DispId id = automation::kDispIdUnknown;
  if (const automation::InterfaceInfo* info = object->TypeInfo()) {
    if (const automation::MemberInfo* m = automation::FindMember(*info, wanted)) {
      id = m->dispId;
      kind = m->kind == automation::MemberKind::Method ? kKindMethod
             : m->params.empty()                       ? kKindProperty
                                                       : kKindIndexed;
    }
  }
  if (kind == kKindNone) {
    // Members beyond the type information (or an object without any) are still found by name.
    if (auto dispId = object->GetIdOfName(wanted)) {
      id = *dispId;
      kind = kKindUnknown;
    }
  }
  found.setProperty(QStringLiteral("kind"), kind);
  found.setProperty(QStringLiteral("id"), id);
  return found;
}

QJSValue AutomationBridge::invoke(const QJSValue& handle, int dispId, int flags,
                                  const QJSValue& arguments) {
  Dispatch* object = ObjectOf(handle);
  if (object == nullptr) return {};
  const int count = arguments.property(QStringLiteral("length")).toInt();
  std::vector<Variant> args;
  args.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    auto value = values_.FromScript(arguments.property(static_cast<quint32>(i)));
    if (!value) {
      Throw(value.error());
      return {};
    }
    args.push_back(std::move(value).value());
  }
  const InvokeKind kind = flags == 4   ? InvokeKind::PropertyPut
                          : flags == 2 ? InvokeKind::PropertyGet
                                       : InvokeKind::Method;
  // By-reference parameters receive a reference to a copy (a script variable cannot be
  // passed by reference), and the optional ones the script left out are passed as omitted.
  std::vector<Variant> referenced;
  if (kind == InvokeKind::Method) {
    if (const automation::InterfaceInfo* info = object->TypeInfo()) {
      if (const automation::MemberInfo* m = automation::FindMember(*info, dispId)) {
        while (args.size() < m->params.size() && m->params[args.size()].optional) {
          args.push_back(Variant::Missing());
        }
        referenced.reserve(args.size());
        for (std::size_t i = 0; i < args.size() && i < m->params.size(); ++i) {
          if (!m->params[i].byRef) continue;
          referenced.push_back(std::move(args[i]));
          args[i] = Variant::ByRef(referenced.back());
        }
      }
    }
  }
  auto result = object->Invoke(dispId, kind, args);
  if (!result) {
    Throw(result.error());
    return {};
  }
  return values_.ToScript(*result);
}

void AutomationBridge::connect(const QJSValue& handle, const QString& prefix) {
  Dispatch* object = ObjectOf(handle);
  if (object == nullptr) return;
  auto classInfo = automation::QueryInterface<automation::ProvideClassInfo>(object);
  const automation::InterfaceInfo* events =
      classInfo ? classInfo->GetClassInfo().eventInterface : nullptr;
  if (events == nullptr) {
    Throw(automation::MakeError(automation::kErrInvalidProcedureCall,
                                u"The object has no events to connect to"));
    return;
  }
  // The sink holds the object only while it delivers: a handler may drop the script's last
  // reference and collect it, and the object must outlive its own event. (Holding it for good
  // would keep the object alive through its own connection.)
  auto sink = automation::MakeEventSink(
      [this, prefix, events, object](automation::DispId id,
                                     std::span<Variant> args) -> automation::Status {
        const automation::MemberInfo* event = automation::FindMember(*events, id);
        if (event == nullptr) return automation::Status::Ok();
        const Ref<Dispatch> raising(object);
        return Deliver(prefix + FromUtf16(event->name), args);
      },
      events);
  auto advisory = automation::Advisory::Connect(*object, events->iid, sink);
  if (!advisory) {
    Throw(advisory.error());
    return;
  }
  ValueMapper::HandleOf(handle)->Connect(std::move(advisory).value());
}

void AutomationBridge::disconnect(const QJSValue& handle) {
  if (ObjectOf(handle) == nullptr) return;
  ValueMapper::HandleOf(handle)->Disconnect();
}

automation::Status AutomationBridge::Deliver(const QString& handlerName, std::span<Variant> args) {
  // Once the script is stopping, no handler runs any more.
  if (state_.Stopping() || !deliver_.isCallable()) return automation::Status::Ok();
  // Events wait when the handlers are nested as deep as they may go, and behind those already
  // waiting, so that they run in the order they came.
  if (handlerDepth_ >= kMaxHandlerDepth || !waiting_.empty()) {
    WaitingEvent event{handlerName, {}};
    event.args.reserve(args.size());
    for (const Variant& arg : args) event.args.push_back(arg.Deref());
    waiting_.push_back(std::move(event));
    RunWaiting();
    return automation::Status::Ok();
  }
  automation::Status status = RunHandler(handlerName, args);
  RunWaiting();
  return status;
}

void AutomationBridge::RunWaiting() {
  while (!waiting_.empty() && handlerDepth_ < kMaxHandlerDepth && !state_.Stopping()) {
    WaitingEvent event = std::move(waiting_.front());
    waiting_.pop_front();
    (void)RunHandler(event.handlerName, event.args);
  }
}

automation::Status AutomationBridge::RunHandler(const QString& handlerName,
                                                std::span<Variant> args) {
  struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
  } guard(handlerDepth_);
  QJSValue scriptArgs = engine_.newArray(static_cast<uint>(args.size()));
  bool writesBack = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    scriptArgs.setProperty(static_cast<quint32>(i), values_.ToScript(args[i]));
    writesBack = writesBack || args[i].IsByRef();
  }
  QJSValue outcome = deliver_.call({QJSValue(handlerName), scriptArgs, QJSValue(writesBack)});
  if (state_.Stopping() || outcome.isNull() || outcome.isUndefined()) {
    return automation::Status::Ok();
  }
  if (outcome.isError()) {
    HandlerFailed(outcome);
    return automation::Status::Ok();
  }
  QJSValue thrown = outcome.property(QStringLiteral("error"));
  if (outcome.hasOwnProperty(QStringLiteral("error"))) {
    HandlerFailed(thrown);
    return automation::Status::Ok();
  }
  if (!writesBack) return automation::Status::Ok();
  // What the handler assigned to a by-reference argument goes back to the raiser, in the type
  // the raiser's variable has.
  QJSValue after = outcome.property(QStringLiteral("args"));
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (!args[i].IsByRef()) continue;
    auto value = values_.FromScript(after.property(static_cast<quint32>(i)));
    if (!value) continue;
    Variant& target = args[i].Deref();
    if (target.Type() == value->Type() && target.IsArray() == value->IsArray()) {
      target = std::move(value).value();
    } else if (auto changed = automation::ChangeType(*value, target.Type())) {
      target = std::move(changed).value();
    }
  }
  return automation::Status::Ok();
}

void AutomationBridge::HandlerFailed(const QJSValue& thrown) {
  if (!state_.TryStop(StopReason::HandlerFailed)) return;
  state_.handlerFailure = FormatFailure(location_.shownPath, DescribeThrown(thrown, {}, location_));
  host_.Stop();
}

QJSValue AutomationBridge::writableHandler(const QJSValue& handler, const QString& name,
                                           const QJSValue& capture) {
  auto cached = writableHandlers_.find(name);
  if (cached != writableHandlers_.end() && cached->original.strictlyEquals(handler)) {
    return cached->writable;
  }
  WritableHandler entry{handler, QJSValue()};
  if (auto declaration = FindTopLevelFunction(location_.sourceText, name)) {
    QJSValue maker = engine_.evaluate(WritableHandlerSource(name, *declaration),
                                      location_.evaluatedAs, declaration->line);
    if (maker.isCallable()) {
      QJSValue writable = maker.call({capture});
      if (writable.isCallable()) entry.writable = writable;
    }
  }
  writableHandlers_.insert(name, entry);
  return entry.writable;
}

QJSValue AutomationBridge::enumerate(const QJSValue& handle) {
  Dispatch* object = ObjectOf(handle);
  if (object == nullptr) return {};
  auto items = automation::EnumerateAll(*object);
  if (!items) {
    Throw(items.error());
    return {};
  }
  QJSValue list = engine_.newArray(static_cast<uint>(items->size()));
  for (std::size_t i = 0; i < items->size(); ++i) {
    list.setProperty(static_cast<quint32>(i), values_.ToScript((*items)[i]));
  }
  return list;
}

bool AutomationBridge::isArray(const QJSValue& value) const {
  auto opaque = ValueMapper::OpaqueOf(value);
  return opaque != nullptr && opaque->value().IsArray();
}

QJSValue AutomationBridge::arrayToArray(const QJSValue& array) {
  const auto opaque = ValueMapper::OpaqueOf(array);
  if (opaque == nullptr || !opaque->value().IsArray()) {
    Throw(automation::MakeError(automation::kErrTypeMismatch));
    return {};
  }
  const automation::SafeArray& elements = opaque->value().AsArray();
  QJSValue list = engine_.newArray(static_cast<uint>(elements.Count()));
  for (std::size_t i = 0; i < elements.Count(); ++i) {
    auto element = elements.Get(elements.LowerBound() + static_cast<std::int32_t>(i));
    list.setProperty(static_cast<quint32>(i), element ? values_.ToScript(*element) : QJSValue());
  }
  return list;
}

int AutomationBridge::arrayDimensions(const QJSValue&) {
  return 1;  // the layer's arrays have one dimension
}

QJSValue AutomationBridge::arrayBound(const QJSValue& array, int dimension, bool upper) {
  if (dimension != 1) {
    Throw(automation::MakeError(automation::kErrSubscriptOutOfRange));
    return {};
  }
  const auto opaque = ValueMapper::OpaqueOf(array);
  if (opaque == nullptr || !opaque->value().IsArray()) {
    Throw(automation::MakeError(automation::kErrTypeMismatch));
    return {};
  }
  const automation::SafeArray& elements = opaque->value().AsArray();
  return QJSValue(upper ? elements.UpperBound() : elements.LowerBound());
}

QJSValue AutomationBridge::arrayItem(const QJSValue& array, const QJSValue& indices) {
  const auto opaque = ValueMapper::OpaqueOf(array);
  if (opaque == nullptr || !opaque->value().IsArray()) {
    Throw(automation::MakeError(automation::kErrTypeMismatch));
    return {};
  }
  const automation::SafeArray& elements = opaque->value().AsArray();
  if (indices.property(QStringLiteral("length")).toInt() != 1) {
    Throw(automation::MakeError(automation::kErrSubscriptOutOfRange));
    return {};
  }
  double index = indices.property(0).toNumber();
  if (!(index == std::trunc(index) && index >= std::numeric_limits<std::int32_t>::min() &&
        index <= std::numeric_limits<std::int32_t>::max())) {
    Throw(automation::MakeError(automation::kErrSubscriptOutOfRange));
    return {};
  }
  auto element = elements.Get(static_cast<std::int32_t>(index));
  if (!element) {
    Throw(element.error());
    return {};
  }
  return values_.ToScript(*element);
}

std::optional<QString> AutomationBridge::EchoText(const QJSValue& value, bool& ok) {
  ok = true;
  if (ValueMapper::OpaqueOf(value) != nullptr) {
    ok = false;
    Throw(automation::MakeError(automation::kErrTypeMismatch));
    return std::nullopt;
  }
  DispatchHandle* handle = ValueMapper::HandleOf(value);
  if (handle == nullptr || handle->object() == nullptr) return std::nullopt;
  // An object shows its default member's value.
  auto shown = automation::GetProperty(*handle->object(), automation::kDispIdValue);
  auto text =
      shown ? automation::ToString(*shown) : automation::Result<std::u16string>(shown.error());
  if (!text) {
    ok = false;
    Throw(text.error());
    return std::nullopt;
  }
  return FromUtf16(*text);
}

void AutomationBridge::ReleaseAll() {
  values_.ReleaseAll();
}

}  // namespace scripthost
