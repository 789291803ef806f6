#pragma once
// Runs the script host as a child process on a script written into a temporary folder, and
// collects its exit code, standard output and standard error.

#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace scripthost_testing {

struct HostResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

struct HostRun {
  std::string script;                  // the script's text, written to `scriptName`
  std::vector<std::string> arguments;  // after the script's name
  std::vector<std::string> options;    // before the script's name (--timeout 1)
  std::string input;                   // standard input
  bool inputStaysOpen = false;         // standard input is a pipe that never ends
  std::string scriptName = "script.js";
  bool writeScript = true;  // false: scriptName is passed as it stands
  std::vector<std::pair<std::string, std::string>> environment;
};

class HostRunner {
 public:
  HostRunner() = default;
  HostResult Run(const HostRun& run);
  const testing_support::TempDir& folder() const { return folder_; }

 private:
  testing_support::TempDir folder_;
};

}  // namespace scripthost_testing
