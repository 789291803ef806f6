#include "platform/environment.h"

#include <poll.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "platform/last_error.h"

extern char** environ;

namespace platform {
namespace {

bool ValidName(const std::string& name) {
  return !name.empty() && name.find('=') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

}  // namespace

std::optional<std::string> EnvironmentValue(const std::string& name) {
  if (!ValidName(name)) return std::nullopt;
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool SetEnvironmentValue(const std::string& name, const std::string& value) {
  if (!ValidName(name) || value.find('\0') != std::string::npos) {
    SetLastError(EINVAL);
    return false;
  }
  if (::setenv(name.c_str(), value.c_str(), 1) != 0) return FailWithErrno();
  return true;
}

bool RemoveEnvironmentValue(const std::string& name) {
  if (!ValidName(name)) {
    SetLastError(EINVAL);
    return false;
  }
  if (::unsetenv(name.c_str()) != 0) return FailWithErrno();
  return true;
}

std::vector<std::pair<std::string, std::string>> EnvironmentEntries() {
  std::vector<std::pair<std::string, std::string>> entries;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    std::string text = *entry;
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) continue;
    entries.emplace_back(text.substr(0, equals), text.substr(equals + 1));
  }
  return entries;
}

std::string MachineName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string LoginName() {
  if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
  passwd entry{};
  passwd* found = nullptr;
  char buffer[1024];
  if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  return {};
}

bool InputIsTerminal() {
  return ::isatty(STDIN_FILENO) == 1;
}

std::optional<std::string> ReadInputLine(int seconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  std::string line;
  for (;;) {
    int wait = -1;
    if (seconds > 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return std::nullopt;
      wait = static_cast<int>(left);
    }
    pollfd watch{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&watch, 1, wait);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char c;
    const ssize_t got = ::read(STDIN_FILENO, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;
    if (c == '\n') return line;
    line.push_back(c);
  }
}

void WriteToStandardError(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return;
    done += static_cast<std::size_t>(wrote);
  }
}

}  // namespace platform
