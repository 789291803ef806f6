#pragma once
// A child process with pipes to its standard input and output, ended and reaped when the object
// goes away. Tests use it to run several copies of a program side by side.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/unique_fd.h"

namespace platform {

class ChildProcess {
 public:
  struct Options {
    std::string program;                                           // path of the executable
    std::vector<std::string> arguments;                            // after the program name
    std::string workingDirectory;                                  // empty: the parent's
    std::vector<std::pair<std::string, std::string>> environment;  // set on top of the parent's
  };

  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The child runs when IsRunning() is true; otherwise the last error tells why it did not start.
  static ChildProcess Start(const Options& options);

  bool IsRunning() const { return pid_ > 0; }

  // The next line of the child's output (without its line feed); nothing when the output ends or
  // no whole line comes within `timeoutMs`.
  std::optional<std::string> ReadLine(int timeoutMs);

  // Everything the child writes until its output ends.
  std::string ReadRest();

  // Closes the child's standard input, so that a child waiting for its end goes on.
  void CloseInput();

  void Signal(int signalNumber);

  // Waits for the child's end: its exit code, or 128 + the signal that ended it.
  int Wait();

 private:
  void Reset();
  int pid_ = -1;
  UniqueFd input_;
  UniqueFd output_;
  std::string pending_;
};

}  // namespace platform
