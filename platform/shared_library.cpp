#include "platform/shared_library.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "platform/files.h"
#include "platform/last_error.h"

namespace platform {

std::variant<OpenedLibrary, LibraryFailure> OpenLibrary(const std::string& path) {
  // The system loader opens and reads a FIFO, waiting for as long as nobody writes to it; a
  // path (rather than a name searched for) must name a regular file before it is handed over.
  if (path.find('/') != std::string::npos && !File::IsRegularFile(path)) {
    return LibraryFailure{path + ": " + SystemMessageText(LastError())};
  }
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* why = ::dlerror();
    return LibraryFailure{why ? why : path};
  }
  return OpenedLibrary{handle};
}

void* LibrarySymbol(OpenedLibrary library, const char* name) {
  return ::dlsym(library.handle, name);
}

void CloseLibrary(OpenedLibrary library) {
  if (library.handle) ::dlclose(library.handle);
}

std::string ModulePathOf(const void* address) {
  Dl_info info{};
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved) == nullptr) return info.dli_fname;
  return resolved;
}

}  // namespace platform
