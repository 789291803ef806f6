#include "core/window/tool_main.h"

#include <QApplication>

#include "core/instance.h"
#include "core/menu_start.h"
#include "core/window/display_guard.h"
#include "core/window/idle_cursor_blink.h"
#include "core/window/main_window.h"
#include "core/window/qt_user_dialogs.h"
#include "core/window/window_seams.h"
#include "platform/home_folder.h"

namespace core {

int RunTool(WindowTool& tool, int argc, char** argv) {
  // The application object takes its own options (-platform ...) out of the command line first,
  // so that only the instance identifier is left.
  // Without a display this ends the process with one line and exit code 1.
  DisplayGuard displayGuard(tool.Identity().programName);
  QApplication application(argc, argv);
  displayGuard.Release();
  QGuiApplication::setDesktopFileName(QString::fromLatin1(tool.Identity().desktopId));
  // A start from the menu moves into the tool's menu folder before the instance starts, so that
  // the instance's files are made there; the option itself names no instance.
  StartOptions options = OptionsFromCommandLine(argc, argv);
  if (!ApplyMenuStart(tool.Identity(), options, platform::HomeFolder())) return 1;
  std::optional<InstanceContext> instance = StartInstance(tool.Identity(), options);
  if (!instance) {
    ReportStartFailure(tool.Identity());
    return 1;
  }
  InstallFontSubstitutions();
  IdleCursorBlink idleCursor;
  QtUserDialogs dialogs;
  QtWindowSeams seams;
  MainWindow window(
      tool,
      {instance->instanceId, instance->settingsFile, instance->dataFolder, instance->logFolder},
      dialogs, seams, platform::SystemClock());
  dialogs.SetOwner(&window);
  std::unique_ptr<Transport> transport = tool.MakeTransport(window);
  window.SetTransport(*transport);
  return window.Run();
}

}  // namespace core
