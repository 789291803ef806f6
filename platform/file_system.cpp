#include "platform/file_system.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/last_error.h"

namespace platform {
namespace {

double Seconds(const timespec& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) / 1e9;
}

bool FailWith(const std::error_code& error) {
  SetLastError(error.value() != 0 ? error.value() : EIO);
  return false;
}

bool Exists(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0;
}

}  // namespace

std::optional<EntryStatus> StatusOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) {
    FailWithErrno();
    return std::nullopt;
  }
  EntryStatus entry;
  entry.kind = S_ISREG(status.st_mode)   ? EntryKind::File
               : S_ISDIR(status.st_mode) ? EntryKind::Folder
                                         : EntryKind::Other;
  entry.size = static_cast<std::uint64_t>(status.st_size);
  entry.modified = Seconds(status.st_mtim);
  entry.accessed = Seconds(status.st_atim);
  entry.changed = Seconds(status.st_ctim);
  entry.writable = (status.st_mode & S_IWUSR) != 0;
  struct stat own {};
  entry.isLink = ::lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode);
  return entry;
}

std::optional<std::vector<std::string>> ListFolder(const std::string& path) {
  DIR* folder = ::opendir(path.c_str());
  if (folder == nullptr) {
    FailWithErrno();
    return std::nullopt;
  }
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(folder)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    names.emplace_back(entry->d_name);
  }
  ::closedir(folder);
  return names;
}

bool CopyFileTo(const std::string& from, const std::string& to, bool overwrite) {
  std::error_code error;
  if (!overwrite && Exists(to)) {
    SetLastError(EEXIST);
    return false;
  }
  auto options = overwrite ? std::filesystem::copy_options::overwrite_existing
                           : std::filesystem::copy_options::none;
  if (!std::filesystem::copy_file(from, to, options, error) || error) return FailWith(error);
  return true;
}

bool CopyFolderTo(const std::string& from, const std::string& to, bool overwrite) {
  std::error_code error;
  if (!std::filesystem::is_directory(to, error)) {
    if (!std::filesystem::create_directory(to, error) && error) return FailWith(error);
  }
  for (const auto& entry : std::filesystem::directory_iterator(from, error)) {
    const std::string target = to + "/" + entry.path().filename().string();
    const bool ok = entry.is_directory() ? CopyFolderTo(entry.path().string(), target, overwrite)
                                         : CopyFileTo(entry.path().string(), target, overwrite);
    if (!ok) return false;
  }
  if (error) return FailWith(error);
  return true;
}

bool MoveEntry(const std::string& from, const std::string& to) {
  if (Exists(to)) {
    SetLastError(EEXIST);
    return false;
  }
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV) return FailWithErrno();
  std::error_code error;
  std::filesystem::copy(from, to, std::filesystem::copy_options::recursive, error);
  if (error) return FailWith(error);
  std::filesystem::remove_all(from, error);
  if (error) return FailWith(error);
  return true;
}

bool RemoveFolderTree(const std::string& path) {
  std::error_code error;
  std::filesystem::remove_all(path, error);
  if (error) return FailWith(error);
  return true;
}

bool SetWritable(const std::string& path, bool writable) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return FailWithErrno();
  mode_t mode = status.st_mode & 07777;
  mode = writable ? (mode | S_IWUSR) : (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH));
  if (::chmod(path.c_str(), mode) != 0) return FailWithErrno();
  return true;
}

std::optional<std::string> LinkTarget(const std::string& path) {
  std::string target(4096, '\0');
  const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
  if (length < 0) {
    FailWithErrno();
    return std::nullopt;
  }
  target.resize(static_cast<std::size_t>(length));
  return target;
}

long LocalOffsetSeconds(double utcSeconds) {
  const auto when = static_cast<time_t>(utcSeconds);
  struct tm local {};
  if (::localtime_r(&when, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

double NowUtcSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return Seconds(now);
}

}  // namespace platform
