#include "automation/class_registry.h"

#include <cerrno>
#include <cstdlib>

#include "automation/text.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/profile.h"

namespace automation {
namespace {

constexpr std::string_view kDefault = "@";
// What reading gives for a key that is not there: no registry value can hold this byte.
constexpr std::string_view kAbsent = "\x01";

constexpr int kErrPathFileAccess = 75;

std::string ClassKey(const Guid& clsid) {
  return "CLSID\\" + FormatGuid(clsid);
}

std::string TypeLibKey(const Guid& libid, std::string_view version) {
  return "TypeLib\\" + FormatGuid(libid) + "\\" + std::string(version);
}

// The subkeys that class registration writes below CLSID\{clsid}.
constexpr std::string_view kClassSubkeys[] = {
    "\\InprocServer32", "\\ProgID",     "\\Control",
    "\\MiscStatus\\1",  "\\MiscStatus", "\\ToolboxBitmap32",
    "\\TypeLib",        "\\Version",    ""};

Error RegistryError() {
  int code = platform::LastError();
  return MakeError(kErrPathFileAccess, Utf16FromCp932(platform::SystemMessageText(code)));
}

// Creates the folders of the registry file's path, one by one.
bool CreateFoldersFor(const std::string& file) {
  std::size_t slash = file.find('/', 1);
  while (slash != std::string::npos) {
    std::string folder = file.substr(0, slash);
    if (!platform::CreateFolder(folder) && platform::LastError() != EEXIST) return false;
    slash = file.find('/', slash + 1);
  }
  return true;
}

// Writes the key lines in order; stops at the first that fails.
class Writer {
 public:
  Writer() : path_(ClassRegistryPath()) { ok_ = CreateFoldersFor(path_); }
  void Set(const std::string& section, std::string_view key, std::string_view value) {
    if (ok_) ok_ = platform::WriteProfileString(section, key, value, path_);
  }
  void Remove(const std::string& section) {
    if (ok_) ok_ = platform::DeleteProfileSection(section, path_);
  }
  Status Done() const { return ok_ ? Status::Ok() : Status(RegistryError()); }

 private:
  std::string path_;
  bool ok_ = true;
};

// A registry that is absent reads as empty; one that is there but no regular file is not read.
bool Readable(const std::string& path) {
  return platform::File::IsRegularFile(path) || platform::LastError() == ENOENT;
}

std::optional<std::string> Read(const std::string& file, const std::string& section,
                                std::string_view key) {
  std::string value = platform::GetProfileString(section, key, kAbsent, file);
  if (value == kAbsent) return std::nullopt;
  return value;
}

// The first registry file that holds the key, with the key's value. The rest of an entry is read
// from the same file, so that an entry never mixes the user's registration with the system's.
struct Found {
  std::string file;
  std::string value;
};
std::optional<Found> FindFirst(const std::string& section, std::string_view key) {
  for (std::string& file : ClassRegistrySearchPaths()) {
    if (!Readable(file)) continue;
    if (auto value = Read(file, section, key)) return Found{std::move(file), std::move(*value)};
  }
  return std::nullopt;
}

}  // namespace

std::string ClassRegistryPath() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (dataHome != nullptr && dataHome[0] == '/') {
    base = dataHome;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.local/share";
  }
  return base + "/commtestkit/classes.reg";
}

std::vector<std::string> ClassRegistrySearchPaths() {
  std::vector<std::string> paths{ClassRegistryPath()};
  const char* dataDirs = std::getenv("XDG_DATA_DIRS");
  std::string_view folders =
      dataDirs != nullptr && dataDirs[0] != '\0' ? dataDirs : "/usr/local/share:/usr/share";
  while (!folders.empty()) {
    std::size_t colon = folders.find(':');
    std::string_view folder = folders.substr(0, colon);
    // A relative folder is not a base directory at all and is skipped.
    if (!folder.empty() && folder.front() == '/') {
      paths.push_back(std::string(folder) + "/commtestkit/classes.reg");
    }
    folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
  }
  return paths;
}

Status RegisterClass(const ClassRegistration& r) {
  Writer w;
  std::string key = ClassKey(r.clsid);
  w.Set(key, kDefault, r.name);
  w.Set(key + "\\InprocServer32", kDefault, r.modulePath);
  w.Set(key + "\\InprocServer32", "ThreadingModel", r.threadingModel);
  w.Set(key + "\\ProgID", kDefault, r.progId);
  if (r.control) w.Set(key + "\\Control", kDefault, "");
  if (r.miscStatus) {
    w.Set(key + "\\MiscStatus", kDefault, "0");
    w.Set(key + "\\MiscStatus\\1", kDefault, std::to_string(*r.miscStatus));
  }
  if (r.toolboxBitmap) {
    w.Set(key + "\\ToolboxBitmap32", kDefault,
          r.modulePath + ", " + std::to_string(*r.toolboxBitmap));
  }
  if (r.typeLib) {
    w.Set(key + "\\TypeLib", kDefault, FormatGuid(*r.typeLib));
    w.Set(key + "\\Version", kDefault, r.typeLibVersion);
  }
  w.Set(r.progId, kDefault, r.name);
  w.Set(r.progId + "\\CLSID", kDefault, FormatGuid(r.clsid));
  return w.Done();
}

Status UnregisterClass(const Guid& clsid, std::string_view progId) {
  Writer w;
  std::string key = ClassKey(clsid);
  for (std::string_view subkey : kClassSubkeys) w.Remove(key + std::string(subkey));
  if (!progId.empty()) {
    w.Remove(std::string(progId) + "\\CLSID");
    w.Remove(std::string(progId));
  }
  return w.Done();
}

Status RegisterInterface(const InterfaceRegistration& r) {
  Writer w;
  std::string key = "Interface\\" + FormatGuid(r.iid);
  w.Set(key, kDefault, r.name);
  w.Set(key + "\\TypeLib", kDefault, FormatGuid(r.typeLib));
  w.Set(key + "\\TypeLib", "Version", r.typeLibVersion);
  return w.Done();
}

Status UnregisterInterface(const Guid& iid) {
  Writer w;
  std::string key = "Interface\\" + FormatGuid(iid);
  w.Remove(key + "\\TypeLib");
  w.Remove(key);
  return w.Done();
}

Status RegisterTypeLib(const TypeLibRegistration& r) {
  Writer w;
  std::string key = TypeLibKey(r.libid, r.version);
  w.Set(key, kDefault, r.name);
  w.Set(key + "\\" + std::to_string(r.lcid) + "\\linux", kDefault, r.modulePath);
  w.Set(key + "\\FLAGS", kDefault, std::to_string(r.flags));
  return w.Done();
}

Status UnregisterTypeLib(const Guid& libid, std::string_view version, std::uint32_t lcid) {
  Writer w;
  std::string key = TypeLibKey(libid, version);
  w.Remove(key + "\\" + std::to_string(lcid) + "\\linux");
  w.Remove(key + "\\FLAGS");
  w.Remove(key);
  return w.Done();
}

std::optional<std::string> ClassRegistryProblem() {
  const std::string path = ClassRegistryPath();
  if (Readable(path)) return std::nullopt;
  return path + ": " + platform::SystemMessageText(platform::LastError());
}

std::optional<Guid> ClsidFromProgId(std::string_view progId) {
  if (progId.empty()) return std::nullopt;
  auto text = FindFirst(std::string(progId) + "\\CLSID", kDefault);
  if (!text) return std::nullopt;
  return ParseGuid(text->value);
}

std::optional<ClassRegistration> FindClass(const Guid& clsid) {
  std::string key = ClassKey(clsid);
  auto path = FindFirst(key + "\\InprocServer32", kDefault);
  if (!path) return std::nullopt;
  const std::string& file = path->file;
  ClassRegistration r;
  r.clsid = clsid;
  r.name = Read(file, key, kDefault).value_or("");
  r.modulePath = path->value;
  r.threadingModel = Read(file, key + "\\InprocServer32", "ThreadingModel").value_or("");
  r.progId = Read(file, key + "\\ProgID", kDefault).value_or("");
  r.control = Read(file, key + "\\Control", kDefault).has_value();
  if (auto misc = Read(file, key + "\\MiscStatus\\1", kDefault)) {
    r.miscStatus = static_cast<std::uint32_t>(std::strtoul(misc->c_str(), nullptr, 10));
  }
  if (auto bitmap = Read(file, key + "\\ToolboxBitmap32", kDefault)) {
    std::size_t comma = bitmap->rfind(',');
    if (comma != std::string::npos) r.toolboxBitmap = std::atoi(bitmap->c_str() + comma + 1);
  }
  if (auto lib = Read(file, key + "\\TypeLib", kDefault)) r.typeLib = ParseGuid(*lib);
  r.typeLibVersion = Read(file, key + "\\Version", kDefault).value_or("");
  return r;
}

std::optional<TypeLibRegistration> FindTypeLib(const Guid& libid, std::string_view version) {
  std::string key = TypeLibKey(libid, version);
  auto name = FindFirst(key, kDefault);
  if (!name) return std::nullopt;
  const std::string& file = name->file;
  TypeLibRegistration r;
  r.libid = libid;
  r.version = std::string(version);
  r.name = name->value;
  r.modulePath = Read(file, key + "\\0\\linux", kDefault).value_or("");
  r.flags = static_cast<std::uint32_t>(
      std::strtoul(Read(file, key + "\\FLAGS", kDefault).value_or("0").c_str(), nullptr, 10));
  return r;
}

}  // namespace automation
