// A stand-in for a tool's start, run as a separate process by the instance tests:
//   instance_helper <tcpip|serial> <hold|exit|orphan> [command line words...]
// It starts an instance, prints the identifier (UTF-8), the settings file, the data folder, the
// log folder and "held" or "none" for the marker, one per line. "hold" keeps the instance until
// standard input ends; "orphan" removes the working directory before the start. A leading
// "--menu" among the words starts it as the desktop's menu does, in the menu folder under $HOME.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "core/instance.h"
#include "core/menu_start.h"
#include "platform/cp932.h"
#include "platform/home_folder.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const core::ToolIdentity& tool =
      std::string(argv[1]) == "serial" ? core::kSerialTool : core::kTcpIpTool;
  std::string mode = argv[2];
  core::StartOptions options;
  for (int i = 3; i < argc; ++i) options.arguments.emplace_back(argv[i]);
  if (mode == "orphan") {
    std::error_code error;
    std::filesystem::remove(std::filesystem::current_path(), error);
  }
  if (!core::ApplyMenuStart(tool, options, platform::HomeFolder())) return 1;
  auto instance = core::StartInstance(tool, options);
  if (!instance) {
    core::ReportStartFailure(tool);
    return 1;
  }
  std::printf("%s\n%s\n%s\n%s\n%s\n", platform::Cp932ToUtf8(instance->instanceId).c_str(),
              instance->settingsFile.c_str(), instance->dataFolder.c_str(),
              instance->logFolder.c_str(), instance->marker.IsHeld() ? "held" : "none");
  std::fflush(stdout);
  if (mode == "hold") {
    std::string line;
    while (std::getline(std::cin, line)) {
    }
  }
  return 0;
}
