#pragma once
// The path of the loaded module (library or program) that holds an address.

#include <string>

namespace platform::automation {

// Absolute path of the module containing `address`; empty when it cannot be found.
std::string ModulePathOf(const void* address);

}  // namespace platform::automation
