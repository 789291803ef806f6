#include "core/window/dialog_template.h"

#include <cstdint>

#include "platform/cp932.h"

namespace core {

int MulDiv(int value, int numerator, int denominator) {
  const std::int64_t product = std::int64_t{value} * numerator;
  const std::int64_t half = denominator / 2;
  const std::int64_t rounded =
      product >= 0 ? (product + half) / denominator : (product - half) / denominator;
  return static_cast<int>(rounded);
}

int HorizontalUnitsToPixels(int units) {
  return MulDiv(units, kBaseUnitX, 4);
}
int VerticalUnitsToPixels(int units) {
  return MulDiv(units, kBaseUnitY, 8);
}

PixelRect DialogUnitsToPixels(const DialogUnits& units) {
  const int left = HorizontalUnitsToPixels(units.x);
  const int top = VerticalUnitsToPixels(units.y);
  const int right = HorizontalUnitsToPixels(units.x + units.width);
  const int bottom = VerticalUnitsToPixels(units.y + units.height);
  return {left, top, right - left, bottom - top};
}

namespace {

using K = ControlKind;

ControlTemplate C(int id, ControlKind kind, const char* utf8, DialogUnits place,
                  bool groupStart = false) {
  return {id, kind, platform::Cp932(utf8), place, groupStart, {}};
}

ControlTemplate List(int id, ControlKind kind, DialogUnits place,
                     std::initializer_list<const char*> entries) {
  ControlTemplate control{id, kind, {}, place, false, {}};
  for (const char* entry : entries) control.entries.push_back(platform::Cp932(entry));
  return control;
}

constexpr const char* kDataTranText =
    "送信データのバイナリ変換 （例）<STX>,<ETX>,<00>～<0F>～<F0>～<FF>等";

DialogTemplate MakeTcpIpMainDialog() {
  DialogTemplate dialog;
  dialog.width = 265;
  dialog.height = 261;
  dialog.controls = {
      C(ids::kServer, K::RadioButton, "サーバー", {5, 15, 45, 12}, true),
      C(ids::kClient, K::RadioButton, "クライアント", {5, 30, 47, 12}),
      C(ids::kTcpPort, K::EditDigits, "", {117, 14, 30, 14}, true),
      C(ids::kPeerAddress, K::Edit, "", {117, 29, 139, 14}),
      C(ids::kSendBox, K::Edit, "", {51, 49, 211, 14}),
      C(ids::kDataTran, K::CheckBox, kDataTranText, {5, 66, 253, 11}),
      C(ids::kDataSave, K::CheckBox, "送受信データ保存", {77, 77, 64, 11}),
      C(ids::kConnect, K::PushButton, "接　続", {5, 89, 41, 15}),
      C(ids::kDisconnect, K::PushButton, "切　断", {48, 89, 41, 15}),
      C(ids::kSendText, K::PushButton, "TEXT送信", {90, 89, 41, 15}),
      C(ids::kSendFile, K::PushButton, "FILE送信", {133, 89, 41, 15}),
      C(ids::kSaveLog, K::PushButton, "LOG保存", {176, 89, 41, 15}),
      C(ids::kClearLog, K::PushButton, "LOGクリア", {218, 89, 41, 15}),
      C(ids::kTrafficList, K::ListBox, "", {3, 107, 258, 151}),
      C(0, K::Label, "ポート番号", {83, 17, 32, 10}),
      C(0, K::Label, "接続先ＩＰのアドレス", {57, 32, 59, 10}),
      C(0, K::Label, "送信するTEXT", {5, 52, 44, 10}),
      C(0, K::GroupBox, "ＴＣＰ／ＩＰの設定", {3, 1, 258, 45}),
      C(ids::kDspHex, K::CheckBox, "HEX表示", {221, 77, 37, 11}),
      C(ids::kTcpConect, K::CheckBox, "起動時自動接続", {5, 77, 62, 12}),
      C(ids::kTcpListSave, K::CheckBox, "自動的にLOG保存", {149, 77, 64, 11}),
  };
  return dialog;
}

DialogTemplate MakeSerialMainDialog() {
  DialogTemplate dialog;
  dialog.width = 265;
  dialog.height = 261;
  dialog.controls = {
      C(0, K::GroupBox, "ＲＳ２３２Ｃの設定", {3, 1, 258, 70}),
      C(0, K::Label, "ポート名", {6, 14, 26, 10}),
      C(ids::kPortName, K::Edit, "", {33, 12, 34, 14}),
      C(0, K::Label, "ボーレート", {69, 15, 31, 10}),
      C(ids::kBaudRate, K::EditDigits, "", {101, 12, 34, 14}),
      C(0, K::Label, "バイトサイズ", {137, 15, 38, 10}),
      List(ids::kByteSize, K::ComboEditable, {176, 12, 27, 152}, {"5", "6", "7", "8"}),
      C(0, K::Label, "パリティ", {205, 14, 24, 10}),
      List(ids::kParity, K::ComboList, {231, 12, 27, 152},
           {"なし", "奇数", "偶数", "ﾏｰｸ", "ｽﾍﾟｰｽ"}),
      C(0, K::Label, "ストップビット", {6, 31, 39, 10}),
      List(ids::kStopBits, K::ComboList, {45, 28, 22, 152}, {"1", "1.5", "2"}),
      C(0, K::Label, "パリティエラー文字", {117, 31, 57, 10}),
      C(ids::kParityChar, K::Edit, "", {176, 28, 11, 14}),
      C(0, K::Label, "X ON／OFF", {193, 31, 36, 10}),
      List(ids::kXonXoff, K::ComboList, {231, 28, 27, 152}, {"なし", "あり"}),
      C(0, K::GroupBox, "ライン状態(入力：表示のみ)", {6, 44, 162, 24}),
      C(ids::kDsr, K::Indicator, "DSR", {13, 56, 23, 8}),
      C(ids::kCts, K::Indicator, "CTS", {52, 56, 23, 8}),
      C(ids::kRing, K::Indicator, "RING", {91, 56, 25, 8}),
      C(ids::kRlsd, K::Indicator, "RLSD", {132, 56, 26, 8}),
      C(0, K::GroupBox, "ライン状態(出力)", {173, 44, 85, 24}),
      C(ids::kDtr, K::CheckBoxTextLeft, "DTR", {184, 56, 23, 8}),
      C(ids::kRts, K::CheckBoxTextLeft, "RTS", {223, 56, 23, 8}),
      C(0, K::Label, "送信TEXT", {5, 77, 31, 10}),
      C(ids::kSendBox, K::Edit, "", {37, 74, 224, 14}),
      C(ids::kDataTran, K::CheckBox, kDataTranText, {5, 91, 253, 11}),
      C(ids::kSerialConect, K::CheckBox, "起動時自動接続", {5, 102, 62, 12}),
      C(ids::kDataSave, K::CheckBox, "送受信データ保存", {77, 102, 65, 11}),
      C(ids::kSerialListSave, K::CheckBox, "自動的にLOG保存", {149, 102, 64, 11}),
      C(ids::kDspHex, K::CheckBox, "HEX表示", {221, 102, 37, 11}),
      C(ids::kConnect, K::PushButton, "接　続", {5, 114, 41, 15}),
      C(ids::kDisconnect, K::PushButton, "切　断", {48, 114, 41, 15}),
      C(ids::kSendText, K::PushButton, "TEXT送信", {90, 114, 41, 15}),
      C(ids::kSendFile, K::PushButton, "FILE送信", {133, 114, 41, 15}),
      C(ids::kSaveLog, K::PushButton, "LOG保存", {176, 114, 41, 15}),
      C(ids::kClearLog, K::PushButton, "LOGクリア", {218, 114, 41, 15}),
      C(ids::kTrafficList, K::ListBox, "", {3, 132, 258, 126}),
  };
  return dialog;
}

}  // namespace

const DialogTemplate& TcpIpMainDialog() {
  static const DialogTemplate dialog = MakeTcpIpMainDialog();
  return dialog;
}

const DialogTemplate& SerialMainDialog() {
  static const DialogTemplate dialog = MakeSerialMainDialog();
  return dialog;
}

DialogTemplate AboutDialog(const std::string& programName) {
  DialogTemplate dialog;
  dialog.title = programName + platform::Cp932("のﾊﾞｰｼﾞｮﾝ情報");
  dialog.width = 235;
  dialog.height = 55;
  dialog.controls = {
      C(0, K::Icon, "", {11, 17, 20, 20}),
      {0, K::Label, programName + " Version 2.00", {40, 10, 119, 8}, false, {}},
      C(ids::kOk, K::PushButton, "OK", {178, 7, 50, 14}, true),
  };
  return dialog;
}

}  // namespace core
