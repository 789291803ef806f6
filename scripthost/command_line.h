#pragma once
// The command line of the script host: `quorvane-script [--timeout SECONDS] script.js [args…]`.
// Everything after the script's name belongs to the script, options included.

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace scripthost {

struct HostOptions {
  std::string scriptPath;
  std::vector<std::string> scriptArguments;
  // Seconds after which a running script is stopped; nothing when no limit was asked for.
  std::optional<double> timeoutSeconds;
};

// A command line that cannot be run, with the reason to show beside the usage line.
struct UsageError {
  std::string reason;
};

// `arguments` are the words after the program's name.
std::variant<HostOptions, UsageError> ParseCommandLine(const std::vector<std::string>& arguments);

// The usage line shown with every usage error and for --help.
std::string UsageText();

}  // namespace scripthost
