// Start-up of the RS-232C test tool.
#include "core/window/tool_main.h"

int main(int argc, char** argv) {
  return core::RunTool(core::kSerialTool, argc, argv,
                       [](core::MainWindow&) { return std::make_unique<core::InertTransport>(); });
}
