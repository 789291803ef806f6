// quorvane-script: runs a script written for the original platform's script host.

#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "scripthost/command_line.h"
#include "scripthost/script_host.h"

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  auto parsed = scripthost::ParseCommandLine(arguments);
  if (auto* usage = std::get_if<scripthost::UsageError>(&parsed)) {
    if (!usage->reason.empty())
      std::fprintf(stderr, "quorvane-script: %s\n", usage->reason.c_str());
    std::fprintf(usage->reason.empty() ? stdout : stderr, "%s\n", scripthost::UsageText().c_str());
    return usage->reason.empty() ? 0 : scripthost::kExitTimeoutOrUsage;
  }
  // Qt is given only the program's name, so that none of the script's arguments is taken as an
  // option of Qt's own.
  int qtArgc = 1;
  QCoreApplication application(qtArgc, argv);
  return scripthost::RunScript(std::get<scripthost::HostOptions>(parsed),
                               QCoreApplication::applicationFilePath().toStdString());
}
