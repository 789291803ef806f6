// WScript.Shell's SpecialFolders: "Desktop", "MyDocuments" and "Templates" from the XDG user
// folders; every other name is an empty text.

#include "automation/enumerator.h"
#include "hostobjects/shell_parts.h"
#include "platform/environment.h"
#include "platform/files.h"

namespace hostobjects {
namespace {

// A folder of the XDG user folders (user-dirs.dirs), or its default under the home folder.
std::string UserFolder(const std::string& key, const std::string& fallback) {
  const std::string home = platform::EnvironmentValue("HOME").value_or("");
  std::string config = platform::EnvironmentValue("XDG_CONFIG_HOME").value_or("");
  if (config.empty()) config = home + "/.config";
  platform::File file =
      platform::File::Open(config + "/user-dirs.dirs", platform::File::Mode::Read);
  std::string text;
  if (file.IsOpen()) {
    char buffer[8192];
    const long got = file.ReadUpTo(buffer, sizeof buffer);
    if (got > 0) text.assign(buffer, static_cast<std::size_t>(got));
  }
  const std::string wanted = "XDG_" + key + "_DIR=\"";
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (!line.starts_with(wanted) || line.size() < wanted.size() + 1 || line.back() != '"')
      continue;
    std::string value = line.substr(wanted.size(), line.size() - wanted.size() - 1);
    if (value.starts_with("$HOME")) value = home + value.substr(5);
    return value;
  }
  return home + "/" + fallback;
}

}  // namespace

std::u16string SpecialFolderPath(std::u16string_view name) {
  struct Known {
    std::u16string_view name;
    const char* key;
    const char* fallback;
  };
  static constexpr Known kKnown[] = {
      {u"Desktop", "DESKTOP", "Desktop"},
      {u"MyDocuments", "DOCUMENTS", "Documents"},
      {u"Templates", "TEMPLATES", "Templates"},
  };
  for (const Known& k : kKnown) {
    if (automation::SameNameIgnoringCase(name, k.name))
      return Script(UserFolder(k.key, k.fallback));
  }
  return {};
}

namespace {

class SpecialFolders final : public HostObject {
 public:
  SpecialFolders() : HostObject(u"IWshCollection") {
    Indexed(
        u"Item", 0, 1, 0,
        [](automation::InvokeKind kind, Args args) -> Result<Variant> {
          if (kind == automation::InvokeKind::PropertyPut) {
            return automation::MakeError(automation::kErrPropertyIsReadOnly);
          }
          if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
          auto name = StringArgument(args, 0);
          if (!name) return name.error();
          return Str(SpecialFolderPath(*name));
        },
        false);
    Method(u"Count", 1, 0, 0, [](Args) -> Result<Variant> { return Variant::I4(3); });
    Property(u"length", 2, []() -> Result<Variant> { return Variant::I4(3); });
    Property(u"_NewEnum", automation::kDispIdNewEnum, []() -> Result<Variant> {
      std::vector<Variant> folders;
      for (auto name : {u"Desktop", u"MyDocuments", u"Templates"})
        folders.push_back(Str(SpecialFolderPath(name)));
      return Obj(automation::MakeListEnumerator(std::move(folders)));
    });
    Finish();
  }
};

}  // namespace

Ref<automation::Dispatch> MakeSpecialFolders() {
  return automation::MakeObject<SpecialFolders>();
}

}  // namespace hostobjects
