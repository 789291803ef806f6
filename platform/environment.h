#pragma once
// The process environment and the machine's and user's names, for the script host's shell
// objects. The environment is the process's own: changes reach the children started later.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// The value of a variable, or nothing when it is not set.
std::optional<std::string> EnvironmentValue(const std::string& name);
// Sets or removes a variable; false (last error set) for a name that cannot be a variable's.
bool SetEnvironmentValue(const std::string& name, const std::string& value);
bool RemoveEnvironmentValue(const std::string& name);
// Every variable as (name, value), in the environment's order.
std::vector<std::pair<std::string, std::string>> EnvironmentEntries();

// The machine's host name (empty when it cannot be read).
std::string MachineName();
// The name of the user the process runs as ($USER first, then the password database).
std::string LoginName();

// Whether standard input is a terminal.
bool InputIsTerminal();
// A line from standard input, waiting up to `seconds` (0: no limit): nothing when the time ran
// out or the input ended.
std::optional<std::string> ReadInputLine(int seconds);
// Writes the text to standard error at once.
void WriteToStandardError(const std::string& text);

}  // namespace platform
