#pragma once
// A tool's whole start: the application object, the instance start (identifier, marker, paths,
// folders), the main window with the tool's parts and transport, and the run until the window
// ends the process. Each tool's main() is one call of RunTool with the tool's parts.

#include "core/window/window_tool.h"

namespace core {

int RunTool(WindowTool& tool, int argc, char** argv);

}  // namespace core
