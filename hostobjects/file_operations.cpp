// The operations that the file system object, File and Folder share: finding entries, opening
// text files, and copying, moving and deleting with the original's rules and errors.

#include <algorithm>
#include <vector>

#include "automation/date.h"
#include "hostobjects/file_errors.h"
#include "hostobjects/file_objects.h"
#include "hostobjects/text_stream.h"
#include "platform/files.h"
#include "platform/last_error.h"

namespace hostobjects {
namespace {

using platform::EntryKind;

bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

bool HasWildcards(std::u16string_view name) {
  return name.find_first_of(u"*?") != std::u16string_view::npos;
}

char16_t Fold(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// "*" any run, "?" any one character; without regard to ASCII case.
bool Matches(std::u16string_view pattern, std::u16string_view name) {
  std::size_t p = 0, n = 0, star = std::u16string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || Fold(pattern[p]) == Fold(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      mark = n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

std::optional<platform::EntryStatus> Stat(const std::string& native) {
  return platform::StatusOf(native);
}

bool IsKind(const std::string& native, EntryKind kind) {
  auto status = Stat(native);
  return status && status->kind == kind;
}

std::string ParentOf(const std::string& native) {
  const std::size_t slash = native.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return native.substr(0, slash);
}

std::string NameOf(const std::string& native) {
  const std::size_t slash = native.rfind('/');
  return slash == std::string::npos ? native : native.substr(slash + 1);
}

Error LastSystemError(Subject subject) {
  return SystemFileError(platform::LastError(), subject);
}

// The entries a source names: one path, or every entry of the wanted kind that the wildcards
// of its last name match. Error 53 (files) or 76 (folders) when none.
Result<std::vector<std::string>> Sources(std::u16string_view source, EntryKind kind) {
  const Subject subject = kind == EntryKind::File ? Subject::File : Subject::Folder;
  const Error none = FileError(kind == EntryKind::File ? kErrFileNotFound : kErrPathNotFound);
  std::size_t cut = source.size();
  while (cut > 0 && !IsSeparator(source[cut - 1]) && !(cut == 2 && source[1] == u':')) --cut;
  std::u16string_view name = source.substr(cut);
  if (!HasWildcards(name)) {
    auto path = ResolvePath(source);
    if (!path) return path.error();
    if (!IsKind(path->native, kind)) return none;
    return std::vector<std::string>{path->native};
  }
  // A bare pattern names entries of the current folder.
  auto folder = ResolvePath(cut == 0 ? std::u16string_view(u".") : source.substr(0, cut));
  if (!folder) return folder.error();
  auto names = platform::ListFolder(folder->native);
  if (!names) return FileError(kErrPathNotFound);
  std::vector<std::string> found;
  for (const std::string& entry : *names) {
    const std::string native = folder->native + "/" + entry;
    if (Matches(name, Script(entry)) && IsKind(native, kind)) found.push_back(native);
  }
  (void)subject;
  if (found.empty()) return none;
  std::sort(found.begin(), found.end());
  return found;
}

// Where each source goes: into the destination folder when there are wildcards or the
// destination ends with a separator, else to the destination itself.
Result<std::vector<std::pair<std::string, std::string>>> Targets(std::u16string_view source,
                                                                 std::u16string_view destination,
                                                                 EntryKind kind) {
  auto sources = Sources(source, kind);
  if (!sources) return sources.error();
  if (destination.empty()) return FileError(kErrBadArgument);
  const bool intoFolder =
      IsSeparator(destination.back()) ||
      HasWildcards(source.substr(source.find_last_of(u"\\/") == std::u16string_view::npos
                                     ? 0
                                     : source.find_last_of(u"\\/") + 1));
  auto target = ResolvePath(destination);
  if (!target) return target.error();
  std::vector<std::pair<std::string, std::string>> pairs;
  if (intoFolder) {
    if (!IsKind(target->native, EntryKind::Folder)) return FileError(kErrPathNotFound);
    for (const std::string& from : *sources) {
      pairs.emplace_back(from, target->native + "/" + NameOf(from));
    }
  } else {
    if (!IsKind(ParentOf(target->native), EntryKind::Folder)) return FileError(kErrPathNotFound);
    pairs.emplace_back(sources->front(), target->native);
  }
  return pairs;
}

}  // namespace

Variant DateOfFileTime(double utcSeconds) {
  const double local = utcSeconds + static_cast<double>(platform::LocalOffsetSeconds(utcSeconds));
  return Variant::Date(automation::DateFromLocalSeconds(local));
}

Result<HostPath> ExistingFile(std::u16string_view path) {
  auto resolved = ResolvePath(path);
  if (!resolved) return resolved.error();
  if (!IsKind(resolved->native, EntryKind::File)) return FileError(kErrFileNotFound);
  return resolved;
}

Result<HostPath> ExistingFolder(std::u16string_view path) {
  auto resolved = ResolvePath(path);
  if (!resolved) return resolved.error();
  if (!IsKind(resolved->native, EntryKind::Folder)) return FileError(kErrPathNotFound);
  return resolved;
}

Result<Variant> OpenTextFile(const HostPath& path, std::int32_t iomode, bool create,
                             std::int32_t format) {
  if (iomode != 1 && iomode != 2 && iomode != 8) return FileError(kErrBadArgument);
  if (format != 0 && format != -1 && format != -2) return FileError(kErrBadArgument);
  const Charset charset = format == -1 ? Charset::Utf16LE : Charset::Cp932;
  auto status = Stat(path.native);
  if (status && status->kind != EntryKind::File) return FileError(kErrPermissionDenied);
  if (!status) {
    if (!IsKind(ParentOf(path.native), EntryKind::Folder)) return FileError(kErrPathNotFound);
    if (!create) return FileError(kErrFileNotFound);
  }
  using Mode = platform::File::Mode;
  std::string preamble;
  platform::File file;
  if (iomode == 1) {
    if (!status) {
      platform::File made = platform::File::Open(path.native, Mode::CreateNew);
      if (!made.IsOpen()) return LastSystemError(Subject::File);
      if (charset == Charset::Utf16LE && !made.WriteAll(ByteOrderMark(charset))) {
        return LastSystemError(Subject::File);
      }
    }
    file = platform::File::Open(path.native, Mode::Read);
  } else if (iomode == 2) {
    file = platform::File::Open(path.native, Mode::CreateTruncate);
    if (charset == Charset::Utf16LE) preamble = ByteOrderMark(charset);
  } else {
    file = platform::File::Open(path.native, Mode::Append);
    if (charset == Charset::Utf16LE && (!status || status->size == 0)) {
      preamble = ByteOrderMark(charset);
    }
  }
  if (!file.IsOpen()) return LastSystemError(Subject::File);
  if (!preamble.empty() && !file.WriteAll(preamble)) return LastSystemError(Subject::File);
  const StreamMode mode = iomode == 1   ? StreamMode::Read
                          : iomode == 2 ? StreamMode::Write
                                        : StreamMode::Append;
  return Obj(MakeTextStream(MakeFileChannel(std::move(file)), mode, charset));
}

Result<Variant> CreateTextFile(const HostPath& path, bool overwrite, bool unicode) {
  auto status = Stat(path.native);
  if (status && status->kind != EntryKind::File) return FileError(kErrFileExists);
  if (status && !overwrite) return FileError(kErrFileExists);
  if (status && !status->writable) return FileError(kErrPermissionDenied);
  if (!IsKind(ParentOf(path.native), EntryKind::Folder)) return FileError(kErrPathNotFound);
  platform::File file =
      platform::File::Open(path.native, overwrite ? platform::File::Mode::CreateTruncate
                                                  : platform::File::Mode::CreateNew);
  if (!file.IsOpen()) return LastSystemError(Subject::File);
  const Charset charset = unicode ? Charset::Utf16LE : Charset::Cp932;
  if (unicode && !file.WriteAll(ByteOrderMark(charset))) return LastSystemError(Subject::File);
  return Obj(MakeTextStream(MakeFileChannel(std::move(file)), StreamMode::Write, charset));
}

Status CopyFiles(std::u16string_view source, std::u16string_view destination, bool overwrite) {
  auto pairs = Targets(source, destination, EntryKind::File);
  if (!pairs) return pairs.error();
  for (const auto& [from, to] : *pairs) {
    auto existing = Stat(to);
    if (existing && existing->kind == EntryKind::Folder) return FileError(kErrPermissionDenied);
    if (existing && !overwrite) return FileError(kErrFileExists);
    if (existing && !existing->writable) return FileError(kErrPermissionDenied);
    if (!platform::CopyFileTo(from, to, overwrite)) return LastSystemError(Subject::File);
  }
  return Status::Ok();
}

Status CopyFolders(std::u16string_view source, std::u16string_view destination, bool overwrite) {
  auto pairs = Targets(source, destination, EntryKind::Folder);
  if (!pairs) return pairs.error();
  for (const auto& [from, to] : *pairs) {
    if (IsKind(to, EntryKind::File)) return FileError(kErrFileExists);
    if ((to + "/").starts_with(from + "/")) return FileError(kErrPermissionDenied);
    if (!platform::CopyFolderTo(from, to, overwrite)) return LastSystemError(Subject::Folder);
  }
  return Status::Ok();
}

Status MoveFiles(std::u16string_view source, std::u16string_view destination) {
  auto pairs = Targets(source, destination, EntryKind::File);
  if (!pairs) return pairs.error();
  for (const auto& [from, to] : *pairs) {
    if (Stat(to)) return FileError(kErrFileExists);
    if (!platform::MoveEntry(from, to)) return LastSystemError(Subject::File);
  }
  return Status::Ok();
}

Status MoveFolders(std::u16string_view source, std::u16string_view destination) {
  auto pairs = Targets(source, destination, EntryKind::Folder);
  if (!pairs) return pairs.error();
  for (const auto& [from, to] : *pairs) {
    if (Stat(to)) return FileError(kErrFileExists);
    if ((to + "/").starts_with(from + "/")) return FileError(kErrPermissionDenied);
    if (!platform::MoveEntry(from, to)) return LastSystemError(Subject::Folder);
  }
  return Status::Ok();
}

Status DeleteFiles(std::u16string_view pattern, bool force) {
  auto sources = Sources(pattern, EntryKind::File);
  if (!sources) return sources.error();
  for (const std::string& path : *sources) {
    auto status = Stat(path);
    if (status && !status->writable && !force) return FileError(kErrPermissionDenied);
    if (!platform::RemoveFile(path)) return LastSystemError(Subject::File);
  }
  return Status::Ok();
}

Status DeleteFolders(std::u16string_view pattern, bool force) {
  auto sources = Sources(pattern, EntryKind::Folder);
  if (!sources) return sources.error();
  for (const std::string& path : *sources) {
    auto status = Stat(path);
    if (status && !status->writable && !force) return FileError(kErrPermissionDenied);
    if (!platform::RemoveFolderTree(path)) return LastSystemError(Subject::Folder);
  }
  return Status::Ok();
}

}  // namespace hostobjects
