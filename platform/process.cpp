#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/last_error.h"

extern char** environ;

namespace platform {
namespace {

// The parent's environment with the given names set to new values.
std::vector<std::string> MakeEnvironment(
    const std::vector<std::pair<std::string, std::string>>& overrides) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string text = *entry;
    bool replaced = false;
    for (const auto& [name, value] : overrides) {
      if (text.compare(0, name.size() + 1, name + "=") == 0) replaced = true;
    }
    if (!replaced) entries.push_back(std::move(text));
  }
  for (const auto& [name, value] : overrides) entries.push_back(name + "=" + value);
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ChildProcess ChildProcess::Start(const Options& options) {
  ChildProcess child;
  // Both pipes are close-on-exec, so that no other child inherits this child's ends; the dup2
  // below gives the child its own copies without the flag.
  int toChildFds[2];
  int fromChildFds[2];
  if (::pipe2(toChildFds, O_CLOEXEC) != 0) {
    FailWithErrno();
    return child;
  }
  UniqueFd toChild[2] = {UniqueFd(toChildFds[0]), UniqueFd(toChildFds[1])};
  if (::pipe2(fromChildFds, O_CLOEXEC) != 0) {
    FailWithErrno();
    return child;
  }
  UniqueFd fromChild[2] = {UniqueFd(fromChildFds[0]), UniqueFd(fromChildFds[1])};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0].get(), STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1].get(), STDOUT_FILENO);
  if (!options.workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());
  }

  std::vector<std::string> arguments{options.program};
  arguments.insert(arguments.end(), options.arguments.begin(), options.arguments.end());
  std::vector<std::string> environment = MakeEnvironment(options.environment);
  std::vector<char*> argv = Pointers(arguments);
  std::vector<char*> envp = Pointers(environment);

  pid_t pid;
  int error =
      ::posix_spawn(&pid, options.program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    SetLastError(error);
    return child;
  }
  child.pid_ = pid;
  child.input_ = std::move(toChild[1]);
  child.output_ = std::move(fromChild[0]);
  return child;
}

ChildProcess::~ChildProcess() {
  Reset();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      input_(std::move(other.input_)),
      output_(std::move(other.output_)),
      pending_(std::move(other.pending_)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Reset();
    pid_ = std::exchange(other.pid_, -1);
    input_ = std::move(other.input_);
    output_ = std::move(other.output_);
    pending_ = std::move(other.pending_);
  }
  return *this;
}

void ChildProcess::Reset() {
  input_.reset();
  output_.reset();
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    Wait();
  }
  pending_.clear();
}

std::optional<std::string> ChildProcess::ReadLine(int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::size_t newline = pending_.find('\n');
    if (newline != std::string::npos) {
      std::string line = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      return line;
    }
    if (!output_.valid()) return std::nullopt;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd watch{output_.get(), POLLIN, 0};
    int ready = ::poll(&watch, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char buffer[4096];
    ssize_t got = ::read(output_.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      output_.reset();
      continue;
    }
    pending_.append(buffer, static_cast<std::size_t>(got));
  }
}

std::string ChildProcess::ReadRest() {
  while (output_.valid()) {
    char buffer[4096];
    ssize_t got = ::read(output_.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      output_.reset();
      break;
    }
    pending_.append(buffer, static_cast<std::size_t>(got));
  }
  return std::exchange(pending_, {});
}

void ChildProcess::CloseInput() {
  input_.reset();
}

void ChildProcess::Signal(int signalNumber) {
  if (pid_ > 0) ::kill(pid_, signalNumber);
}

int ChildProcess::Wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  pid_t result;
  do {
    result = ::waitpid(pid_, &status, 0);
  } while (result < 0 && errno == EINTR);
  pid_ = -1;
  if (result < 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace platform
