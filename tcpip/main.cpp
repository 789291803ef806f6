// Start-up of the TCP/IP test tool.
#include "core/window/tool_main.h"

int main(int argc, char** argv) {
  return core::RunTool(core::kTcpIpTool, argc, argv,
                       [](core::MainWindow&) { return std::make_unique<core::InertTransport>(); });
}
