#include "platform/serial_port_names.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace platform {
namespace {

bool IsAsciiLetter(char c, char upper) {
  return c == upper || c == upper - 'A' + 'a';
}

// The user's home folder: $HOME when set, else the password database's entry.
std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  const passwd* entry = ::getpwuid(::getuid());
  if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/') return entry->pw_dir;
  return {};
}

bool NameExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

// The names in a folder; none when it cannot be read. Never throws.
std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  return names;
}

// The number that ends a device name ("ttyUSB12" gives 12), for numeric order.
long TrailingNumber(const std::string& name) {
  std::size_t start = name.size();
  while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') --start;
  if (start == name.size() || name.size() - start > 9) return -1;
  return std::stol(name.substr(start));
}

// The entries of a folder whose names start with `prefix` followed by digits, in numeric order.
std::vector<std::string> NumberedEntries(const std::string& folder, const std::string& prefix) {
  std::vector<std::string> names;
  for (std::string& name : FolderNames(folder)) {
    if (name.size() > prefix.size() && name.starts_with(prefix) &&
        name.find_first_not_of("0123456789", prefix.size()) == std::string::npos &&
        TrailingNumber(name) >= 0) {
      names.push_back(std::move(name));
    }
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return TrailingNumber(a) < TrailingNumber(b);
  });
  return names;
}

// A standard port whose UART type the kernel reports as 0 has no hardware behind it.
bool HasUart(const std::string& sysTty, const std::string& name) {
  std::ifstream type(sysTty + "/" + name + "/type");
  int value = -1;
  if (!(type >> value)) return true;  // unknown: offer it
  return value != 0;
}

}  // namespace

std::vector<std::string> SerialPortCandidates(const SerialDeviceFolders& folders) {
  std::vector<std::string> names;
  std::vector<std::string> byId = FolderNames(folders.dev + "/serial/by-id");
  std::sort(byId.begin(), byId.end());
  for (const std::string& name : byId) names.push_back(folders.dev + "/serial/by-id/" + name);
  for (const char* prefix : {"ttyUSB", "ttyACM"}) {
    for (std::string& name : NumberedEntries(folders.dev, prefix)) names.push_back(std::move(name));
  }
  for (std::string& name : NumberedEntries(folders.dev, "ttyS")) {
    if (HasUart(folders.sysTty, name)) names.push_back(std::move(name));
  }
  if (!folders.links.empty()) {
    std::vector<std::pair<int, std::string>> links;
    for (std::string& name : FolderNames(folders.links)) {
      if (const std::optional<int> number = ComPortNumber(name); number && name.starts_with("COM"))
        links.emplace_back(*number, name);
    }
    std::sort(links.begin(), links.end());
    for (auto& link : links) names.push_back(std::move(link.second));
  }
  return names;
}

std::vector<std::string> SerialPortCandidates() {
  SerialDeviceFolders folders;
  folders.links = SerialPortLinkFolder();
  return SerialPortCandidates(folders);
}

std::optional<int> ComPortNumber(std::string_view name) {
  if (name.size() < 4 || name.size() > 6) return std::nullopt;
  if (!IsAsciiLetter(name[0], 'C') || !IsAsciiLetter(name[1], 'O') || !IsAsciiLetter(name[2], 'M'))
    return std::nullopt;
  const std::string_view digits = name.substr(3);
  if (digits[0] == '0') return std::nullopt;
  int number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number < kFirstComPort || number > kLastComPort) return std::nullopt;
  return number;
}

std::string SerialPortLinkFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const std::string home = HomeFolder();
    if (home.empty()) return {};
    base = home + "/.config";
  }
  return base + "/commtestkit/ports";
}

std::string SerialDevicePath(const std::string& name, const std::string& linkFolder) {
  if (const std::optional<int> number = ComPortNumber(name)) {
    // The link is looked up by the canonical upper-case name, so "com3" and "COM3" agree.
    const std::string canonical = "COM" + std::to_string(*number);
    if (!linkFolder.empty()) {
      const std::string link = linkFolder + "/" + canonical;
      if (NameExists(link)) return link;
    }
    return "/dev/ttyS" + std::to_string(*number - 1);
  }
  if (name.find('/') != std::string::npos) return name;
  return "/dev/" + name;
}

std::string SerialDevicePath(const std::string& name) {
  if (!ComPortNumber(name)) return SerialDevicePath(name, std::string());
  return SerialDevicePath(name, SerialPortLinkFolder());
}

std::optional<std::string> SerialDevicePathForNumber(int number) {
  if (number < kFirstComPort || number > kLastComPort) return std::nullopt;
  return SerialDevicePath("COM" + std::to_string(number));
}

}  // namespace platform
