#pragma once
// Windows paths on Linux. "\" and "/" both separate; "X:" at the start names a drive, which is
// the per-user link $XDG_CONFIG_HOME/commtestkit/drives/x (~/.config when unset); a path without a
// drive is relative to the current folder, or absolute from "/" when it starts with a separator.
// A component that does not exist as written matches the one entry of its folder that differs
// from it only in ASCII case, as the original's names ignore case.
//
// The script sees paths in the form it used: a drive path as "X:\dir\name", any other as the
// Linux path "/dir/name".

#include <string>
#include <string_view>

#include "automation/error.h"

namespace hostobjects {

struct HostPath {
  std::string native;    // for the system: UTF-8, "/" separated
  std::u16string shown;  // for the script: absolute, with the names' case as on disk
};

// The path resolved; error 76 for a drive without a link, a UNC path ("\\server\share"), or a
// name that matches several entries of its folder when case is ignored. A drive without a link
// is reported once on standard error, with the link to make.
automation::Result<HostPath> ResolvePath(std::u16string_view path);

// The link that stands for drive `letter`.
std::string DriveLinkPath(char16_t letter);

// The path functions of the file system object, on text alone.
std::u16string BuildPath(std::u16string_view folder, std::u16string_view name);
std::u16string ParentFolderName(std::u16string_view path);
std::u16string FileName(std::u16string_view path);
std::u16string BaseName(std::u16string_view path);
std::u16string ExtensionName(std::u16string_view path);
std::u16string DriveName(std::u16string_view path);

// Whether a path is a folder's root ("C:\", "/").
bool IsRootPath(std::u16string_view shown);

}  // namespace hostobjects
