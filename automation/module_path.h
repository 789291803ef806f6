#pragma once
// The path of the loaded module (library or program) that holds an address: what a module
// writes into the class registry when it registers itself.

#include <string>

namespace automation {

// Absolute path of the module containing `address`; empty when it cannot be found.
std::string ModulePathOf(const void* address);

}  // namespace automation
