#pragma once
// The settings file of each tool: what it holds, and how it is read while the main window opens
// and written once when the window closes.
//
// The structures are the window's fields for its controls: the window copies them into its
// controls after loading, and copies its controls back into them before saving. Every text is a
// CP932 byte string, as in the controls' exchange; numbers and check states are plain values. A
// default-constructed structure holds the defaults a missing file gives.
//
// Reading happens in three stages, as the window's opening order needs:
//   1. LoadWindowPlacement  - POS, applied to the window at once;
//   2. LoadSettings         - the tool's own keys, then DATA and START;
//   3. LoadOperatorLock     - SETTING DISABLE, last, after the transport start and the automatic
//                             connection; skipped when the TCP/IP tool's socket start failed, so
//                             that `disable` stays false and "0" is written back.
// SaveSettings writes every key, one write per key, in the file's order: POS, the tool's keys,
// DATA, START, SETTING. A missing file gives the defaults; a failed write is not reported.

#include <string>

#include "platform/cp932.h"

namespace core {

// POS: the window's outer frame in screen pixels (frame geometry, title bar and border
// included). Applying it: move to (x, y) always; resize only when width and height are both
// greater than 0, otherwise keep the designed size.
struct WindowPlacement {
  int x = 0;       // XPOS
  int y = 0;       // YPOS
  int width = 0;   // WIDTH
  int height = 0;  // HEIGHT
};

// The DATA and START sections, alike in both tools. A flag in the file counts as set when its
// value is not 0 ("2" and "-1" check the box too); it is written back as "0" or "1".
struct DataSettings {
  std::string sendText;   // DATA SENDTEXT: send box (1017), as typed, notation not applied
  bool dataTran = true;   // DATA DATATRAN: "送信データのバイナリ変換" (check box 1000)
  bool dataSave = false;  // DATA DATASAVE: "送受信データ保存" (check box 1001), data files
  bool dspHex = false;    // DATA DSPHEX: "HEX表示" (check box 1019)
  bool listSave = false;  // DATA LISTSAVE: "自動的にLOG保存" (1010 TCP/IP, 1021 RS-232C)
  bool conect = false;    // START CONECT: "起動時自動接続" (1011 TCP/IP, 1020 RS-232C)
};

// The TCP/IP tool's fields.
struct TcpIpSettings {
  std::string port = "4000";  // TCPIP PORT: port box (1015), as typed (may hold non-digits)
  // TCPIP SRV_CLI: true selects server mode ("サーバー" 1012 checked, address box disabled),
  // false client mode ("クライアント" 1013 checked, address box enabled). Only the exact bytes
  // "SRV" read as server; a missing key is server.
  bool server = true;
  // The address box (1016). Loading leaves it empty in server mode and puts IP in it in client
  // mode. Saving writes IP only when the box is not empty, as the text up to its first ":" (in
  // server mode the box may show "address:port" of the current peer).
  std::string addressBox;
  // TCPIP IP as read at start (`SavedIp`), in both modes; never written by SaveSettings. The
  // client radio button puts it back into the address box.
  std::string savedIp = "127.0.0.1";
  DataSettings data{platform::Cp932("<STX>１２３４５<ETX>")};
  // SETTING DISABLE, the operator lock, as read by LoadOperatorLock; false until then.
  bool disable = false;
};

// Entries of the RS-232C tool's lists, in list order. A position outside its list selects no
// entry and is written back as -1.
inline constexpr int kParityEntries = 5;  // "なし" "奇数" "偶数" "ﾏｰｸ" "ｽﾍﾟｰｽ"
inline constexpr int kStopBitEntries = 3;  // "1" "1.5" "2"
inline constexpr int kXonXoffEntries = 2;  // "なし" "あり"

// The RS-232C tool's fields.
struct SerialSettings {
  std::string port = "COM6";      // COM PORT: port name box (1015)
  std::string baudRate = "9600";  // COM BAUDRATE: speed box (1010), as typed
  std::string byteSize = "8";     // COM BYTESIZE: edit text of the byte-size list (1040)
  int parity = 0;                 // COM PARITY: position in list 1041
  int stopBit = 0;                // COM STOPBIT: position in list 1043
  int xonXoff = 0;                // COM XONOFF: position in list 1044
  std::string parityChar = "?";   // COM PARITYCHAR: parity error character box (1016)
  bool dtr = true;                // COM DTR: check box 1013 (non-zero counts as set)
  bool rts = true;                // COM RTS: check box 1018 (non-zero counts as set)
  DataSettings data{platform::Cp932("<STX>あいうえお<ETX>")};
  bool disable = false;  // SETTING DISABLE, as read by LoadOperatorLock
};

// Stage 1: POS (defaults 0).
WindowPlacement LoadWindowPlacement(const std::string& settingsFile);

// Stage 2: TCPIP PORT, SRV_CLI, IP, then DATA and START; sets the address box and `savedIp` as
// the mode says. `disable` is left alone.
void LoadSettings(const std::string& settingsFile, TcpIpSettings& settings);

// Stage 2: every COM key in the file's order, then DATA and START.
void LoadSettings(const std::string& settingsFile, SerialSettings& settings);

// Stage 3: SETTING DISABLE; true when the lock is set (value not 0).
bool LoadOperatorLock(const std::string& settingsFile);

// Writes every key. `frame` is the window's outer frame at close.
void SaveSettings(const std::string& settingsFile, const WindowPlacement& frame,
                  const TcpIpSettings& settings);
void SaveSettings(const std::string& settingsFile, const WindowPlacement& frame,
                  const SerialSettings& settings);

}  // namespace core
