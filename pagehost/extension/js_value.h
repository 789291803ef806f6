#pragma once
// Owned references to script values of the page's engine, and the conversions of text between
// the engine (UTF-8) and the automation layer (UTF-16).

#include <jsc/jsc.h>

#include <memory>
#include <string>

namespace pagehost {

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
using JsValue = std::unique_ptr<JSCValue, GObjectUnref>;

// A new reference to `value` (borrowed from the engine's argument arrays).
inline JsValue Retain(JSCValue* value) {
  return JsValue(value == nullptr ? nullptr : static_cast<JSCValue*>(g_object_ref(value)));
}

// A script string from UTF-16, NUL characters included.
JsValue NewString(JSCContext* context, std::u16string_view text);
// The text of a script value, as the engine converts it to a string; NUL characters included.
std::u16string StringOf(JSCValue* value);

}  // namespace pagehost
