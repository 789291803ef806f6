#include "core/build_info.h"

namespace core {

// Changed here only: the about boxes read it.
extern const char kKitVersion[] = "2.00";
}  // namespace core
