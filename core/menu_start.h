#pragma once
// A start from the desktop's menu. The menu entries start a tool with kMenuStartOption first on
// its command line; such a start runs in the tool's own folder under the home folder
// ("~/CommTestKit/Tarnwick"), made on the first start, so that the settings file and the data and
// log folders gather where the user finds them. A start from a terminal names no option and keeps
// the working directory, as always.

#include <string>
#include <string_view>
#include <vector>

#include "core/instance.h"
#include "core/tool_identity.h"

namespace core {

inline constexpr std::string_view kMenuStartOption = "--menu";

// The folder under the home folder that holds every tool's menu folder.
inline constexpr std::string_view kMenuFolderName = "CommTestKit";

// Whether the command line words start with the menu option; the option is taken out, so that
// the words left name the instance as on any other start. Only the first word counts: "A --menu"
// names the instance "A --menu".
bool TakeMenuStartOption(std::vector<std::string>& arguments);

// "<home>/CommTestKit/<program name>".
std::string MenuFolder(const ToolIdentity& tool, const std::string& home);

// Makes the tool's menu folder under `home` (and the folder above it) when missing and makes it
// the working directory. False with the last error set when the home folder is unknown (empty,
// ENOENT) or a folder cannot be made or entered.
bool EnterMenuFolder(const ToolIdentity& tool, const std::string& home);

// Tells on standard error that the menu folder cannot be used (the last error's text); the
// program then ends with exit code 1.
void ReportMenuFolderFailure(const ToolIdentity& tool, const std::string& home);

// The step of a tool's start before the instance starts: when the command line words start with
// the menu option, the option is taken out of `options` and the menu folder under `home` becomes
// the working directory. False, told on standard error, when that folder cannot be used.
bool ApplyMenuStart(const ToolIdentity& tool, StartOptions& options, const std::string& home);

}  // namespace core
