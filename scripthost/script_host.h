#pragma once
// Running one script: the engine, the host's objects, the timeout, and the exit code.
//   0  the script ended (or called WScript.Quit() without a code)
//   n  WScript.Quit(n)
//   1  an error that the script did not catch, or a script file that cannot be read
//   2  the --timeout passed, or the command line was wrong

#include <string>

#include "scripthost/command_line.h"

namespace scripthost {

constexpr int kExitFailure = 1;
constexpr int kExitTimeoutOrUsage = 2;

// `hostPath` is the host program's own absolute path (WScript.FullName).
int RunScript(const HostOptions& options, const std::string& hostPath);

}  // namespace scripthost
