#include "hostobjects/windows_path.h"

#include <mutex>
#include <set>
#include <vector>

#include "automation/text.h"
#include "hostobjects/file_errors.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"

namespace hostobjects {
namespace {

bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

bool IsLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool HasDrive(std::u16string_view path) {
  return path.size() >= 2 && IsLetter(path[0]) && path[1] == u':';
}

bool IsUnc(std::u16string_view path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// The separator a path's own form uses: "/" for a Linux path, "\" otherwise.
char16_t SeparatorOf(std::u16string_view path) {
  if (HasDrive(path)) return u'\\';
  if (path.find(u'\\') != std::u16string_view::npos) return u'\\';
  return path.find(u'/') != std::u16string_view::npos ? u'/' : u'\\';
}

std::vector<std::u16string> Components(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::u16string current;
  for (char16_t c : path) {
    if (IsSeparator(c)) {
      if (!current.empty()) parts.push_back(std::move(current));
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty()) parts.push_back(std::move(current));
  return parts;
}

void Normalize(std::vector<std::u16string>& parts) {
  std::vector<std::u16string> out;
  for (auto& part : parts) {
    if (part == u".") continue;
    if (part == u"..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    out.push_back(std::move(part));
  }
  parts = std::move(out);
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool Exists(const std::string& path) {
  return platform::StatusOf(path).has_value() || platform::LinkTarget(path).has_value();
}

void ReportMissingDrive(char16_t letter, const std::string& link) {
  static std::mutex lock;
  static std::set<char16_t> reported;
  std::lock_guard<std::mutex> hold(lock);
  if (!reported.insert(letter).second) return;
  const char upper = static_cast<char>(letter);
  platform::WriteToStandardError(std::string("Drive ") + upper +
                                 ": has no link; make it with: ln -s FOLDER " + link + "\n");
}

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}
char16_t Upper(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// The path without trailing separators, unless it is a root.
std::u16string_view TrimTrailing(std::u16string_view path) {
  std::size_t keep = path.size();
  const std::size_t root = HasDrive(path) ? 3 : 1;
  while (keep > root && IsSeparator(path[keep - 1])) --keep;
  return path.substr(0, keep);
}

// Where the name part of a path starts.
std::size_t NameStart(std::u16string_view path) {
  std::size_t start = HasDrive(path) ? 2 : 0;
  for (std::size_t i = start; i < path.size(); ++i) {
    if (IsSeparator(path[i])) start = i + 1;
  }
  return start;
}

}  // namespace

std::string DriveLinkPath(char16_t letter) {
  std::string config;
  if (auto xdg = platform::EnvironmentValue("XDG_CONFIG_HOME"); xdg && !xdg->empty()) {
    config = *xdg;
  } else {
    config = platform::EnvironmentValue("HOME").value_or("") + "/.config";
  }
  return config + "/commtestkit/drives/" + static_cast<char>(Lower(letter));
}

automation::Result<HostPath> ResolvePath(std::u16string_view path) {
  if (path.empty()) return FileError(kErrBadArgument);
  if (IsUnc(path)) return FileError(kErrPathNotFound);
  std::string root;
  std::u16string shownRoot;
  std::vector<std::u16string> parts;
  std::u16string_view rest = path;
  if (HasDrive(path)) {
    const std::string link = DriveLinkPath(path[0]);
    auto status = platform::StatusOf(link);
    if (!status || status->kind != platform::EntryKind::Folder) {
      ReportMissingDrive(Upper(path[0]), link);
      return FileError(kErrPathNotFound);
    }
    root = link;
    shownRoot = std::u16string{Upper(path[0]), u':', u'\\'};
    rest = path.substr(2);
  } else {
    shownRoot = u"/";
    if (!IsSeparator(path[0])) {
      auto current = platform::CurrentDirectory();
      if (!current) return FileError(kErrPathNotFound);
      parts = Components(automation::Utf16FromUtf8(*current));
    }
  }
  for (auto& part : Components(rest)) parts.push_back(std::move(part));
  Normalize(parts);

  const char16_t separator = HasDrive(path) ? u'\\' : u'/';
  std::string native = root;
  std::u16string shown = shownRoot;
  bool matching = true;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    std::string name = automation::Utf8FromUtf16(parts[i]);
    const std::string folder = native.empty() ? "/" : native;
    std::string candidate = native + "/" + name;
    if (matching && !Exists(candidate)) {
      std::vector<std::string> found;
      if (auto names = platform::ListFolder(folder)) {
        for (const std::string& entry : *names) {
          if (SameIgnoringAsciiCase(entry, name)) found.push_back(entry);
        }
      }
      if (found.size() > 1) return FileError(kErrPathNotFound);
      if (found.size() == 1) {
        name = found.front();
        candidate = native + "/" + name;
      } else {
        matching = false;
      }
    }
    native = std::move(candidate);
    if (i > 0) shown.push_back(separator);
    shown += automation::Utf16FromUtf8(name);
  }
  if (native.empty()) native.push_back('/');
  return HostPath{std::move(native), std::move(shown)};
}

std::u16string BuildPath(std::u16string_view folder, std::u16string_view name) {
  if (folder.empty()) return std::u16string(name);
  std::size_t skip = 0;
  while (skip < name.size() && IsSeparator(name[skip])) ++skip;
  name = name.substr(skip);
  std::u16string out(folder);
  if (!IsSeparator(out.back()) && !(out.size() == 2 && HasDrive(out))) {
    out.push_back(SeparatorOf(folder));
  }
  out += name;
  return out;
}

std::u16string ParentFolderName(std::u16string_view path) {
  std::u16string_view trimmed = TrimTrailing(path);
  const std::size_t start = NameStart(trimmed);
  if (start >= trimmed.size()) return {};  // a root or a bare drive: no parent
  std::u16string_view parent = trimmed.substr(0, start);
  if (parent.empty()) return {};
  // "C:\" and "/" stay roots; other parents lose their trailing separators.
  std::size_t keep = parent.size();
  const std::size_t root = HasDrive(parent) ? 3 : 1;
  while (keep > root && IsSeparator(parent[keep - 1])) --keep;
  if (HasDrive(parent) && keep == 2) return std::u16string(parent.substr(0, 2));
  return std::u16string(parent.substr(0, keep));
}

std::u16string FileName(std::u16string_view path) {
  std::u16string_view trimmed = TrimTrailing(path);
  return std::u16string(trimmed.substr(NameStart(trimmed)));
}

std::u16string BaseName(std::u16string_view path) {
  std::u16string name = FileName(path);
  const std::size_t dot = name.rfind(u'.');
  return dot == std::u16string::npos ? name : name.substr(0, dot);
}

std::u16string ExtensionName(std::u16string_view path) {
  std::u16string name = FileName(path);
  const std::size_t dot = name.rfind(u'.');
  return dot == std::u16string::npos ? std::u16string() : name.substr(dot + 1);
}

std::u16string DriveName(std::u16string_view path) {
  if (HasDrive(path)) return std::u16string(path.substr(0, 2));
  if (IsUnc(path)) {
    // "\\server\share"
    std::size_t separators = 0;
    for (std::size_t i = 2; i < path.size(); ++i) {
      if (IsSeparator(path[i]) && ++separators == 2) return std::u16string(path.substr(0, i));
    }
    return std::u16string(path);
  }
  return {};
}

bool IsRootPath(std::u16string_view shown) {
  return shown == u"/" || (shown.size() == 3 && HasDrive(shown) && IsSeparator(shown[2]));
}

}  // namespace hostobjects
