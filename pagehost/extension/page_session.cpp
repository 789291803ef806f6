#include "pagehost/extension/page_session.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "automation/class_info.h"
#include "automation/coercion.h"
#include "automation/control.h"
#include "automation/guid.h"
#include "automation/text.h"
#include "pagehost/param_bag.h"

namespace pagehost {

using automation::Dispatch;
using automation::Error;
using automation::InvokeKind;
using automation::Ref;
using automation::Variant;

struct PageSession::Slot {
  Ref<Dispatch> object;
  automation::Advisory advisory;
};

// A script value of ours: an object's handle, or an array the script keeps as it came.
struct PageSession::Boxed {
  std::weak_ptr<PageSession> session;
  std::shared_ptr<Slot> slot;  // for an object
  Variant array;               // for an array
};

namespace {

// Member kinds as the prelude knows them.
constexpr int kKindNone = 0;
constexpr int kKindProperty = 1;
constexpr int kKindMethod = 2;
constexpr int kKindIndexed = 3;
constexpr int kKindUnknown = 4;

constexpr std::int32_t kErrObjectRequired = 424;

// The script's form of an error's number: its status code as a signed 32-bit value, as the
// script host gives it.
std::int32_t ScriptNumberOf(const Error& error) {
  return error.scode != 0 ? error.scode : automation::ScodeOfNumber(error.number);
}

JSCValue* Arg(GPtrArray* args, guint index) {
  return index < args->len ? static_cast<JSCValue*>(args->pdata[index]) : nullptr;
}

int Int32Arg(GPtrArray* args, guint index) {
  JSCValue* value = Arg(args, index);
  return value == nullptr ? 0 : jsc_value_to_int32(value);
}

std::u16string StringArg(GPtrArray* args, guint index) {
  JSCValue* value = Arg(args, index);
  return value == nullptr ? std::u16string() : StringOf(value);
}

guint LengthOf(JSCValue* array) {
  JsValue length(jsc_value_object_get_property(array, "length"));
  const int n = length ? jsc_value_to_int32(length.get()) : 0;
  return n > 0 ? static_cast<guint>(n) : 0;
}

void Report(const std::string& text) {
  std::fprintf(stderr, "quorvane-page: %s\n", text.c_str());
  std::fflush(stderr);
}

// The session a callback of the engine belongs to; the callbacks hold it weakly, since the
// engine may keep a function of an old document after its session ended.
struct SessionRef {
  std::weak_ptr<PageSession> session;
};

}  // namespace

// The engine's callbacks: each finds its session and hands over to a member of it.
struct PageSession::Native {
  using Function = JSCValue* (*)(GPtrArray*, PageSession&);
  using Method = JSCValue* (*)(Boxed&, GPtrArray*, PageSession&);

  template <Function F>
  static JSCValue* Call(GPtrArray* args, gpointer data) {
    auto session = static_cast<SessionRef*>(data)->session.lock();
    if (!session || session->released_) return jsc_value_new_undefined(jsc_context_get_current());
    return F(args, *session);
  }

  // A handle that the page still holds after its session released everything answers error 424.
  template <Method M>
  static JSCValue* CallMethod(gpointer instance, GPtrArray* args, gpointer) {
    auto& boxed = *static_cast<Boxed*>(instance);
    auto session = boxed.session.lock();
    if (!session) return jsc_value_new_undefined(jsc_context_get_current());
    if (session->released_) {
      return session->Fault(automation::MakeError(kErrObjectRequired, u"Object required"))
          .release();
    }
    return M(boxed, args, *session);
  }

  static void FreeSessionRef(gpointer data) {
    std::unique_ptr<SessionRef>(static_cast<SessionRef*>(data));
  }
  static void FreeBoxed(gpointer data) { std::unique_ptr<Boxed>(static_cast<Boxed*>(data)); }

  // native.setHooks(fault, wrap, deliver)
  static JSCValue* SetHooks(GPtrArray* args, PageSession& s) {
    s.fault_ = Retain(Arg(args, 0));
    s.wrap_ = Retain(Arg(args, 1));
    s.deliver_ = Retain(Arg(args, 2));
    return s.Undefined().release();
  }
  // native.create(classid, id, [[name, value], ...])
  static JSCValue* Create(GPtrArray* args, PageSession& s) {
    return s.Create(StringArg(args, 0), StringArg(args, 1), Arg(args, 2)).release();
  }
  static JSCValue* CreateObject(GPtrArray* args, PageSession& s) {
    return s.CreateObject(StringArg(args, 0)).release();
  }
  static JSCValue* IsArray(GPtrArray* args, PageSession& s) {
    JSCValue* value = Arg(args, 0);
    Boxed* boxed = value == nullptr ? nullptr : s.BoxedOf(value);
    return jsc_value_new_boolean(s.context_, boxed != nullptr && boxed->array.IsArray());
  }
  static JSCValue* CommandLine(GPtrArray*, PageSession& s) {
    return jsc_value_new_string(s.context_, s.commandLine_.c_str());
  }
  static JSCValue* Quit(GPtrArray* args, PageSession& s) {
    const int code = Int32Arg(args, 0);
    s.ReleaseAll();
    s.view_.Quit(code);
    return jsc_value_new_undefined(s.context_);
  }
  static JSCValue* Resize(GPtrArray* args, PageSession& s) {
    s.view_.Resize(Int32Arg(args, 0), Int32Arg(args, 1));
    return s.Undefined().release();
  }
  static JSCValue* Move(GPtrArray* args, PageSession& s) {
    s.view_.Move(Int32Arg(args, 0), Int32Arg(args, 1));
    return s.Undefined().release();
  }
  static JSCValue* ReportText(GPtrArray* args, PageSession& s) {
    Report(automation::Utf8FromUtf16(StringArg(args, 0)));
    return s.Undefined().release();
  }

  // Methods of an object's handle: member(name), invoke(id, flags, args).
  static JSCValue* MemberOf(Boxed& b, GPtrArray* args, PageSession& s) {
    if (!b.slot || !b.slot->object)
      return s.Fault(automation::MakeError(kErrObjectRequired, u"Object required")).release();
    return s.Member(*b.slot, StringArg(args, 0)).release();
  }
  static JSCValue* InvokeOn(Boxed& b, GPtrArray* args, PageSession& s) {
    if (!b.slot || !b.slot->object)
      return s.Fault(automation::MakeError(kErrObjectRequired, u"Object required")).release();
    return s.Invoke(*b.slot, Int32Arg(args, 0), Int32Arg(args, 1), Arg(args, 2)).release();
  }
  // Methods of an array: items(), bound(upper), item(index).
  static JSCValue* Items(Boxed& b, GPtrArray*, PageSession& s) {
    const automation::SafeArray& array = b.array.AsArray();
    GPtrArray* items = g_ptr_array_new_with_free_func(g_object_unref);
    for (std::size_t i = 0; i < array.Count(); ++i) {
      auto element = array.Get(array.LowerBound() + static_cast<std::int32_t>(i));
      g_ptr_array_add(items, (element ? s.ToScript(*element) : s.Undefined()).release());
    }
    JSCValue* list = jsc_value_new_array_from_garray(s.context_, items);
    g_ptr_array_unref(items);
    return list;
  }
  static JSCValue* Bound(Boxed& b, GPtrArray* args, PageSession& s) {
    JSCValue* upper = Arg(args, 0);
    const automation::SafeArray& array = b.array.AsArray();
    const bool wantUpper = upper != nullptr && jsc_value_to_boolean(upper);
    return jsc_value_new_number(s.context_, wantUpper ? array.UpperBound() : array.LowerBound());
  }
  static JSCValue* Item(Boxed& b, GPtrArray* args, PageSession& s) {
    JSCValue* index = Arg(args, 0);
    const double at = index == nullptr ? std::nan("") : jsc_value_to_double(index);
    if (!(at == std::trunc(at) && at >= std::numeric_limits<std::int32_t>::min() &&
          at <= std::numeric_limits<std::int32_t>::max())) {
      return s.Fault(automation::MakeError(automation::kErrSubscriptOutOfRange)).release();
    }
    auto element = b.array.AsArray().Get(static_cast<std::int32_t>(at));
    return (element ? s.ToScript(*element) : s.Fault(element.error())).release();
  }
  // The way back from a script value to its Boxed (see BoxedOf).
  static JSCValue* Self(gpointer instance, GPtrArray*, gpointer) {
    auto& boxed = *static_cast<Boxed*>(instance);
    auto session = boxed.session.lock();
    if (session) session->selfSeen_ = &boxed;
    return jsc_value_new_undefined(jsc_context_get_current());
  }

  static gboolean Flush(gpointer data) {
    auto session = static_cast<SessionRef*>(data)->session.lock();
    if (session) session->FlushQueuedEvents();
    return G_SOURCE_REMOVE;
  }
};

PageSession::PageSession(JSCContext* context, automation::Loader& loader, std::string commandLine,
                         ViewChannel& view)
    : context_(static_cast<JSCContext*>(g_object_ref(context))),
      loader_(loader),
      commandLine_(std::move(commandLine)),
      view_(view) {}

PageSession::~PageSession() {
  ReleaseAll();
  g_object_unref(context_);
}

bool PageSession::Install(std::string_view prelude, const std::string& sourceUri) {
  // A class name of its own for every session: the engine's context may outlive a document.
  static int sessions = 0;
  const std::string className = "PageValue" + std::to_string(++sessions);
  class_ =
      jsc_context_register_class(context_, className.c_str(), nullptr, nullptr, &Native::FreeBoxed);
  auto method = [this](const char* name, GCallback callback) {
    jsc_class_add_method_variadic(class_, name, callback, nullptr, nullptr, JSC_TYPE_VALUE);
  };
  method("member", G_CALLBACK(&Native::CallMethod<&Native::MemberOf>));
  method("invoke", G_CALLBACK(&Native::CallMethod<&Native::InvokeOn>));
  method("items", G_CALLBACK(&Native::CallMethod<&Native::Items>));
  method("bound", G_CALLBACK(&Native::CallMethod<&Native::Bound>));
  method("item", G_CALLBACK(&Native::CallMethod<&Native::Item>));
  method("__self", G_CALLBACK(&Native::Self));

  JsValue native(jsc_value_new_object(context_, nullptr, nullptr));
  auto function = [&](const char* name, GCallback callback) {
    auto ref = std::make_unique<SessionRef>(SessionRef{weak_from_this()});
    JsValue f(jsc_value_new_function_variadic(context_, name, callback, ref.release(),
                                              &Native::FreeSessionRef, JSC_TYPE_VALUE));
    jsc_value_object_set_property(native.get(), name, f.get());
  };
  function("setHooks", G_CALLBACK(&Native::Call<&Native::SetHooks>));
  function("create", G_CALLBACK(&Native::Call<&Native::Create>));
  function("createObject", G_CALLBACK(&Native::Call<&Native::CreateObject>));
  function("isArray", G_CALLBACK(&Native::Call<&Native::IsArray>));
  function("commandLine", G_CALLBACK(&Native::Call<&Native::CommandLine>));
  function("quit", G_CALLBACK(&Native::Call<&Native::Quit>));
  function("resize", G_CALLBACK(&Native::Call<&Native::Resize>));
  function("move", G_CALLBACK(&Native::Call<&Native::Move>));
  function("report", G_CALLBACK(&Native::Call<&Native::ReportText>));

  JsValue body(jsc_context_evaluate_with_source_uri(
      context_, prelude.data(), static_cast<gssize>(prelude.size()), sourceUri.c_str(), 1));
  if (jsc_context_get_exception(context_) != nullptr) {
    ReportException();
    return false;
  }
  JsValue global(jsc_context_get_global_object(context_));
  JsValue done(jsc_value_function_call(body.get(), JSC_TYPE_VALUE, native.get(), JSC_TYPE_VALUE,
                                       global.get(), G_TYPE_NONE));
  if (jsc_context_get_exception(context_) != nullptr) {
    ReportException();
    return false;
  }
  return true;
}

void PageSession::ReleaseAll() {
  if (released_) return;
  released_ = true;
  queued_.clear();
  // Events that a control raises while it goes away find the session released.
  for (const std::weak_ptr<Slot>& weak : slots_) {
    if (auto slot = weak.lock()) {
      slot->advisory.Disconnect();
      slot->object.Reset();
    }
  }
  slots_.clear();
  wrap_.reset();
  deliver_.reset();
}

void PageSession::ReportException() {
  JSCException* exception = jsc_context_get_exception(context_);
  if (exception == nullptr) return;
  char* text = jsc_exception_report(exception);
  Report(text != nullptr ? text : "script exception");
  g_free(text);
  jsc_context_clear_exception(context_);
}

JsValue PageSession::Undefined() {
  return JsValue(jsc_value_new_undefined(context_));
}

JsValue PageSession::Fault(const Error& error) {
  if (!fault_) return Undefined();
  JsValue description = NewString(context_, error.description);
  JsValue source = NewString(context_, error.source);
  JsValue number(jsc_value_new_number(context_, ScriptNumberOf(error)));
  JsValue made(jsc_value_function_call(fault_.get(), JSC_TYPE_VALUE, number.get(), JSC_TYPE_VALUE,
                                       description.get(), JSC_TYPE_VALUE, source.get(),
                                       G_TYPE_NONE));
  return made ? std::move(made) : Undefined();
}

std::shared_ptr<PageSession::Slot> PageSession::NewSlot(Ref<Dispatch> object) {
  auto slot = std::make_shared<Slot>();
  slot->object = std::move(object);
  // Forget slots whose handles the engine has freed, so the list does not grow with each object.
  std::erase_if(slots_, [](const std::weak_ptr<Slot>& weak) { return weak.expired(); });
  slots_.push_back(slot);
  return slot;
}

JsValue PageSession::NewBoxed(std::unique_ptr<Boxed> boxed) {
  boxed->session = weak_from_this();
  return JsValue(jsc_value_new_object(context_, boxed.release(), class_));
}

PageSession::Boxed* PageSession::BoxedOf(JSCValue* value) {
  if (!jsc_value_is_object(value) || !jsc_value_object_has_property(value, "__self")) {
    return nullptr;
  }
  selfSeen_ = nullptr;
  JsValue ignored(jsc_value_object_invoke_method(value, "__self", G_TYPE_NONE));
  if (jsc_context_get_exception(context_) != nullptr) jsc_context_clear_exception(context_);
  return std::exchange(selfSeen_, nullptr);
}

JsValue PageSession::Wrapped(Ref<Dispatch> object) {
  auto boxed = std::make_unique<Boxed>();
  boxed->slot = NewSlot(std::move(object));
  JsValue handle = NewBoxed(std::move(boxed));
  if (!wrap_) return handle;
  JsValue proxy(jsc_value_function_call(wrap_.get(), JSC_TYPE_VALUE, handle.get(), G_TYPE_NONE));
  return proxy ? std::move(proxy) : Undefined();
}

JsValue PageSession::ToScript(const Variant& given) {
  const Variant& value = given.Deref();
  if (value.IsArray()) {
    auto boxed = std::make_unique<Boxed>();
    boxed->array = value;
    return NewBoxed(std::move(boxed));
  }
  switch (value.Type()) {
    case automation::VarType::Null:
      return JsValue(jsc_value_new_null(context_));
    case automation::VarType::I2:
      return JsValue(jsc_value_new_number(context_, value.AsI2()));
    case automation::VarType::I4:
      return JsValue(jsc_value_new_number(context_, value.AsI4()));
    case automation::VarType::R8:
      return JsValue(jsc_value_new_number(context_, value.AsR8()));
    case automation::VarType::UI1:
      return JsValue(jsc_value_new_number(context_, value.AsUI1()));
    case automation::VarType::Bool:
      return JsValue(jsc_value_new_boolean(context_, value.AsBool()));
    case automation::VarType::String:
      return NewString(context_, value.AsString());
    case automation::VarType::Dispatch:
      if (value.AsObject() == nullptr) return JsValue(jsc_value_new_null(context_));
      return Wrapped(Ref<Dispatch>(value.AsObject()));
    default:
      // Empty, and error values (an omitted argument): nothing the script can use.
      return Undefined();
  }
}

automation::Result<Variant> PageSession::FromScript(JSCValue* value) {
  if (value == nullptr || jsc_value_is_undefined(value)) return Variant();
  if (jsc_value_is_null(value)) return Variant::Null();
  if (jsc_value_is_boolean(value)) return Variant::Bool(jsc_value_to_boolean(value));
  if (jsc_value_is_number(value)) {
    const double number = jsc_value_to_double(value);
    if (number == std::trunc(number) && number >= std::numeric_limits<std::int32_t>::min() &&
        number <= std::numeric_limits<std::int32_t>::max()) {
      return Variant::I4(static_cast<std::int32_t>(number));
    }
    return Variant::R8(number);
  }
  if (jsc_value_is_string(value)) return Variant::String(StringOf(value));
  if (Boxed* boxed = BoxedOf(value)) {
    if (boxed->array.IsArray()) return boxed->array;
    if (boxed->slot && boxed->slot->object) return Variant::Object(boxed->slot->object);
    return automation::MakeError(kErrObjectRequired, u"Object required");
  }
  // A script object, function or date: the controls take none of them.
  return automation::MakeError(automation::kErrTypeMismatch);
}

JsValue PageSession::Create(const std::u16string& classid, const std::u16string& id,
                            JSCValue* params) {
  std::string text = automation::Utf8FromUtf16(classid);
  if (!text.starts_with('{')) text = "{" + text + "}";
  const auto clsid = automation::ParseGuid(text);
  if (!clsid) {
    return Fault(automation::MakeError(automation::kErrCannotCreateObject,
                                       u"The class identifier is no GUID: " + classid));
  }
  auto made = loader_.CreateInstance(*clsid);
  if (!made) return Fault(made.error());
  auto object = automation::QueryInterface<Dispatch>(*made);
  if (!object) {
    return Fault(automation::MakeError(automation::kErrCannotCreateObject,
                                       u"The object has no dispatch interface"));
  }
  std::vector<std::pair<std::u16string, std::u16string>> pairs;
  if (params != nullptr && jsc_value_is_array(params)) {
    for (guint i = 0, n = LengthOf(params); i < n; ++i) {
      JsValue pair(jsc_value_object_get_property_at_index(params, i));
      JsValue name(jsc_value_object_get_property_at_index(pair.get(), 0));
      JsValue value(jsc_value_object_get_property_at_index(pair.get(), 1));
      pairs.emplace_back(StringOf(name.get()), StringOf(value.get()));
    }
  }
  // A control is loaded from its parameters, as the original's object tag loaded it, even when
  // there are none: the control then takes its defaults.
  if (auto control = automation::QueryInterface<automation::Control>(object)) {
    ParamBag bag(std::move(pairs));
    if (automation::Status loaded = control->Load(bag); !loaded) return Fault(loaded.error());
  }
  auto boxed = std::make_unique<Boxed>();
  boxed->slot = NewSlot(object);
  // Its events go to the page's handlers for this id.
  if (auto classInfo = automation::QueryInterface<automation::ProvideClassInfo>(object)) {
    const automation::InterfaceInfo* events = classInfo->GetClassInfo().eventInterface;
    if (events != nullptr && !id.empty()) {
      std::weak_ptr<PageSession> weak = weak_from_this();
      auto sink = automation::MakeEventSink(
          [weak, id, events](automation::DispId event, std::span<Variant> args) {
            auto session = weak.lock();
            if (!session) return automation::Status::Ok();
            return session->OnEvent(id, *events, event, args);
          },
          events);
      auto advisory = automation::Advisory::Connect(*object, events->iid, sink);
      if (!advisory) return Fault(advisory.error());
      boxed->slot->advisory = std::move(advisory).value();
    }
  }
  return NewBoxed(std::move(boxed));
}

JsValue PageSession::CreateObject(const std::u16string& progId) {
  auto made = loader_.CreateObject(progId);
  if (!made) return Fault(made.error());
  // A control made by the script starts as a new control, as a container would start it.
  if (auto control = automation::QueryInterface<automation::Control>(*made)) {
    if (automation::Status s = control->InitNew(); !s) return Fault(s.error());
  }
  auto boxed = std::make_unique<Boxed>();
  boxed->slot = NewSlot(std::move(made).value());
  return NewBoxed(std::move(boxed));
}

JsValue PageSession::Member(Slot& slot, const std::u16string& name) {
  Dispatch& object = *slot.object;
  int kind = kKindNone;
  automation::DispId id = automation::kDispIdUnknown;
  if (const automation::InterfaceInfo* info = object.TypeInfo()) {
    if (const automation::MemberInfo* m = automation::FindMember(*info, name)) {
      id = m->dispId;
      kind = m->kind == automation::MemberKind::Method ? kKindMethod
             : m->params.empty()                       ? kKindProperty
                                                       : kKindIndexed;
    }
  }
  if (kind == kKindNone) {
    // Members beyond the type information (or an object without any) are still found by name.
    if (auto dispId = object.GetIdOfName(name)) {
      id = *dispId;
      kind = kKindUnknown;
    }
  }
  JsValue found(jsc_value_new_object(context_, nullptr, nullptr));
  JsValue kindValue(jsc_value_new_number(context_, kind));
  JsValue idValue(jsc_value_new_number(context_, id));
  jsc_value_object_set_property(found.get(), "kind", kindValue.get());
  jsc_value_object_set_property(found.get(), "id", idValue.get());
  return found;
}

JsValue PageSession::Invoke(Slot& slot, automation::DispId dispId, int flags, JSCValue* arguments) {
  // The object stays alive through the call even if the page lets it go meanwhile.
  Ref<Dispatch> object = slot.object;
  std::vector<Variant> args;
  if (arguments != nullptr && jsc_value_is_array(arguments)) {
    for (guint i = 0, n = LengthOf(arguments); i < n; ++i) {
      JsValue element(jsc_value_object_get_property_at_index(arguments, i));
      auto value = FromScript(element.get());
      if (!value) return Fault(value.error());
      args.push_back(std::move(value).value());
    }
  }
  const InvokeKind kind = flags == 4   ? InvokeKind::PropertyPut
                          : flags == 2 ? InvokeKind::PropertyGet
                                       : InvokeKind::Method;
  // By-reference parameters receive a reference to a copy (a script variable cannot be passed
  // by reference), and the optional ones the script left out are passed as omitted.
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
  ++callDepth_;
  auto result = object->Invoke(dispId, kind, args);
  --callDepth_;
  if (callDepth_ == 0 && !queued_.empty() && !flushScheduled_) {
    flushScheduled_ = true;
    auto ref = std::make_unique<SessionRef>(SessionRef{weak_from_this()});
    g_idle_add_full(G_PRIORITY_DEFAULT, &Native::Flush, ref.release(), &Native::FreeSessionRef);
  }
  if (!result) return Fault(result.error());
  return ToScript(*result);
}

automation::Status PageSession::OnEvent(const std::u16string& controlId,
                                        const automation::InterfaceInfo& events,
                                        automation::DispId id, std::span<Variant> args) {
  if (released_ || !deliver_) return automation::Status::Ok();
  const automation::MemberInfo* event = automation::FindMember(events, id);
  if (event == nullptr) return automation::Status::Ok();
  if (callDepth_ > 0) {
    // Raised inside a member call: the page hears of it once the call and the task that made
    // it are over, with its arguments as they were (nothing goes back by reference then).
    QueuedEvent queued{controlId, std::u16string(event->name), {}};
    for (const Variant& arg : args) queued.args.push_back(arg.Value());
    queued_.push_back(std::move(queued));
    return automation::Status::Ok();
  }
  Deliver(controlId, event->name, args);
  return automation::Status::Ok();
}

void PageSession::FlushQueuedEvents() {
  flushScheduled_ = false;
  std::vector<QueuedEvent> events = std::exchange(queued_, {});
  for (QueuedEvent& queued : events) {
    if (released_) return;
    Deliver(queued.controlId, queued.event, queued.args);
  }
}

void PageSession::Deliver(const std::u16string& controlId, std::u16string_view event,
                          std::span<Variant> args) {
  if (released_ || !deliver_) return;
  GPtrArray* items = g_ptr_array_new_with_free_func(g_object_unref);
  bool writesBack = false;
  for (const Variant& arg : args) {
    g_ptr_array_add(items, ToScript(arg).release());
    writesBack = writesBack || arg.IsByRef();
  }
  JsValue scriptArgs(jsc_value_new_array_from_garray(context_, items));
  g_ptr_array_unref(items);
  JsValue id = NewString(context_, controlId);
  JsValue name = NewString(context_, event);
  JsValue writes(jsc_value_new_boolean(context_, writesBack));
  // The deliver function stays alive through the call even if the page ends inside it.
  JsValue deliver = Retain(deliver_.get());
  JsValue after(jsc_value_function_call(deliver.get(), JSC_TYPE_VALUE, id.get(), JSC_TYPE_VALUE,
                                        name.get(), JSC_TYPE_VALUE, scriptArgs.get(),
                                        JSC_TYPE_VALUE, writes.get(), G_TYPE_NONE));
  if (jsc_context_get_exception(context_) != nullptr) {
    ReportException();
    return;
  }
  if (!writesBack || released_ || !after || !jsc_value_is_array(after.get())) return;
  // What the handlers assigned to a by-reference argument goes back to the raiser, in the type
  // the raiser's variable has.
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (!args[i].IsByRef()) continue;
    JsValue element(jsc_value_object_get_property_at_index(after.get(), static_cast<guint>(i)));
    auto value = FromScript(element.get());
    if (!value) continue;
    Variant& target = args[i].Deref();
    if (target.Type() == value->Type() && target.IsArray() == value->IsArray()) {
      target = std::move(value).value();
    } else if (auto changed = automation::ChangeType(*value, target.Type())) {
      target = std::move(changed).value();
    }
  }
}

}  // namespace pagehost
