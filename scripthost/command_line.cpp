#include "scripthost/command_line.h"

#include <charconv>
#include <cmath>

namespace scripthost {
namespace {

// A timeout is a positive number of seconds, fractions allowed ("0.5").
std::optional<double> ParseSeconds(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || !std::isfinite(value) || value <= 0) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::variant<HostOptions, UsageError> ParseCommandLine(const std::vector<std::string>& arguments) {
  HostOptions options;
  std::size_t index = 0;
  while (index < arguments.size()) {
    const std::string& word = arguments[index];
    if (word == "--") {
      ++index;
      break;
    }
    if (word.size() < 2 || word[0] != '-') break;
    std::string value;
    bool hasValue = false;
    if (word == "--timeout") {
      if (index + 1 >= arguments.size()) return UsageError{"--timeout needs a number of seconds"};
      value = arguments[index + 1];
      hasValue = true;
      index += 2;
    } else if (word.rfind("--timeout=", 0) == 0) {
      value = word.substr(10);
      hasValue = true;
      ++index;
    } else if (word == "--help" || word == "-h") {
      return UsageError{};
    } else {
      return UsageError{"unknown option " + word};
    }
    if (hasValue) {
      options.timeoutSeconds = ParseSeconds(value);
      if (!options.timeoutSeconds) {
        return UsageError{"--timeout needs a positive number of seconds, not \"" + value + "\""};
      }
    }
  }
  if (index >= arguments.size()) return UsageError{"no script file given"};
  options.scriptPath = arguments[index];
  options.scriptArguments.assign(arguments.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                                 arguments.end());
  return options;
}

std::string UsageText() {
  return "usage: quorvane-script [--timeout SECONDS] script.js [arguments...]";
}

}  // namespace scripthost
