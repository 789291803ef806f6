// quorvane-register: registers a control library in the per-user class registry (its
// DllRegisterServer), or with -u removes it again (its DllUnregisterServer).

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "automation/class_registry.h"
#include "automation/loader.h"
#include "automation/text.h"

namespace {

int Usage(const char* reason) {
  if (reason != nullptr) std::fprintf(stderr, "quorvane-register: %s\n", reason);
  std::fprintf(reason != nullptr ? stderr : stdout,
               "usage: quorvane-register [-u] path/to/Quorvane.so\n");
  return reason != nullptr ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0) {
      unregister = true;
    } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
      return Usage(nullptr);
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return Usage((std::string("unknown option ") + argv[i]).c_str());
    } else if (path == nullptr) {
      path = argv[i];
    } else {
      return Usage("give one library file");
    }
  }
  if (path == nullptr) return Usage("no library file given");

  // The registry records the library by its absolute path; a bare name would also make the
  // loader search the system's library folders instead of this one.
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error || !std::filesystem::is_regular_file(absolute, error)) {
    std::fprintf(stderr, "quorvane-register: %s: no such library file\n", path);
    return 1;
  }
  const std::string modulePath = absolute.lexically_normal().string();
  automation::Status status = unregister ? automation::UnregisterModule(modulePath)
                                         : automation::RegisterModule(modulePath);
  if (!status) {
    std::fprintf(stderr, "quorvane-register: %s %s failed: %s\n",
                 unregister ? "unregistering" : "registering", modulePath.c_str(),
                 automation::Utf8FromUtf16(status.error().description).c_str());
    return 1;
  }
  std::printf("%s %s %s %s\n", unregister ? "unregistered" : "registered", modulePath.c_str(),
              unregister ? "from" : "in", automation::ClassRegistryPath().c_str());
  return 0;
}
