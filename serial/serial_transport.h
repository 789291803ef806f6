#pragma once
// The RS-232C tool's port flows: open and close the port, show what the receive thread delivers,
// send the send box and files, drive DTR and RTS and show the four modem input lines. Everything
// runs on the user-interface thread, in the window's handlers and in the handler of the receive
// thread's WM_SERIAL_EVENT.
//
// The port block lives as long as the transport. Its messages name it by the port's id, never by
// its address (platform/window_messages.h): a message is looked up among the transport's live
// ports, and one for a port that has gone is dropped. WM_SERIAL_EVENT is a transport message:
// while its handler runs, a box included, the window's further messages wait.

#include <memory>
#include <string>

#include "core/settings.h"
#include "core/transport.h"
#include "platform/serial_device.h"
#include "serial/engine/serial_port.h"
#include "serial/serial_tool.h"

namespace core {
class MainWindow;
}

namespace serial {

class PortNameCompletion;

class SerialTransport final : public core::Transport {
 public:
  // `tool` holds the window's serial fields and line indicators. `ports` opens the ports (tests
  // put a fake in for modem lines); `timings` are the engine's waits.
  SerialTransport(core::MainWindow& window, SerialTool& tool,
                  platform::SerialDeviceOpener& ports = platform::SystemSerialPorts(),
                  SerialTimings timings = {});
  ~SerialTransport() override;

  // core::Transport
  bool StartTransport() override;
  void ConnectAction() override { OnPortConnect(); }
  void DisconnectAction() override { OnPortDisconnect(); }
  void SendOneFile(const std::string& cp932Path) override { SendFile(cp932Path); }
  bool IsConnected() const override { return port_ && port_->isOpen(); }
  void HandleWindowMessage(const platform::WindowMessage& message) override;

  // The handlers.
  void OnPortConnect();
  void OnPortDisconnect();
  void OnSerialEvent();
  void OnSendText();
  void SendBlock(std::string_view bytes);
  void SendFile(const std::string& cp932Path);
  void OnDtrClicked();
  void OnRtsClicked();

  // The port block; null until the transport has started. For tests and the benchmark.
  SerialPort* Port() const { return port_.get(); }

 private:
  void FillPortBlock();
  void SetOpenState(bool open);
  void ReadIndicators();
  void AddLine(const char* utf8Event, std::string_view text);
  // A block's line: the event (CP932), a space and the block in notation.
  void AddBlockLine(const std::string& event, std::string_view bytes);

  core::MainWindow& window_;
  core::SerialSettings& fields_;
  LineIndicators& indicators_;
  platform::SerialDeviceOpener& ports_;
  const SerialTimings timings_;
  std::unique_ptr<SerialPort> port_;
  platform::MessageTargets<SerialPort> targets_;
  std::unique_ptr<PortNameCompletion> completion_;
  // A received block's event and direction word, converted once.
  const std::string receivedEvent_;
  const std::string receivedWord_;
  std::string blockLine_;
};

// The decimal value at the start of a text, as the speed and byte-size boxes are read: leading
// blanks and a sign are taken, reading stops at the first non-digit, no digits give 0, and a
// value beyond the range of int is held at its end.
int DecimalValue(std::string_view text);

}  // namespace serial
