// Start-up of the TCP/IP test tool.
#include "core/window/tool_main.h"
#include "tcpip/tcp_transport.h"

int main(int argc, char** argv) {
  return core::RunTool(core::kTcpIpTool, argc, argv, [](core::MainWindow& window) {
    return std::make_unique<tcpip::TcpTransport>(window);
  });
}
