#include "scripthost/host_runner.h"

#include "platform/process.h"

namespace scripthost_testing {

HostResult HostRunner::Run(const HostRun& run) {
  const std::string scriptPath = folder_ / run.scriptName;
  const std::string inputPath = folder_ / "stdin.txt";
  const std::string errorPath = folder_ / "stderr.txt";
  if (run.writeScript) testing_support::WriteWholeFile(scriptPath, run.script);
  testing_support::WriteWholeFile(inputPath, run.input);
  // The child process pipes standard input and output; the shell sends standard error, and
  // standard input unless it is to stay open, through files.
  std::vector<std::string> arguments{"-c",
                                     run.inputStaysOpen
                                         ? "exec \"$@\" 2>\"$QV_TEST_STDERR\""
                                         : "exec \"$@\" <\"$QV_TEST_STDIN\" 2>\"$QV_TEST_STDERR\"",
                                     "sh", TK_SCRIPT_HOST};
  arguments.insert(arguments.end(), run.options.begin(), run.options.end());
  if (!run.scriptName.empty()) arguments.push_back(run.scriptName);
  arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
  auto environment = run.environment;
  environment.emplace_back("QV_TEST_STDIN", inputPath);
  environment.emplace_back("QV_TEST_STDERR", errorPath);
  platform::ChildProcess child =
      platform::ChildProcess::Start({"/bin/sh", arguments, folder_.str(), environment});
  HostResult result;
  if (!child.IsRunning()) return result;
  result.out = child.ReadRest();
  result.exitCode = child.Wait();
  result.err = testing_support::ReadWholeFile(errorPath);
  return result;
}

}  // namespace scripthost_testing
