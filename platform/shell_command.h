#pragma once
// Command lines handed to /bin/sh -c, for the script host's shell object: run with the host's own
// standard streams (waited for or left to run), or started with pipes to all three streams.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace platform {

// Runs `command` with the host's standard streams. With `wait`, returns its exit code (128 + the
// signal that ended it); without, returns 0 once it is started and leaves it running on its own
// (nobody has to reap it). -1 with the last error set when it could not be started.
int RunShellCommand(const std::string& command, bool wait);

class ShellProcess {
 public:
  enum class Stream { Output, Error };

  ShellProcess() = default;
  // A process still running when its owner goes is asked to end (SIGTERM), killed when it has
  // not within a second, and reaped.
  ~ShellProcess();
  ShellProcess(ShellProcess&& other) noexcept;
  ShellProcess& operator=(ShellProcess&& other) noexcept;
  ShellProcess(const ShellProcess&) = delete;
  ShellProcess& operator=(const ShellProcess&) = delete;

  // Started when IsStarted(); otherwise the last error tells why.
  static ShellProcess Start(const std::string& command);

  bool IsStarted() const { return pid_ > 0; }
  int ProcessId() const { return pid_; }

  // The exit code once the process has ended (128 + signal), nothing while it runs.
  std::optional<int> ExitCode();
  // Waits for the end and returns the exit code.
  int Wait();
  // Ends the process at once (SIGKILL) and reaps it.
  void Terminate();

  // Reads what the process wrote to one of its streams, waiting until something comes: the
  // count, 0 at the stream's end, -1 with the last error set.
  long Read(Stream stream, char* buffer, std::size_t capacity);
  // Writes every byte to the process's standard input; false (EPIPE when it stopped reading).
  bool WriteInput(std::string_view bytes);
  void CloseInput() { input_.reset(); }

 private:
  void Reap(int status);
  void Reset();
  int pid_ = -1;
  std::optional<int> exitCode_;
  UniqueFd input_;
  UniqueFd output_;
  UniqueFd error_;
};

}  // namespace platform
