#pragma once
// The kit's version, one for both tools, shown in their about boxes.

namespace core {

extern const char kKitVersion[];

}  // namespace core
