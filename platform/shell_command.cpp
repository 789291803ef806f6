#include "platform/shell_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "platform/last_error.h"

extern char** environ;

namespace platform {
namespace {

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

int WaitFor(pid_t pid) {
  int status = 0;
  pid_t result;
  do {
    result = ::waitpid(pid, &status, 0);
  } while (result < 0 && errno == EINTR);
  if (result < 0) return -1;
  return ExitCodeOf(status);
}

// Spawns /bin/sh with the given arguments after "-c"; the actions may be null.
pid_t Spawn(const std::vector<std::string>& afterC, posix_spawn_file_actions_t* actions) {
  std::vector<std::string> arguments{"sh", "-c"};
  arguments.insert(arguments.end(), afterC.begin(), afterC.end());
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int error = ::posix_spawn(&pid, "/bin/sh", actions, nullptr, argv.data(), environ);
  if (error != 0) {
    SetLastError(error);
    return -1;
  }
  return pid;
}

bool MakePipe(UniqueFd& readEnd, UniqueFd& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return FailWithErrno();
  readEnd = UniqueFd(fds[0]);
  writeEnd = UniqueFd(fds[1]);
  return true;
}

}  // namespace

int RunShellCommand(const std::string& command, bool wait) {
  // Left to run, the command is started by a shell that ends at once, so that its process is
  // the system's to reap and never lingers as ours.
  const pid_t pid = wait ? Spawn({command}, nullptr)
                         : Spawn({"/bin/sh -c \"$1\" </dev/null &", "sh", command}, nullptr);
  if (pid < 0) return -1;
  const int code = WaitFor(pid);
  return wait ? code : 0;
}

ShellProcess ShellProcess::Start(const std::string& command) {
  ShellProcess process;
  UniqueFd in[2], out[2], err[2];
  if (!MakePipe(in[0], in[1]) || !MakePipe(out[0], out[1]) || !MakePipe(err[0], err[1])) {
    return process;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0].get(), STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1].get(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1].get(), STDERR_FILENO);
  const pid_t pid = Spawn({command}, &actions);
  posix_spawn_file_actions_destroy(&actions);
  if (pid < 0) return process;
  process.pid_ = pid;
  process.input_ = std::move(in[1]);
  process.output_ = std::move(out[0]);
  process.error_ = std::move(err[0]);
  return process;
}

ShellProcess::~ShellProcess() {
  Reset();
}

ShellProcess::ShellProcess(ShellProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      exitCode_(std::exchange(other.exitCode_, std::nullopt)),
      input_(std::move(other.input_)),
      output_(std::move(other.output_)),
      error_(std::move(other.error_)) {}

ShellProcess& ShellProcess::operator=(ShellProcess&& other) noexcept {
  if (this != &other) {
    Reset();
    pid_ = std::exchange(other.pid_, -1);
    exitCode_ = std::exchange(other.exitCode_, std::nullopt);
    input_ = std::move(other.input_);
    output_ = std::move(other.output_);
    error_ = std::move(other.error_);
  }
  return *this;
}

void ShellProcess::Reset() {
  input_.reset();
  output_.reset();
  error_.reset();
  if (pid_ > 0 && !ExitCode()) {
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!ExitCode() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!exitCode_) Terminate();
  }
  pid_ = -1;
  exitCode_.reset();
}

void ShellProcess::Reap(int status) {
  exitCode_ = ExitCodeOf(status);
}

std::optional<int> ShellProcess::ExitCode() {
  if (exitCode_ || pid_ <= 0) return exitCode_;
  int status = 0;
  pid_t result;
  do {
    result = ::waitpid(pid_, &status, WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result == pid_) Reap(status);
  return exitCode_;
}

int ShellProcess::Wait() {
  if (exitCode_ || pid_ <= 0) return exitCode_.value_or(-1);
  int status = 0;
  pid_t result;
  do {
    result = ::waitpid(pid_, &status, 0);
  } while (result < 0 && errno == EINTR);
  if (result == pid_) Reap(status);
  return exitCode_.value_or(-1);
}

void ShellProcess::Terminate() {
  if (pid_ <= 0 || ExitCode()) return;
  ::kill(pid_, SIGKILL);
  Wait();
}

long ShellProcess::Read(Stream stream, char* buffer, std::size_t capacity) {
  UniqueFd& fd = stream == Stream::Output ? output_ : error_;
  if (!fd.valid()) return 0;
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, capacity);
    if (got >= 0) return static_cast<long>(got);
    if (errno != EINTR) {
      FailWithErrno();
      return -1;
    }
  }
}

bool ShellProcess::WriteInput(std::string_view bytes) {
  if (!input_.valid()) {
    SetLastError(EPIPE);
    return false;
  }
  // A process that stopped reading must not end the host with SIGPIPE: the signal is held back
  // on this thread for the write and a pending one taken away after it.
  sigset_t pipeSignal, previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  bool ok = true;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(input_.get(), bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      ok = FailWithErrno();
      break;
    }
    done += static_cast<std::size_t>(wrote);
  }
  if (!ok) {
    const timespec none{0, 0};
    while (::sigtimedwait(&pipeSignal, nullptr, &none) == SIGPIPE) {
    }
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return ok;
}

}  // namespace platform
