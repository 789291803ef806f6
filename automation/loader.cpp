#include "automation/loader.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "automation/class_registry.h"
#include "automation/text.h"
#include "platform/shared_library.h"

namespace automation {
namespace {

struct Module {
  platform::OpenedLibrary library;
  DllGetClassObjectFunction getClassObject = nullptr;
  Apartment* apartment = nullptr;  // found with the first class object
};

// The modules loaded by this process's loaders, by path. They are never unloaded: a module's
// code must outlive every object, callback and thread of it, and the process end frees them.
std::mutex modulesLock;
std::map<std::string, Module>& Modules() {
  static std::map<std::string, Module> modules;
  return modules;
}

Error CannotCreate(std::u16string why) {
  return MakeError(kErrCannotCreateObject,
                   StandardDescription(kErrCannotCreateObject) + u": " + why);
}

Result<platform::OpenedLibrary> Open(const std::string& path) {
  // Each module keeps its own copy of this layer; modules meet only through interfaces and the
  // exports.
  auto opened = platform::OpenLibrary(path);
  if (auto* failure = std::get_if<platform::LibraryFailure>(&opened)) {
    return CannotCreate(Utf16FromUtf8(failure->why));
  }
  return std::get<platform::OpenedLibrary>(opened);
}

Result<Module*> LoadModule(const std::string& path) {
  std::lock_guard lock(modulesLock);
  auto& modules = Modules();
  auto found = modules.find(path);
  if (found != modules.end()) return &found->second;
  auto handle = Open(path);
  if (!handle) return handle.error();
  auto get = reinterpret_cast<DllGetClassObjectFunction>(
      platform::LibrarySymbol(*handle, "DllGetClassObject"));
  if (get == nullptr) {
    platform::CloseLibrary(*handle);
    return CannotCreate(u"no DllGetClassObject in " + Utf16FromUtf8(path));
  }
  Module& module = modules[path];
  module.library = *handle;
  module.getClassObject = get;
  return &module;
}

Status CallExport(const std::string& path, const char* name) {
  auto handle = Open(path);
  if (!handle) return handle.error();
  using Function = HResult (*)();
  auto function = reinterpret_cast<Function>(platform::LibrarySymbol(*handle, name));
  if (function == nullptr) {
    platform::CloseLibrary(*handle);
    return CannotCreate(u"no " + Utf16FromUtf8(name) + u" in " + Utf16FromUtf8(path));
  }
  HResult result = function();
  // The handle stays open: a module is never unloaded (see above).
  if (result != kOk) {
    Error error = MakeError(kErrCannotCreateObject, Utf16FromUtf8(name) + u" failed");
    error.scode = result;
    return error;
  }
  return Status::Ok();
}

}  // namespace

Loader::~Loader() {
  for (Apartment* apartment : bound_) apartment->UnbindLoop(loop_);
}

Result<Ref<ClassFactory>> Loader::GetClassObject(const Guid& clsid) {
  auto registration = FindClass(clsid);
  if (!registration)
    return CannotCreate(u"class not registered " + Utf16FromUtf8(FormatGuid(clsid)));
  auto module = LoadModule(registration->modulePath);
  if (!module) return module.error();
  void* out = nullptr;
  HResult result = (*module)->getClassObject(&clsid, &ClassFactory::kIid, &out);
  if (result != kOk || out == nullptr) {
    Error error = CannotCreate(u"DllGetClassObject refused the class");
    error.scode = result;
    return error;
  }
  auto factory = Ref<ClassFactory>::Adopt(static_cast<ClassFactory*>(out));
  auto apartment = QueryInterface<Apartment>(factory);
  if (apartment) {
    {
      std::lock_guard lock(modulesLock);
      (*module)->apartment = apartment.get();
    }
    if (loop_) {
      apartment->BindLoop(loop_);
      if (std::find(bound_.begin(), bound_.end(), apartment.get()) == bound_.end()) {
        bound_.push_back(apartment.get());
      }
    }
  }
  return factory;
}

Result<Ref<Unknown>> Loader::CreateInstance(const Guid& clsid) {
  auto factory = GetClassObject(clsid);
  if (!factory) return factory.error();
  return (*factory)->CreateInstance();
}

Result<Ref<Dispatch>> Loader::CreateObject(std::u16string_view progIdOrClsid) {
  std::string text = Utf8FromUtf16(progIdOrClsid);
  std::optional<Guid> clsid =
      !text.empty() && text.front() == '{' ? ParseGuid(text) : ClsidFromProgId(text);
  if (!clsid) {
    if (auto problem = ClassRegistryProblem()) {
      return CannotCreate(u"the class registry cannot be read: " + Utf16FromUtf8(*problem));
    }
    return CannotCreate(u"no class " + std::u16string(progIdOrClsid));
  }
  auto object = CreateInstance(*clsid);
  if (!object) return object.error();
  auto dispatch = QueryInterface<Dispatch>(*object);
  if (!dispatch) return CannotCreate(u"the object has no dispatch interface");
  return dispatch;
}

int Loader::Pump(std::chrono::milliseconds timeout) {
  std::vector<Apartment*> apartments;
  {
    std::lock_guard lock(modulesLock);
    for (auto& [path, module] : Modules()) {
      if (module.apartment) apartments.push_back(module.apartment);
    }
  }
  int ran = 0;
  for (Apartment* apartment : apartments) {
    ran += apartment->Pump(timeout);
    timeout = std::chrono::milliseconds(0);
  }
  return ran;
}

Result<void*> ModuleExport(const std::string& path, const char* name) {
  auto handle = Open(path);
  if (!handle) return handle.error();
  void* address = platform::LibrarySymbol(*handle, name);
  // The handle stays open: a module is never unloaded.
  if (address == nullptr) {
    return CannotCreate(u"no " + Utf16FromUtf8(name) + u" in " + Utf16FromUtf8(path));
  }
  return address;
}

Status RegisterModule(const std::string& path) {
  return CallExport(path, "DllRegisterServer");
}

Status UnregisterModule(const std::string& path) {
  return CallExport(path, "DllUnregisterServer");
}

}  // namespace automation
