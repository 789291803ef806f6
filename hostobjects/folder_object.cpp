// The Folder object: an entry with the files and folders in it.

#include "hostobjects/entry_object.h"
#include "hostobjects/file_errors.h"

namespace hostobjects {
namespace {

constexpr DispId kSize = 1200;
constexpr DispId kFiles = 1201;
constexpr DispId kSubFolders = 1202;
constexpr DispId kIsRootFolder = 1203;
constexpr DispId kCreateTextFile = 1204;

// Every file's size below a folder; entries that cannot be read count nothing.
std::uint64_t TreeSize(const std::string& native) {
  std::uint64_t total = 0;
  auto names = platform::ListFolder(native);
  if (!names) return 0;
  for (const std::string& name : *names) {
    const std::string child = native + "/" + name;
    auto status = platform::StatusOf(child);
    if (!status) continue;
    if (status->kind == platform::EntryKind::File) total += status->size;
    if (status->kind == platform::EntryKind::Folder && !status->isLink) total += TreeSize(child);
  }
  return total;
}

class FolderObject final : public EntryObject {
 public:
  explicit FolderObject(HostPath path) : EntryObject(u"IFolder", std::move(path), true) {
    Property(u"Size", kSize, [this]() -> Result<Variant> {
      if (auto status = Stat(); !status) return status.error();
      const std::uint64_t size = TreeSize(this->path().native);
      if (size <= 0x7FFFFFFFu) return Variant::I4(static_cast<std::int32_t>(size));
      return Variant::R8(static_cast<double>(size));
    });
    Property(u"Files", kFiles, [this]() -> Result<Variant> {
      auto files = MakeEntryCollection(this->path(), false);
      if (!files) return files.error();
      return Obj(std::move(files).value());
    });
    Property(u"SubFolders", kSubFolders, [this]() -> Result<Variant> {
      auto folders = MakeEntryCollection(this->path(), true);
      if (!folders) return folders.error();
      return Obj(std::move(folders).value());
    });
    Property(u"IsRootFolder", kIsRootFolder,
             [this]() -> Result<Variant> { return Variant::Bool(IsRootPath(this->path().shown)); });
    Method(u"CreateTextFile", kCreateTextFile, 1, 2, [this](Args args) -> Result<Variant> {
      auto name = StringArgument(args, 0);
      if (!name) return name.error();
      auto overwrite = BoolArgument(args, 1, false);
      if (!overwrite) return overwrite.error();
      auto unicode = BoolArgument(args, 2, false);
      if (!unicode) return unicode.error();
      auto target = ResolvePath(BuildPath(this->path().shown, *name));
      if (!target) return target.error();
      return CreateTextFile(*target, *overwrite, *unicode);
    });
    Finish();
  }
};

}  // namespace

Ref<automation::Dispatch> MakeFolderObject(HostPath path) {
  return automation::MakeObject<FolderObject>(std::move(path));
}

}  // namespace hostobjects
