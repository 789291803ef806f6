#include "platform/serial_port_names.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

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

}  // namespace

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
