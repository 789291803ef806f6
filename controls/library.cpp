// The library module: its class objects, its registration in the class registry and its
// exports. Only the functions marked for export are visible outside the module.

#include <cstring>

#include "automation/apartment.h"
#include "automation/class_factory.h"
#include "automation/class_registry.h"
#include "automation/module_path.h"
#include "automation/text.h"
#include "components/comm/comm_dispatch.h"
#include "components/socket/socket_dispatch.h"
#include "controls/control_classes.h"
#include "controls/identity.h"
#include "controls/resources.h"
#include "controls/type_library.h"

namespace controls {
namespace {

namespace automation = automation;
using automation::Guid;
using automation::HResult;
using automation::Ref;
using automation::Result;
using automation::Status;

Result<Ref<automation::Unknown>> CreateSocketComponentObject() {
  auto component = components::CreateSocketComponent(automation::CurrentReadinessLoop());
  if (!component) return component.error();
  return Ref<automation::Unknown>(std::move(component).value());
}

Result<Ref<automation::Unknown>> CreateCommComponentObject() {
  auto component = components::CreateCommComponent(automation::CurrentReadinessLoop());
  if (!component) return component.error();
  return Ref<automation::Unknown>(std::move(component).value());
}

struct LibraryClass {
  Guid clsid;
  std::string_view name;
  std::string_view progId;
  bool control;
  int toolboxBitmap;
  automation::Result<Ref<automation::Unknown>> (*create)();
};

// The two controls, and the components inside them, which the controls create by ProgID.
const LibraryClass kClasses[] = {
    {kWinsockClsid, "Winsock", kWinsockProgId, true, kWinsockBitmap, &CreateWinsockControl},
    {kMSCommClsid, "MSComm", kMSCommProgId, true, kMSCommBitmap, &CreateMSCommControl},
    {components::winsock::members::kClsid, "SocketComponent", "CommTestKit.SocketComponent", false,
     0, &CreateSocketComponentObject},
    {components::comm::members::kClsid, "CommComponent", "CommTestKit.CommComponent", false, 0,
     &CreateCommComponentObject},
};

std::string ThisModulePath();

Status RegisterAll() {
  std::string path = ThisModulePath();
  if (path.empty()) return automation::MakeError(automation::kErrFileNotFound);
  std::string version(kTypeLibVersion);
  if (Status s =
          automation::RegisterTypeLib({kLibId, version, kTypeLibLcid, std::string(kLibraryName),
                                       path, automation::kLibraryControl});
      !s) {
    return s;
  }
  for (const automation::InterfaceInfo* info : QuorvaneTypeLib().interfaces) {
    if (Status s = automation::RegisterInterface(
            {info->iid, automation::Utf8FromUtf16(info->name), kLibId, version});
        !s) {
      return s;
    }
  }
  for (const LibraryClass& c : kClasses) {
    automation::ClassRegistration r;
    r.clsid = c.clsid;
    r.name = std::string(c.name);
    r.progId = std::string(c.progId);
    r.modulePath = path;
    r.control = c.control;
    if (c.control) {
      r.miscStatus = kMiscStatus;
      r.toolboxBitmap = c.toolboxBitmap;
      r.typeLib = kLibId;
      r.typeLibVersion = version;
    }
    if (Status s = automation::RegisterClass(r); !s) return s;
  }
  return Status::Ok();
}

Status UnregisterAll() {
  for (const LibraryClass& c : kClasses) {
    if (Status s = automation::UnregisterClass(c.clsid, c.progId); !s) return s;
  }
  for (const automation::InterfaceInfo* info : QuorvaneTypeLib().interfaces) {
    if (Status s = automation::UnregisterInterface(info->iid); !s) return s;
  }
  return automation::UnregisterTypeLib(kLibId, kTypeLibVersion, kTypeLibLcid);
}

}  // namespace
}  // namespace controls

#define QUORVANE_EXPORT extern "C" __attribute__((visibility("default")))

using automation::Guid;
using automation::HResult;

QUORVANE_EXPORT HResult DllGetClassObject(const Guid* clsid, const Guid* iid, void** out) {
  if (clsid == nullptr) return automation::kPointer;
  for (const controls::LibraryClass& c : controls::kClasses) {
    if (c.clsid == *clsid) {
      return automation::ProvideClassObject(automation::MakeClassFactory(c.create), iid, out);
    }
  }
  if (out) *out = nullptr;
  return automation::kClassNotAvailable;
}

QUORVANE_EXPORT HResult DllCanUnloadNow() {
  return automation::LiveObjects() == 0 ? automation::kOk : automation::kFalse;
}

QUORVANE_EXPORT HResult DllRegisterServer() {
  return controls::RegisterAll() ? automation::kOk : automation::kRegisterClassFailed;
}

QUORVANE_EXPORT HResult DllUnregisterServer() {
  return controls::UnregisterAll() ? automation::kOk : automation::kRegisterClassFailed;
}

// The library's resource lookup: the resource's bytes and size, or kFail when there is none.
// The bytes live as long as the module.
QUORVANE_EXPORT HResult DllFindResource(const char* type, const char* name, const void** data,
                                        std::size_t* size) {
  if (type == nullptr || name == nullptr || data == nullptr || size == nullptr) {
    return automation::kPointer;
  }
  auto found = controls::FindLibraryResource(type, name);
  if (!found) return automation::kFail;
  *data = found->data();
  *size = found->size();
  return automation::kOk;
}

namespace controls {
namespace {
std::string ThisModulePath() {
  return automation::ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer));
}
}  // namespace
}  // namespace controls
