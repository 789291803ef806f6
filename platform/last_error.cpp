#include "platform/last_error.h"

#include <locale.h>
#include <string.h>

#include <cerrno>

#include "platform/cp932.h"

namespace platform {
namespace {

thread_local int lastError = 0;

// The user's locale for message texts, made once from the environment so that the text does not
// depend on whether someone called setlocale. Falls back to the C locale.
locale_t MessageLocale() {
  static const locale_t locale = [] {
    locale_t made = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
    if (made == static_cast<locale_t>(0))
      made = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return made;
  }();
  return locale;
}

}  // namespace

int LastError() {
  return lastError;
}

void SetLastError(int code) {
  lastError = code;
}

bool FailWithErrno() {
  lastError = errno;
  return false;
}

std::string SystemMessageText(int code) {
  locale_t locale = MessageLocale();
  const char* text = locale != static_cast<locale_t>(0) ? strerror_l(code, locale) : strerror(code);
  // Debian's locales are UTF-8 (or plain ASCII in the C locale), so the text is UTF-8.
  std::string utf8 = text ? text : "";
  while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r')) utf8.pop_back();
  return Utf8ToCp932(utf8);
}

}  // namespace platform
