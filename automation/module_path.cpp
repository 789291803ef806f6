#include "automation/module_path.h"

#include "platform/shared_library.h"

namespace automation {

std::string ModulePathOf(const void* address) {
  return platform::ModulePathOf(address);
}

}  // namespace automation
