#pragma once
// What the RS-232C tool hands the window frame: its dialog 102 (the port settings and the line
// states above the common controls), its fields and their controls, its title, its settings
// keys and its transport.

#include <memory>
#include <string>

#include "core/settings.h"
#include "core/window/dialog_template.h"
#include "core/window/window_tool.h"

namespace serial {

// The RS-232C tool's own control ids.
namespace ids {
inline constexpr int kDsr = 1002;
inline constexpr int kCts = 1003;
inline constexpr int kBaudRate = 1010;  // "ボーレート"
inline constexpr int kRing = 1011;
inline constexpr int kRlsd = 1012;
inline constexpr int kDtr = 1013;
inline constexpr int kPortName = 1015;    // "ポート名"
inline constexpr int kParityChar = 1016;  // "パリティエラー文字"
inline constexpr int kRts = 1018;
inline constexpr int kConect = 1020;    // "起動時自動接続"
inline constexpr int kListSave = 1021;  // "自動的にLOG保存"
inline constexpr int kByteSize = 1040;  // "バイトサイズ"
inline constexpr int kParity = 1041;    // "パリティ"
inline constexpr int kStopBits = 1043;  // "ストップビット"
inline constexpr int kXonXoff = 1044;   // "X ON／OFF"
}  // namespace ids

const core::DialogTemplate& SerialMainDialog();

// The four modem-line indicators: shown, never stored.
struct LineIndicators {
  bool dsr = false;
  bool cts = false;
  bool ring = false;
  bool rlsd = false;
};

class SerialTool final : public core::WindowTool {
 public:
  // The window's fields of the serial controls; the transport works on them.
  core::SerialSettings fields;
  LineIndicators indicators;

  const core::ToolIdentity& Identity() const override { return core::kSerialTool; }
  const core::DialogTemplate& MainDialog() const override { return SerialMainDialog(); }
  std::string Title(const std::string& instanceId) const override;
  void BindFields(core::FieldExchange& exchange) override;
  core::DataSettings& DataFields() override { return fields.data; }
  void LoadSettings(const std::string& settingsFile, core::MainWindow& window) override;
  void SaveSettings(const std::string& settingsFile, const core::WindowPlacement& frame) override;
  void SetOperatorLock(bool on) override { fields.disable = on; }
  std::unique_ptr<core::Transport> MakeTransport(core::MainWindow& window) override;
  // The serial engine's set-up cannot fail: nothing to report.
  void ReportTransportStartFailure(core::MainWindow&) override {}
};

}  // namespace serial
