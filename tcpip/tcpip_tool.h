#pragma once
// What the TCP/IP tool hands the window frame: its dialog 102 (the TCP/IP settings above the
// common controls), its fields and their controls, its title, its settings keys, its transport
// and what a failed socket start shows.

#include <memory>
#include <string>

#include "core/settings.h"
#include "core/window/dialog_template.h"
#include "core/window/window_tool.h"

namespace tcpip {

// The TCP/IP tool's own control ids.
namespace ids {
inline constexpr int kListSave = 1010;     // "自動的にLOG保存"
inline constexpr int kConect = 1011;       // "起動時自動接続"
inline constexpr int kServer = 1012;       // "サーバー"
inline constexpr int kClient = 1013;       // "クライアント"
inline constexpr int kPort = 1015;         // port box
inline constexpr int kPeerAddress = 1016;  // peer address box
}  // namespace ids

const core::DialogTemplate& TcpIpMainDialog();

class TcpIpTool final : public core::WindowTool {
 public:
  // The window's fields of the TCP/IP controls; the transport works on them.
  core::TcpIpSettings fields;

  const core::ToolIdentity& Identity() const override { return core::kTcpIpTool; }
  const core::DialogTemplate& MainDialog() const override { return TcpIpMainDialog(); }
  std::string Title(const std::string& instanceId) const override;
  void BindFields(core::FieldExchange& exchange) override;
  core::DataSettings& DataFields() override { return fields.data; }
  void LoadSettings(const std::string& settingsFile, core::MainWindow& window) override;
  void SaveSettings(const std::string& settingsFile, const core::WindowPlacement& frame) override;
  void SetOperatorLock(bool on) override { fields.disable = on; }
  std::unique_ptr<core::Transport> MakeTransport(core::MainWindow& window) override;
  void ReportTransportStartFailure(core::MainWindow& window) override;
};

}  // namespace tcpip
