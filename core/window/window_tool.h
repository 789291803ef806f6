#pragma once
// What a tool hands the main window frame: everything of the window that is the tool's own. The
// frame (core/window/main_window.h) is shared by both tools and knows neither; it builds its
// controls from the tool's template, binds the tool's fields, reads and writes the tool's
// settings through it, and asks it for its transport (core/transport.h). The list's margins
// for resizing follow from the template: the list's rectangle against the dialog's client size.
//
// A tool's main() is one call: core::RunTool(tool, argc, argv) (core/window/tool_main.h).

#include <memory>
#include <string>

#include "core/settings.h"
#include "core/tool_identity.h"
#include "core/transport.h"

namespace core {

struct DialogTemplate;
class FieldExchange;
class MainWindow;

class WindowTool {
 public:
  virtual ~WindowTool() = default;

  // The names of the tool's files (settings, marker, daily log, data files).
  virtual const ToolIdentity& Identity() const = 0;

  // Dialog 102 of the tool: every control in template order. It must hold the controls both
  // tools share (core/window/dialog_template.h, ids::), the traffic list among them.
  virtual const DialogTemplate& MainDialog() const = 0;

  // The window title for an instance identifier (CP932).
  virtual std::string Title(const std::string& instanceId) const = 0;

  // Binds the tool's own fields to its controls. The frame binds the controls both tools share
  // (send box, "送信データのバイナリ変換", "送受信データ保存", "HEX表示") to DataFields().
  virtual void BindFields(FieldExchange& exchange) = 0;
  virtual DataSettings& DataFields() = 0;

  // Reads the tool's keys with DATA and START into its fields, and sets the enabled states that
  // follow from them. Runs while the window opens, after the placement and before the fields are
  // pushed into the controls.
  virtual void LoadSettings(const std::string& settingsFile, MainWindow& window) = 0;
  // Writes every key; the controls have been taken into the fields. `frame` is the outer frame.
  virtual void SaveSettings(const std::string& settingsFile, const WindowPlacement& frame) = 0;
  // The operator lock as read at opening, kept so that the settings write it back.
  virtual void SetOperatorLock(bool on) = 0;

  // The tool's transport for its window; the window outlives it.
  virtual std::unique_ptr<Transport> MakeTransport(MainWindow& window) = 0;
  // Runs when the transport's start failed; the rest of the opening is skipped after it.
  virtual void ReportTransportStartFailure(MainWindow& window) = 0;
};

}  // namespace core
