#include "platform/clock.h"

#include <time.h>

namespace platform {
namespace {

class SystemLocalClock final : public Clock {
 public:
  LocalTime Now() const override {
    time_t now = time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    return LocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                     local.tm_hour,        local.tm_min,     local.tm_sec};
  }
};

}  // namespace

const Clock& SystemClock() {
  static const SystemLocalClock clock;
  return clock;
}

}  // namespace platform
