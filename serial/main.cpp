// Start-up of the tool. Until the main window is built, the start ends after the instance is set
// up: it prints the identifier and the three paths (UTF-8) and exits with 0.
#include <cstdio>

#include "core/instance.h"
#include "platform/cp932.h"

int main(int argc, char** argv) {
  auto instance = core::StartInstance(core::kSerialTool, core::OptionsFromCommandLine(argc, argv));
  if (!instance) {
    core::ReportStartFailure(core::kSerialTool);
    return 1;
  }
  std::printf("%s\n%s\n%s\n%s\n", platform::Cp932ToUtf8(instance->instanceId).c_str(),
              instance->settingsFile.c_str(), instance->dataFolder.c_str(),
              instance->logFolder.c_str());
  return 0;
}
