#pragma once
// The host's way to library objects: by ProgID ("Quorvane.Winsock") or CLSID ("{...}"),
// through the class registry, dlopen of the recorded library path, DllGetClassObject and the
// class object. Modules stay loaded until the process ends (a module is unloaded by nobody, so
// no object or callback ever outlives its code).
//
// Registration of a module from a host or a test: RegisterModule(path) loads it and calls its
// DllRegisterServer.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "automation/apartment.h"
#include "automation/class_factory.h"
#include "automation/dispatch.h"

namespace automation {

class Loader {
 public:
  // `loop`: the readiness loop of the calling thread that the host pumps, handed to every module
  // that this loader loads; nullptr lets each module make its own, pumped through Pump().
  // The loop must outlive every object made through this loader on it; when the loader goes, the
  // modules stop handing the loop to objects made later on this thread.
  explicit Loader(platform::ReadinessLoop* loop = nullptr) : loop_(loop) {}
  ~Loader();
  Loader(const Loader&) = delete;
  Loader& operator=(const Loader&) = delete;

  // The class object of `clsid` (error 429 when the class is not registered or its module cannot
  // be loaded, with the reason in the description).
  Result<Ref<ClassFactory>> GetClassObject(const Guid& clsid);
  // A new object by ProgID or "{CLSID}" text, as its dispatch interface.
  Result<Ref<Dispatch>> CreateObject(std::u16string_view progIdOrClsid);
  Result<Ref<Unknown>> CreateInstance(const Guid& clsid);

  // Runs the modules' own loops of this thread once (when the host gave no loop): waits up to
  // `timeout` in total. Returns the callbacks run.
  int Pump(std::chrono::milliseconds timeout);

 private:
  platform::ReadinessLoop* loop_;
  std::vector<Apartment*> bound_;  // the module apartments given loop_
};

// The address of export `name` of the module at `path` (loaded if it is not yet), for a host that
// needs more of a module than its class objects (its resource lookup, for instance).
Result<void*> ModuleExport(const std::string& path, const char* name);

// Loads the module at `path` and calls its DllRegisterServer / DllUnregisterServer.
Status RegisterModule(const std::string& path);
Status UnregisterModule(const std::string& path);

}  // namespace automation
