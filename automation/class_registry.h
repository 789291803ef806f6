#pragma once
// The class registry: which library module serves which class, kept as private-profile files
// "commtestkit/classes.reg" in the XDG data folders: the user's own under $XDG_DATA_HOME (default
// ~/.local/share), which registration writes, and the system's under each folder of
// $XDG_DATA_DIRS (default /usr/local/share:/usr/share), which an installed package ships. A lookup
// takes an entry from the first file that has it, the user's first, so a user's registration
// wins over the system's. The sections read like the original platform's registry keys:
//
//   [CLSID\{guid}]                 @=class name
//   [CLSID\{guid}\InprocServer32]  @=library path, ThreadingModel=Apartment
//   [CLSID\{guid}\ProgID]          @=Quorvane.Winsock
//   [CLSID\{guid}\Control]         (present for controls)
//   [CLSID\{guid}\MiscStatus\1]    @=132497
//   [CLSID\{guid}\ToolboxBitmap32] @=library path, 30001
//   [CLSID\{guid}\TypeLib]         @={libid}
//   [CLSID\{guid}\Version]         @=17.0
//   [Quorvane.Winsock\CLSID]       @={guid}
//   [TypeLib\{libid}\17.0]         @=Quorvane
//   [TypeLib\{libid}\17.0\0\linux] @=library path
//   [TypeLib\{libid}\17.0\FLAGS]   @=2
//   [Interface\{iid}]              @=_Winsock   (and its TypeLib key)
//
// "@" is the key's default value. Unregistration removes exactly the sections that registration
// wrote.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/error.h"
#include "automation/guid.h"

namespace automation {

// The user's registry file: $XDG_DATA_HOME (or $HOME/.local/share) + "/commtestkit/classes.reg".
// Registration writes here only.
std::string ClassRegistryPath();

// The files a lookup reads, in order: the user's, then "<folder>/commtestkit/classes.reg" for each
// absolute folder of $XDG_DATA_DIRS (/usr/local/share:/usr/share when unset or empty).
std::vector<std::string> ClassRegistrySearchPaths();

struct ClassRegistration {
  Guid clsid;
  std::string name;        // "Winsock"
  std::string progId;      // "Quorvane.Winsock"
  std::string modulePath;  // the library file, absolute
  std::string threadingModel = "Apartment";
  bool control = false;
  std::optional<std::uint32_t> miscStatus;  // for controls
  std::optional<int> toolboxBitmap;         // resource number in the module
  std::optional<Guid> typeLib;
  std::string typeLibVersion;  // "17.0"
};

struct InterfaceRegistration {
  Guid iid;
  std::string name;
  Guid typeLib;
  std::string typeLibVersion;
};

struct TypeLibRegistration {
  Guid libid;
  std::string version;  // "17.0"
  std::uint32_t lcid = 0;
  std::string name;
  std::string modulePath;
  std::uint32_t flags = 0;  // 2: contains controls
};

// Writes the entries (creating the folder and file). Error 75 (path/file access) when the
// registry cannot be written.
Status RegisterClass(const ClassRegistration& registration);
Status RegisterInterface(const InterfaceRegistration& registration);
Status RegisterTypeLib(const TypeLibRegistration& registration);
// Removes what the Register function of the same entry wrote; removing what is not there
// succeeds.
Status UnregisterClass(const Guid& clsid, std::string_view progId);
Status UnregisterInterface(const Guid& iid);
Status UnregisterTypeLib(const Guid& libid, std::string_view version, std::uint32_t lcid);

// Lookups.
std::optional<Guid> ClsidFromProgId(std::string_view progId);

// Why the registry cannot be read (it is there but is no regular file: a FIFO, a folder, ...);
// nothing when it can, or when there is none. Lookups find nothing in a registry that cannot be
// read, and never wait on it.
std::optional<std::string> ClassRegistryProblem();
std::optional<ClassRegistration> FindClass(const Guid& clsid);
std::optional<TypeLibRegistration> FindTypeLib(const Guid& libid, std::string_view version);

}  // namespace automation
