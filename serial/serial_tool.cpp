#include "serial/serial_tool.h"

#include "core/window/field_exchange.h"
#include "core/window/main_window.h"
#include "platform/cp932.h"
#include "serial/serial_transport.h"

namespace serial {
namespace {

using core::MakeControl;
using core::MakeList;
using K = core::ControlKind;
namespace common = core::ids;

core::DialogTemplate MakeSerialMainDialog() {
  core::DialogTemplate dialog;
  dialog.width = 265;
  dialog.height = 261;
  dialog.controls = {
      MakeControl(0, K::GroupBox, "ＲＳ２３２Ｃの設定", {3, 1, 258, 70}),
      MakeControl(0, K::Label, "ポート名", {6, 14, 26, 10}),
      MakeControl(ids::kPortName, K::Edit, "", {33, 12, 34, 14}),
      MakeControl(0, K::Label, "ボーレート", {69, 15, 31, 10}),
      MakeControl(ids::kBaudRate, K::EditDigits, "", {101, 12, 34, 14}),
      MakeControl(0, K::Label, "バイトサイズ", {137, 15, 38, 10}),
      MakeList(ids::kByteSize, K::ComboEditable, {176, 12, 27, 152}, {"5", "6", "7", "8"}),
      MakeControl(0, K::Label, "パリティ", {205, 14, 24, 10}),
      MakeList(ids::kParity, K::ComboList, {231, 12, 27, 152},
               {"なし", "奇数", "偶数", "ﾏｰｸ", "ｽﾍﾟｰｽ"}),
      MakeControl(0, K::Label, "ストップビット", {6, 31, 39, 10}),
      MakeList(ids::kStopBits, K::ComboList, {45, 28, 22, 152}, {"1", "1.5", "2"}),
      MakeControl(0, K::Label, "パリティエラー文字", {117, 31, 57, 10}),
      MakeControl(ids::kParityChar, K::Edit, "", {176, 28, 11, 14}),
      MakeControl(0, K::Label, "X ON／OFF", {193, 31, 36, 10}),
      MakeList(ids::kXonXoff, K::ComboList, {231, 28, 27, 152}, {"なし", "あり"}),
      MakeControl(0, K::GroupBox, "ライン状態(入力：表示のみ)", {6, 44, 162, 24}),
      MakeControl(ids::kDsr, K::Indicator, "DSR", {13, 56, 23, 8}),
      MakeControl(ids::kCts, K::Indicator, "CTS", {52, 56, 23, 8}),
      MakeControl(ids::kRing, K::Indicator, "RING", {91, 56, 25, 8}),
      MakeControl(ids::kRlsd, K::Indicator, "RLSD", {132, 56, 26, 8}),
      MakeControl(0, K::GroupBox, "ライン状態(出力)", {173, 44, 85, 24}),
      MakeControl(ids::kDtr, K::CheckBoxTextLeft, "DTR", {184, 56, 23, 8}),
      MakeControl(ids::kRts, K::CheckBoxTextLeft, "RTS", {223, 56, 23, 8}),
      MakeControl(0, K::Label, "送信TEXT", {5, 77, 31, 10}),
      MakeControl(common::kSendBox, K::Edit, "", {37, 74, 224, 14}),
      MakeControl(common::kDataTran, K::CheckBox, core::kDataTranText, {5, 91, 253, 11}),
      MakeControl(ids::kConect, K::CheckBox, "起動時自動接続", {5, 102, 62, 12}),
      MakeControl(common::kDataSave, K::CheckBox, "送受信データ保存", {77, 102, 65, 11}),
      MakeControl(ids::kListSave, K::CheckBox, "自動的にLOG保存", {149, 102, 64, 11}),
      MakeControl(common::kDspHex, K::CheckBox, "HEX表示", {221, 102, 37, 11}),
      MakeControl(common::kConnect, K::PushButton, "接　続", {5, 114, 41, 15}),
      MakeControl(common::kDisconnect, K::PushButton, "切　断", {48, 114, 41, 15}),
      MakeControl(common::kSendText, K::PushButton, "TEXT送信", {90, 114, 41, 15}),
      MakeControl(common::kSendFile, K::PushButton, "FILE送信", {133, 114, 41, 15}),
      MakeControl(common::kSaveLog, K::PushButton, "LOG保存", {176, 114, 41, 15}),
      MakeControl(common::kClearLog, K::PushButton, "LOGクリア", {218, 114, 41, 15}),
      MakeControl(common::kTrafficList, K::ListBox, "", {3, 132, 258, 126}),
  };
  return dialog;
}

}  // namespace

const core::DialogTemplate& SerialMainDialog() {
  static const core::DialogTemplate dialog = MakeSerialMainDialog();
  return dialog;
}

std::string SerialTool::Title(const std::string& instanceId) const {
  return platform::Cp932("RS232Cテストツール(") + instanceId + ")";
}

void SerialTool::BindFields(core::FieldExchange& exchange) {
  exchange.BindText(ids::kPortName, fields.port);
  exchange.BindText(ids::kBaudRate, fields.baudRate);
  exchange.BindText(ids::kByteSize, fields.byteSize);
  exchange.BindSelection(ids::kParity, fields.parity);
  exchange.BindSelection(ids::kStopBits, fields.stopBit);
  exchange.BindText(ids::kParityChar, fields.parityChar);
  exchange.BindSelection(ids::kXonXoff, fields.xonXoff);
  exchange.BindCheck(ids::kDtr, fields.dtr);
  exchange.BindCheck(ids::kRts, fields.rts);
  exchange.BindCheck(ids::kListSave, fields.data.listSave);
  exchange.BindCheck(ids::kConect, fields.data.conect);
  exchange.BindCheck(ids::kDsr, indicators.dsr);
  exchange.BindCheck(ids::kCts, indicators.cts);
  exchange.BindCheck(ids::kRing, indicators.ring);
  exchange.BindCheck(ids::kRlsd, indicators.rlsd);
}

void SerialTool::LoadSettings(const std::string& settingsFile, core::MainWindow&) {
  core::LoadSettings(settingsFile, fields);
}

void SerialTool::SaveSettings(const std::string& settingsFile, const core::WindowPlacement& frame) {
  core::SaveSettings(settingsFile, frame, fields);
}

std::unique_ptr<core::Transport> SerialTool::MakeTransport(core::MainWindow& window) {
  return std::make_unique<SerialTransport>(window, *this);
}

}  // namespace serial
