// Scripting.FileSystemObject: paths, files, folders and text files, with Windows paths mapped
// as windows_path.h describes.

#include "hostobjects/classes.h"

#include <cstdio>
#include <random>

#include "hostobjects/file_errors.h"
#include "hostobjects/file_objects.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/last_error.h"

namespace hostobjects {
namespace {

namespace id {
constexpr DispId kBuildPath = 1;
constexpr DispId kCopyFile = 2;
constexpr DispId kCopyFolder = 3;
constexpr DispId kCreateFolder = 4;
constexpr DispId kCreateTextFile = 5;
constexpr DispId kDeleteFile = 6;
constexpr DispId kDeleteFolder = 7;
constexpr DispId kDriveExists = 8;
constexpr DispId kFileExists = 9;
constexpr DispId kFolderExists = 10;
constexpr DispId kGetAbsolutePathName = 11;
constexpr DispId kGetBaseName = 12;
constexpr DispId kGetExtensionName = 13;
constexpr DispId kGetFileName = 14;
constexpr DispId kGetParentFolderName = 15;
constexpr DispId kGetDriveName = 16;
constexpr DispId kGetFile = 17;
constexpr DispId kGetFolder = 18;
constexpr DispId kGetSpecialFolder = 19;
constexpr DispId kGetTempName = 20;
constexpr DispId kMoveFile = 21;
constexpr DispId kMoveFolder = 22;
constexpr DispId kOpenTextFile = 23;
constexpr DispId kGetFileVersion = 24;
}  // namespace id

Result<Variant> Done(const Status& status) {
  if (!status) return status.error();
  return Variant();
}

bool IsKind(std::u16string_view path, platform::EntryKind kind) {
  auto resolved = ResolvePath(path);
  if (!resolved) return false;
  auto status = platform::StatusOf(resolved->native);
  return status && status->kind == kind;
}

std::u16string TempFolder() {
  auto tmp = platform::EnvironmentValue("TMPDIR");
  return Script(tmp && !tmp->empty() ? *tmp : std::string("/tmp"));
}

class FileSystemObject final : public HostObject {
 public:
  FileSystemObject() : HostObject(u"IFileSystem3") {
    AddPathFunctions();
    AddQueries();
    AddChanges();
    Finish();
  }

 private:
  // A method of one string argument returning text.
  void TextFunction(std::u16string name, DispId dispId,
                    std::u16string (*function)(std::u16string_view)) {
    Method(std::move(name), dispId, 1, 0, [function](Args args) -> Result<Variant> {
      auto path = StringArgument(args, 0);
      if (!path) return path.error();
      return Str(function(*path));
    });
  }

  void AddPathFunctions() {
    Method(u"BuildPath", id::kBuildPath, 2, 0, [](Args args) -> Result<Variant> {
      auto folder = StringArgument(args, 0);
      if (!folder) return folder.error();
      auto name = StringArgument(args, 1);
      if (!name) return name.error();
      return Str(BuildPath(*folder, *name));
    });
    TextFunction(u"GetBaseName", id::kGetBaseName,
                 [](std::u16string_view p) { return BaseName(p); });
    TextFunction(u"GetExtensionName", id::kGetExtensionName,
                 [](std::u16string_view p) { return ExtensionName(p); });
    TextFunction(u"GetFileName", id::kGetFileName,
                 [](std::u16string_view p) { return FileName(p); });
    TextFunction(u"GetParentFolderName", id::kGetParentFolderName,
                 [](std::u16string_view p) { return ParentFolderName(p); });
    TextFunction(u"GetDriveName", id::kGetDriveName,
                 [](std::u16string_view p) { return DriveName(p); });
    Method(u"GetAbsolutePathName", id::kGetAbsolutePathName, 1, 0,
           [](Args args) -> Result<Variant> {
             auto path = StringArgument(args, 0);
             if (!path) return path.error();
             auto resolved = ResolvePath(path->empty() ? u"." : *path);
             if (!resolved) return resolved.error();
             return Str(resolved->shown);
           });
    Method(u"GetTempName", id::kGetTempName, 0, 0, [](Args) -> Result<Variant> {
      std::random_device random;
      char name[16];
      std::snprintf(name, sizeof name, "rad%05X.tmp", random() & 0xFFFFFu);
      return Str(Script(name));
    });
  }

  void AddQueries() {
    Method(u"DriveExists", id::kDriveExists, 1, 0, [](Args args) -> Result<Variant> {
      auto drive = StringArgument(args, 0);
      if (!drive) return drive.error();
      const bool letter = !drive->empty() && (((*drive)[0] >= u'A' && (*drive)[0] <= u'Z') ||
                                              ((*drive)[0] >= u'a' && (*drive)[0] <= u'z'));
      if (!letter || (drive->size() > 1 && (*drive)[1] != u':')) return Variant::Bool(false);
      auto status = platform::StatusOf(DriveLinkPath((*drive)[0]));
      return Variant::Bool(status && status->kind == platform::EntryKind::Folder);
    });
    Method(u"FileExists", id::kFileExists, 1, 0, [](Args args) -> Result<Variant> {
      auto path = StringArgument(args, 0);
      if (!path) return path.error();
      return Variant::Bool(!path->empty() && IsKind(*path, platform::EntryKind::File));
    });
    Method(u"FolderExists", id::kFolderExists, 1, 0, [](Args args) -> Result<Variant> {
      auto path = StringArgument(args, 0);
      if (!path) return path.error();
      return Variant::Bool(!path->empty() && IsKind(*path, platform::EntryKind::Folder));
    });
    Method(u"GetFile", id::kGetFile, 1, 0, [](Args args) -> Result<Variant> {
      auto path = StringArgument(args, 0);
      if (!path) return path.error();
      auto file = ExistingFile(*path);
      if (!file) return file.error();
      return Obj(MakeFileObject(std::move(file).value()));
    });
    Method(u"GetFolder", id::kGetFolder, 1, 0, [](Args args) -> Result<Variant> {
      auto path = StringArgument(args, 0);
      if (!path) return path.error();
      auto folder = ExistingFolder(*path);
      if (!folder) return folder.error();
      return Obj(MakeFolderObject(std::move(folder).value()));
    });
    Method(u"GetSpecialFolder", id::kGetSpecialFolder, 1, 0, [](Args args) -> Result<Variant> {
      auto which = IntArgument(args, 0, 0);
      if (!which) return which.error();
      // The system's own folder, its programs' folder, and the temporary folder.
      std::u16string path;
      switch (*which) {
        case 0:
          path = u"/";
          break;
        case 1:
          path = u"/usr/bin";
          break;
        case 2:
          path = TempFolder();
          break;
        default:
          return FileError(kErrBadArgument);
      }
      auto folder = ExistingFolder(path);
      if (!folder) return folder.error();
      return Obj(MakeFolderObject(std::move(folder).value()));
    });
    Method(u"GetFileVersion", id::kGetFileVersion, 1, 0, [](Args args) -> Result<Variant> {
      auto path = StringArgument(args, 0);
      if (!path) return path.error();
      auto file = ExistingFile(*path);
      if (!file) return file.error();
      return Str(u"");  // Linux programs carry no version resource
    });
    Method(u"OpenTextFile", id::kOpenTextFile, 1, 3, [](Args args) -> Result<Variant> {
      auto path = StringArgument(args, 0);
      if (!path) return path.error();
      auto iomode = IntArgument(args, 1, 1);
      if (!iomode) return iomode.error();
      auto create = BoolArgument(args, 2, false);
      if (!create) return create.error();
      auto format = IntArgument(args, 3, 0);
      if (!format) return format.error();
      auto resolved = ResolvePath(*path);
      if (!resolved) return resolved.error();
      return OpenTextFile(*resolved, *iomode, *create, *format);
    });
    Method(u"CreateTextFile", id::kCreateTextFile, 1, 2, [](Args args) -> Result<Variant> {
      auto path = StringArgument(args, 0);
      if (!path) return path.error();
      auto overwrite = BoolArgument(args, 1, false);
      if (!overwrite) return overwrite.error();
      auto unicode = BoolArgument(args, 2, false);
      if (!unicode) return unicode.error();
      auto resolved = ResolvePath(*path);
      if (!resolved) return resolved.error();
      return CreateTextFile(*resolved, *overwrite, *unicode);
    });
  }

  void AddChanges() {
    Method(u"CreateFolder", id::kCreateFolder, 1, 0, [](Args args) -> Result<Variant> {
      auto path = StringArgument(args, 0);
      if (!path) return path.error();
      auto resolved = ResolvePath(*path);
      if (!resolved) return resolved.error();
      if (platform::StatusOf(resolved->native)) return FileError(kErrFileExists);
      if (!platform::CreateFolder(resolved->native)) {
        return SystemFileError(platform::LastError(), Subject::Folder);
      }
      return Obj(MakeFolderObject(std::move(resolved).value()));
    });
    auto copy = [](Status (*operation)(std::u16string_view, std::u16string_view, bool)) {
      return [operation](Args args) -> Result<Variant> {
        auto source = StringArgument(args, 0);
        if (!source) return source.error();
        auto destination = StringArgument(args, 1);
        if (!destination) return destination.error();
        auto overwrite = BoolArgument(args, 2, true);
        if (!overwrite) return overwrite.error();
        return Done(operation(*source, *destination, *overwrite));
      };
    };
    Method(u"CopyFile", id::kCopyFile, 2, 1, copy(&CopyFiles));
    Method(u"CopyFolder", id::kCopyFolder, 2, 1, copy(&CopyFolders));
    auto move = [](Status (*operation)(std::u16string_view, std::u16string_view)) {
      return [operation](Args args) -> Result<Variant> {
        auto source = StringArgument(args, 0);
        if (!source) return source.error();
        auto destination = StringArgument(args, 1);
        if (!destination) return destination.error();
        return Done(operation(*source, *destination));
      };
    };
    Method(u"MoveFile", id::kMoveFile, 2, 0, move(&MoveFiles));
    Method(u"MoveFolder", id::kMoveFolder, 2, 0, move(&MoveFolders));
    auto remove = [](Status (*operation)(std::u16string_view, bool)) {
      return [operation](Args args) -> Result<Variant> {
        auto pattern = StringArgument(args, 0);
        if (!pattern) return pattern.error();
        auto force = BoolArgument(args, 1, false);
        if (!force) return force.error();
        return Done(operation(*pattern, *force));
      };
    };
    Method(u"DeleteFile", id::kDeleteFile, 1, 1, remove(&DeleteFiles));
    Method(u"DeleteFolder", id::kDeleteFolder, 1, 1, remove(&DeleteFolders));
  }
};

}  // namespace

Ref<automation::Dispatch> CreateFileSystemObject() {
  return automation::MakeObject<FileSystemObject>();
}

}  // namespace hostobjects
