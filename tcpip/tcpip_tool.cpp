#include "tcpip/tcpip_tool.h"

#include "core/window/field_exchange.h"
#include "core/window/main_window.h"
#include "platform/cp932.h"
#include "tcpip/tcp_transport.h"

namespace tcpip {
namespace {

using core::MakeControl;
using K = core::ControlKind;
namespace common = core::ids;

core::DialogTemplate MakeTcpIpMainDialog() {
  core::DialogTemplate dialog;
  dialog.width = 265;
  dialog.height = 261;
  dialog.controls = {
      MakeControl(ids::kServer, K::RadioButton, "サーバー", {5, 15, 45, 12}, true),
      MakeControl(ids::kClient, K::RadioButton, "クライアント", {5, 30, 47, 12}),
      MakeControl(ids::kPort, K::EditDigits, "", {117, 14, 30, 14}, true),
      MakeControl(ids::kPeerAddress, K::Edit, "", {117, 29, 139, 14}),
      MakeControl(common::kSendBox, K::Edit, "", {51, 49, 211, 14}),
      MakeControl(common::kDataTran, K::CheckBox, core::kDataTranText, {5, 66, 253, 11}),
      MakeControl(common::kDataSave, K::CheckBox, "送受信データ保存", {77, 77, 64, 11}),
      MakeControl(common::kConnect, K::PushButton, "接　続", {5, 89, 41, 15}),
      MakeControl(common::kDisconnect, K::PushButton, "切　断", {48, 89, 41, 15}),
      MakeControl(common::kSendText, K::PushButton, "TEXT送信", {90, 89, 41, 15}),
      MakeControl(common::kSendFile, K::PushButton, "FILE送信", {133, 89, 41, 15}),
      MakeControl(common::kSaveLog, K::PushButton, "LOG保存", {176, 89, 41, 15}),
      MakeControl(common::kClearLog, K::PushButton, "LOGクリア", {218, 89, 41, 15}),
      MakeControl(common::kTrafficList, K::ListBox, "", {3, 107, 258, 151}),
      MakeControl(0, K::Label, "ポート番号", {83, 17, 32, 10}),
      MakeControl(0, K::Label, "接続先ＩＰのアドレス", {57, 32, 59, 10}),
      MakeControl(0, K::Label, "送信するTEXT", {5, 52, 44, 10}),
      MakeControl(0, K::GroupBox, "ＴＣＰ／ＩＰの設定", {3, 1, 258, 45}),
      MakeControl(common::kDspHex, K::CheckBox, "HEX表示", {221, 77, 37, 11}),
      MakeControl(ids::kConect, K::CheckBox, "起動時自動接続", {5, 77, 62, 12}),
      MakeControl(ids::kListSave, K::CheckBox, "自動的にLOG保存", {149, 77, 64, 11}),
  };
  return dialog;
}

}  // namespace

const core::DialogTemplate& TcpIpMainDialog() {
  static const core::DialogTemplate dialog = MakeTcpIpMainDialog();
  return dialog;
}

std::string TcpIpTool::Title(const std::string& instanceId) const {
  return platform::Cp932("TCP/IPテストツール(") + instanceId + ")";
}

void TcpIpTool::BindFields(core::FieldExchange& exchange) {
  exchange.BindRadioPair(ids::kServer, ids::kClient, fields.server);
  exchange.BindText(ids::kPort, fields.port);
  exchange.BindText(ids::kPeerAddress, fields.addressBox);
  exchange.BindCheck(ids::kListSave, fields.data.listSave);
  exchange.BindCheck(ids::kConect, fields.data.conect);
}

void TcpIpTool::LoadSettings(const std::string& settingsFile, core::MainWindow& window) {
  window.EnableControl(ids::kServer, true);
  window.EnableControl(ids::kClient, true);
  core::LoadSettings(settingsFile, fields);
  // The address box is for client mode only.
  window.EnableControl(ids::kPeerAddress, !fields.server);
}

void TcpIpTool::SaveSettings(const std::string& settingsFile, const core::WindowPlacement& frame) {
  core::SaveSettings(settingsFile, frame, fields);
}

std::unique_ptr<core::Transport> TcpIpTool::MakeTransport(core::MainWindow& window) {
  return std::make_unique<TcpTransport>(window, fields);
}

void TcpIpTool::ReportTransportStartFailure(core::MainWindow& window) {
  window.ShowErrorBox(platform::Cp932("ソケット初期化エラー"));
}

}  // namespace tcpip
