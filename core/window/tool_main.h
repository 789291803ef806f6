#pragma once
// A tool's whole start: the application object, the instance start (identifier, marker, paths,
// folders), the main window with the tool's transport, and the run until the window ends the
// process. Each tool's main() is one call of RunTool.

#include <functional>
#include <memory>

#include "core/tool_identity.h"
#include "core/transport.h"

namespace core {

class MainWindow;

// Makes the tool's transport for its window; the window outlives the transport.
using TransportMaker = std::function<std::unique_ptr<Transport>(MainWindow& window)>;

int RunTool(const ToolIdentity& tool, int argc, char** argv, const TransportMaker& makeTransport);

}  // namespace core
