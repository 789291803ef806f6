#pragma once
// The file system object's family: File and Folder objects, the Files and SubFolders
// collections, and the operations they share with the file system object itself.

#include "hostobjects/host_object.h"
#include "hostobjects/windows_path.h"
#include "platform/file_system.h"

namespace hostobjects {

Ref<automation::Dispatch> MakeFileObject(HostPath path);
Ref<automation::Dispatch> MakeFolderObject(HostPath path);
// The files (or the subfolders) of a folder, in name order, as they are when asked.
Result<Ref<automation::Dispatch>> MakeEntryCollection(const HostPath& folder, bool folders);

// A file or folder by path: error 53 (file) or 76 (folder) when there is none of that kind.
Result<HostPath> ExistingFile(std::u16string_view path);
Result<HostPath> ExistingFolder(std::u16string_view path);

// OpenTextFile: iomode 1 reading, 2 writing, 8 appending; format 0 or -2 CP932, -1 UTF-16LE.
Result<Variant> OpenTextFile(const HostPath& path, std::int32_t iomode, bool create,
                             std::int32_t format);
Result<Variant> CreateTextFile(const HostPath& path, bool overwrite, bool unicode);

// Copy, move and delete, as File, Folder and the file system object do them. A source's last
// name may hold the wildcards "*" and "?" for the file system object's forms.
Status CopyFiles(std::u16string_view source, std::u16string_view destination, bool overwrite);
Status CopyFolders(std::u16string_view source, std::u16string_view destination, bool overwrite);
Status MoveFiles(std::u16string_view source, std::u16string_view destination);
Status MoveFolders(std::u16string_view source, std::u16string_view destination);
Status DeleteFiles(std::u16string_view pattern, bool force);
Status DeleteFolders(std::u16string_view pattern, bool force);

// The original's attribute bits.
inline constexpr std::int32_t kAttrReadOnly = 1;
inline constexpr std::int32_t kAttrHidden = 2;
inline constexpr std::int32_t kAttrDirectory = 16;
inline constexpr std::int32_t kAttrArchive = 32;
inline constexpr std::int32_t kAttrAlias = 1024;

// A file time (seconds since 1970 UTC) as a date in local time.
Variant DateOfFileTime(double utcSeconds);

}  // namespace hostobjects
