#pragma once
// One document's controls and objects, and the native side of its prelude. A session begins
// when the page's window object is made for a new document and ends when the document is left
// (another page, a reload) or the window closes; its end releases every control and object the
// page made, even those the page's script still holds: their handles then answer error 424.
//
// Everything runs on the web process's main thread, the thread of the page's script and of the
// controls' readiness loop.

#include <jsc/jsc.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/connection_point.h"
#include "automation/loader.h"
#include "pagehost/extension/js_value.h"
#include "pagehost/extension/view_channel.h"

namespace pagehost {

class PageSession : public std::enable_shared_from_this<PageSession> {
 public:
  PageSession(JSCContext* context, automation::Loader& loader, std::string commandLine,
              ViewChannel& view);
  ~PageSession();
  PageSession(const PageSession&) = delete;
  PageSession& operator=(const PageSession&) = delete;

  // Makes the native side and runs the prelude (the text of page_prelude.js) as the source
  // `sourceUri`: an address of the page's own origin, so that the engine reports the errors
  // raised in it to the page in full. False when the prelude failed, with the reason on
  // standard error.
  bool Install(std::string_view prelude, const std::string& sourceUri);

  // Releases every control and object of the page; nothing of the page runs after it.
  void ReleaseAll();

  struct Native;  // the callbacks the engine calls
  struct Slot;    // one object the page holds
  struct Boxed;   // what a script value of ours carries

 private:
  friend struct Native;

  // Conversions between script values and Variants.
  JsValue ToScript(const automation::Variant& value);
  automation::Result<automation::Variant> FromScript(JSCValue* value);
  // The Boxed behind a script value of ours, or nullptr.
  Boxed* BoxedOf(JSCValue* value);
  JsValue NewBoxed(std::unique_ptr<Boxed> boxed);
  JsValue Wrapped(automation::Ref<automation::Dispatch> object);
  JsValue Fault(const automation::Error& error);
  JsValue Undefined();

  JsValue Create(const std::u16string& classid, const std::u16string& id, JSCValue* params);
  JsValue CreateObject(const std::u16string& progId);
  JsValue Member(Slot& slot, const std::u16string& name);
  JsValue Invoke(Slot& slot, automation::DispId id, int flags, JSCValue* args);
  automation::Status OnEvent(const std::u16string& controlId,
                             const automation::InterfaceInfo& events, automation::DispId id,
                             std::span<automation::Variant> args);
  void Deliver(const std::u16string& controlId, std::u16string_view event,
               std::span<automation::Variant> args);
  void FlushQueuedEvents();
  void ReportException();
  std::shared_ptr<Slot> NewSlot(automation::Ref<automation::Dispatch> object);

  JSCContext* context_;
  automation::Loader& loader_;
  std::string commandLine_;
  ViewChannel& view_;
  JSCClass* class_ = nullptr;  // owned by the context
  JsValue fault_;
  JsValue wrap_;
  JsValue deliver_;
  std::vector<std::weak_ptr<Slot>> slots_;
  bool released_ = false;
  int callDepth_ = 0;  // member calls in progress
  Boxed* selfSeen_ = nullptr;

  struct QueuedEvent {
    std::u16string controlId;
    std::u16string event;
    std::vector<automation::Variant> args;
  };
  std::vector<QueuedEvent> queued_;
  bool flushScheduled_ = false;
};

}  // namespace pagehost
