#pragma once
// Dialog templates: each dialog's controls as a table (id, kind, text, place in dialog units),
// in template order, which is also the tab order and the window order. The window builds its
// widgets from these tables, so the layout lives in one place.

#include <initializer_list>
#include <string>
#include <vector>

#include "core/window/dialog_units.h"

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

// Control ids of the main window (dialog 102) that both tools share; each tool names its own.
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

// The OK button of the about box.
inline constexpr int kOk = 1;
}  // namespace ids

// Builders for the templates' tables: a control whose text is given in UTF-8 (held in CP932),
// and a drop-down list with its entries.
ControlTemplate MakeControl(int id, ControlKind kind, const char* utf8Text, DialogUnits place,
                            bool groupStart = false);
ControlTemplate MakeList(int id, ControlKind kind, DialogUnits place,
                         std::initializer_list<const char*> utf8Entries);

// The text of "送信データのバイナリ変換" (1000), alike in both tools (UTF-8).
inline constexpr const char* kDataTranText =
    "送信データのバイナリ変換 （例）<STX>,<ETX>,<00>～<0F>～<F0>～<FF>等";

// The template entry of a control id, or nullptr.
const ControlTemplate* FindControl(const DialogTemplate& dialog, int id);

// The about box (dialog 100) of a tool: "<program>のﾊﾞｰｼﾞｮﾝ情報", "<program> Version 2.00".
DialogTemplate AboutDialog(const std::string& programName);

}  // namespace core
