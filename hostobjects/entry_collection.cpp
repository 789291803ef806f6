// The Files and SubFolders collections: the entries of one kind in a folder, in name order (as
// the original lists them, without regard to case), by name through Item, and for Enumerator.

#include <algorithm>
#include <vector>

#include "automation/enumerator.h"
#include "automation/text.h"
#include "hostobjects/file_errors.h"
#include "hostobjects/file_objects.h"

namespace hostobjects {
namespace {

constexpr DispId kItem = 0;
constexpr DispId kCount = 1;

std::string Folded(std::string name) {
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

class EntryCollection final : public HostObject {
 public:
  EntryCollection(std::vector<HostPath> entries, bool folders)
      : HostObject(folders ? u"IFolderCollection" : u"IFileCollection"),
        entries_(std::move(entries)),
        folders_(folders) {
    Indexed(
        u"Item", kItem, 1, 0,
        [this](automation::InvokeKind kind, Args args) -> Result<Variant> {
          if (kind == automation::InvokeKind::PropertyPut) {
            return automation::MakeError(automation::kErrPropertyIsReadOnly);
          }
          if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
          auto name = StringArgument(args, 0);
          if (!name) return name.error();
          for (const HostPath& entry : entries_) {
            if (automation::SameNameIgnoringCase(FileName(entry.shown), *name)) return Make(entry);
          }
          return FileError(folders_ ? kErrPathNotFound : kErrFileNotFound);
        },
        false);
    Property(u"Count", kCount, [this]() -> Result<Variant> {
      return Variant::I4(static_cast<std::int32_t>(entries_.size()));
    });
    Property(u"_NewEnum", automation::kDispIdNewEnum, [this]() -> Result<Variant> {
      std::vector<Variant> items;
      for (const HostPath& entry : entries_) items.push_back(Make(entry));
      return Obj(automation::MakeListEnumerator(std::move(items)));
    });
    Finish();
  }

 private:
  Variant Make(const HostPath& entry) const {
    return Obj(folders_ ? MakeFolderObject(entry) : MakeFileObject(entry));
  }
  std::vector<HostPath> entries_;
  bool folders_;
};

}  // namespace

Result<Ref<automation::Dispatch>> MakeEntryCollection(const HostPath& folder, bool folders) {
  auto names = platform::ListFolder(folder.native);
  if (!names) return FileError(kErrPathNotFound);
  std::sort(names->begin(), names->end(),
            [](const std::string& a, const std::string& b) { return Folded(a) < Folded(b); });
  std::vector<HostPath> entries;
  for (const std::string& name : *names) {
    const std::string native = folder.native + "/" + name;
    auto status = platform::StatusOf(native);
    if (!status) continue;
    const bool isFolder = status->kind == platform::EntryKind::Folder;
    if (isFolder != folders || (!folders && status->kind != platform::EntryKind::File)) continue;
    entries.push_back(HostPath{native, BuildPath(folder.shown, Script(name))});
  }
  return Ref<automation::Dispatch>(
      automation::MakeObject<EntryCollection>(std::move(entries), folders));
}

}  // namespace hostobjects
