#include "pagehost/extension/js_value.h"

#include "automation/text.h"

namespace pagehost {

JsValue NewString(JSCContext* context, std::u16string_view text) {
  const std::string utf8 = automation::Utf8FromUtf16(text);
  GBytes* bytes = g_bytes_new(utf8.data(), utf8.size());
  JsValue value(jsc_value_new_string_from_bytes(context, bytes));
  g_bytes_unref(bytes);
  return value;
}

std::u16string StringOf(JSCValue* value) {
  GBytes* bytes = jsc_value_to_string_as_bytes(value);
  if (bytes == nullptr) return {};
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  std::u16string text = automation::Utf16FromUtf8(std::string_view(data, size));
  g_bytes_unref(bytes);
  return text;
}

}  // namespace pagehost
