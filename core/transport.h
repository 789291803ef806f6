#pragma once
// The table of operations through which the main window frame reaches its tool's transport (the
// TCP/IP endpoints or the serial port). The frame is shared by both tools and knows neither
// sockets nor serial ports: it calls these operations and nothing else of the tool.
//
// How a tool meets the frame (core/window/main_window.h, class core::MainWindow): the tool's
// parts (core/window/window_tool.h) hold its template, its fields, its title and settings, and
// make its transport for the window:
//
//   main():  tcpip::TcpIpTool tool;  return core::RunTool(tool, argc, argv);
//            (core/window/tool_main.h; the tool's MakeTransport(window) gives the transport)
//
// The window is built (every control of dialog 102 exists) before the transport is made, so the
// transport's constructor may connect its own handlers. From the tool's handlers, through the
// MainWindow it was given:
//   - AddTrafficLine(line): one traffic line (CP932), shown, kept in the history, logged daily.
//   - The tool's own fields live in its parts; DataFields() are the shared ones. ControlsToFields()
//     at the start of every handler, FieldsToControls() at the end of its normal path (the
//     dialog data exchange).
//   - Control(id) gives the widget of a dialog id (core/window/dialog_template.h, ids::), and
//     EnableControl(id, on) switches it. Tools connect their own handlers ("TEXT送信", the mode
//     buttons, DTR/RTS) to the clicked/activated signals of their controls, which only the user
//     raises; the frame itself wires "接　続", "切　断", "FILE送信", "LOG保存" and "LOGクリア".
//   - Recording(): the data files of the instance (WriteDataFile; core/recording.h).
//   - ShowErrorBox(caption, text): the modal error box; without a text it shows the system text
//     of the last error.
//   - Messages(): the window's platform::MessageQueue; endpoints and the serial engine post their
//     window messages through it (Hold/ProcessRepaints for blocking waits), and the frame hands
//     each one to HandleWindowMessage below. PumpMessages() runs everything waiting.
//   - SetTrafficLineSelectedByUser(handler): runs only when the user (not the program) selects
//     a line of the traffic list (the TCP/IP tool's peer selection); TrafficListWidget() reads
//     the list.

#include <string>

#include "platform/window_messages.h"

namespace core {

class Transport {
 public:
  virtual ~Transport() = default;

  // Runs once while the window opens, after the settings have been pushed into the controls.
  // Returns false when the transport cannot work at all; the TCP/IP tool's frame then shows the
  // box "ソケット初期化エラー" (with the system text of the last error) and skips the rest of the
  // opening: no dropped files, no automatic connection, no operator lock.
  virtual bool StartTransport() = 0;

  // "接　続", also run once at opening when "起動時自動接続" is set.
  virtual void ConnectAction() = 0;

  // "切　断", also run by the close sequence whether or not a connection is open.
  virtual void DisconnectAction() = 0;

  // Sends one file (a CP932 path); checks the connection itself, opens and reads the file and
  // reports its own failures (error boxes, traffic lines). Used by "FILE送信", dropped files and
  // every line of a list file.
  virtual void SendOneFile(const std::string& cp932Path) = 0;

  // Whether something is connected (a current peer, an open port): "FILE送信" opens its file
  // dialog only then.
  virtual bool IsConnected() const = 0;

  // A message posted by the transport's own endpoints or threads, delivered in order on the
  // user-interface thread.
  virtual void HandleWindowMessage(const platform::WindowMessage& message) = 0;
};

// A transport that does nothing: the window works (settings, lists, recording) with nothing to
// talk to. Starts successfully and is never connected.
class InertTransport final : public Transport {
 public:
  bool StartTransport() override { return true; }
  void ConnectAction() override {}
  void DisconnectAction() override {}
  void SendOneFile(const std::string&) override {}
  bool IsConnected() const override { return false; }
  void HandleWindowMessage(const platform::WindowMessage&) override {}
};

}  // namespace core
