#include "platform/automation/module_path.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

namespace platform::automation {

std::string ModulePathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved) == nullptr) return info.dli_fname;
  return resolved;
}

}  // namespace platform::automation
