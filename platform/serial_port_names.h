#pragma once
// Serial port names as users type them. "COM1" to "COM256" (any case) are the names the ports
// had where these tools come from: each may be pointed at any device by a link of that name in
// the per-user port folder, and otherwise stands for the n-th standard port, /dev/ttyS(n-1). A
// name holding "/" is a path, opened as typed; any other name is looked for in /dev, so that
// "ttyUSB0" opens /dev/ttyUSB0. Names and paths are native byte strings.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The lowest and highest port number a "COMn" name may carry.
constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 256;

// The port number of a "COMn" name (any case, n 1 to 256 written without leading zeros), or
// nothing for any other name.
std::optional<int> ComPortNumber(std::string_view name);

// The per-user folder of port links: $XDG_CONFIG_HOME/commtestkit/ports when that variable holds
// an absolute path, else ~/.config/commtestkit/ports. Empty when no home folder is known.
std::string SerialPortLinkFolder();

// The device path for a port name, with the port links looked for in `linkFolder` (empty: no
// links). A link counts when its name exists in the folder, even when it points nowhere, so that
// a stale link fails to open rather than opening some other port.
std::string SerialDevicePath(const std::string& name, const std::string& linkFolder);

// The device path for a port name, with the user's port links.
std::string SerialDevicePath(const std::string& name);

// The device path for port number n, as for the name "COMn"; nothing for a number outside 1 to
// 256.
std::optional<std::string> SerialDevicePathForNumber(int number);

// Where the serial devices present are looked for; the defaults are the system's.
struct SerialDeviceFolders {
  std::string dev = "/dev";
  std::string sysTty = "/sys/class/tty";  // the kernel's view: tells a standard port with a UART
  std::string links;                      // the port link folder; empty: none
};

// The serial devices present, as names to offer in the port box: the links of
// <dev>/serial/by-id (as paths) first, then the ttyUSB, ttyACM and ttyS devices of <dev> (as
// names), each kind in numeric order, then the COMn links defined. A standard port that the
// kernel knows to have no UART is left out.
std::vector<std::string> SerialPortCandidates(const SerialDeviceFolders& folders);
std::vector<std::string> SerialPortCandidates();

}  // namespace platform
