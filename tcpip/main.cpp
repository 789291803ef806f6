// Start-up of the TCP/IP test tool.
#include "core/window/tool_main.h"
#include "tcpip/tcpip_tool.h"

int main(int argc, char** argv) {
  tcpip::TcpIpTool tool;
  return core::RunTool(tool, argc, argv);
}
