// Start-up of the RS-232C test tool.
#include "core/window/tool_main.h"
#include "serial/serial_tool.h"

int main(int argc, char** argv) {
  serial::SerialTool tool;
  return core::RunTool(tool, argc, argv);
}
