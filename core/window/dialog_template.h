#pragma once
// Dialog templates: each dialog's controls as a table (id, kind, text, place in dialog units),
// in template order, which is also the tab order and the window order. The window builds its
// widgets from these tables, so the layout lives in one place.

#include <string>
#include <vector>

namespace core {

enum class ControlKind {
  PushButton,
  CheckBox,
  CheckBoxTextLeft,  // a check box that shows its text to the left of the box
  Indicator,         // a check box used as a display, not a tab stop
  RadioButton,       // starts a group when `groupStart` is set
  Edit,
  EditDigits,  // an edit box that takes digits only
  ComboEditable,
  ComboList,
  ListBox,
  Label,
  GroupBox,
  Icon,
};

// A rectangle in dialog units.
struct DialogUnits {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// A rectangle in pixels.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct ControlTemplate {
  int id = 0;  // 0 for labels and group boxes, which nothing addresses
  ControlKind kind = ControlKind::Label;
  std::string text;  // CP932
  DialogUnits place;
  bool groupStart = false;
  std::vector<std::string> entries;  // the entries of a drop-down list (CP932)
};

struct DialogTemplate {
  std::string title;  // CP932; empty when the program sets it
  int width = 0;      // dialog units
  int height = 0;
  std::vector<ControlTemplate> controls;
};

// The dialog font gives base units of 6 x 12 pixels; a horizontal unit is a quarter of the base
// width and a vertical unit an eighth of the base height.
inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 12;

// MulDiv: value * numerator / denominator rounded half away from zero.
int MulDiv(int value, int numerator, int denominator);

// Converts each corner separately, so that neighbouring controls share their edges exactly.
PixelRect DialogUnitsToPixels(const DialogUnits& units);
int HorizontalUnitsToPixels(int units);
int VerticalUnitsToPixels(int units);

// Control ids of the main window (dialog 102), shared by both tools where the ids agree.
namespace ids {
inline constexpr int kDataTran = 1000;     // "送信データのバイナリ変換"
inline constexpr int kDataSave = 1001;     // "送受信データ保存"
inline constexpr int kConnect = 1004;      // "接　続"
inline constexpr int kSendText = 1005;     // "TEXT送信"
inline constexpr int kSaveLog = 1006;      // "LOG保存"
inline constexpr int kClearLog = 1007;     // "LOGクリア"
inline constexpr int kDisconnect = 1008;   // "切　断"
inline constexpr int kSendFile = 1009;     // "FILE送信"
inline constexpr int kTrafficList = 1014;  // the traffic list
inline constexpr int kSendBox = 1017;      // the send text
inline constexpr int kDspHex = 1019;       // "HEX表示"

// TCP/IP tool.
inline constexpr int kTcpListSave = 1010;  // "自動的にLOG保存"
inline constexpr int kTcpConect = 1011;    // "起動時自動接続"
inline constexpr int kServer = 1012;       // "サーバー"
inline constexpr int kClient = 1013;       // "クライアント"
inline constexpr int kTcpPort = 1015;      // port box
inline constexpr int kPeerAddress = 1016;  // peer address box

// RS-232C tool.
inline constexpr int kDsr = 1002;
inline constexpr int kCts = 1003;
inline constexpr int kBaudRate = 1010;
inline constexpr int kRing = 1011;
inline constexpr int kRlsd = 1012;
inline constexpr int kDtr = 1013;
inline constexpr int kPortName = 1015;
inline constexpr int kParityChar = 1016;
inline constexpr int kRts = 1018;
inline constexpr int kSerialConect = 1020;
inline constexpr int kSerialListSave = 1021;
inline constexpr int kByteSize = 1040;
inline constexpr int kParity = 1041;
inline constexpr int kStopBits = 1043;
inline constexpr int kXonXoff = 1044;

// The OK button of the about box.
inline constexpr int kOk = 1;
}  // namespace ids

const DialogTemplate& TcpIpMainDialog();
const DialogTemplate& SerialMainDialog();
// The about box (dialog 100) of a tool: "<program>のﾊﾞｰｼﾞｮﾝ情報", "<program> Version 2.00".
DialogTemplate AboutDialog(const std::string& programName);

}  // namespace core
