#pragma once
// What tells the two tools apart in the files they keep: each tool's names for its settings file,
// instance marker, daily log and data files, and the name of its desktop entry. Everything else of
// the core is shared.

namespace core {

enum class ToolKind { TcpIp, Serial };

struct ToolIdentity {
  ToolKind kind;
  const char* programName;     // "Tarnwick" / "Pellamar"
  const char* settingsPrefix;  // settings file "<base>/<prefix><id>.ini"
  const char* markerPrefix;    // instance marker "<prefix><id>"
  const char* dailyLogName;    // daily log "<log folder>/<yyyymmdd>_<name>.log"
  const char* dataFileTag;     // data file "<data folder>/<stamp><nn>_<tag><direction>.dat"
  // The desktop entry "<id>.desktop" in the desktop's menu, also the name of the tool's icon and
  // of its software-centre metadata. The window names it, so that a Wayland desktop finds the
  // entry (and the icon) that goes with the window.
  const char* desktopId;
};

inline constexpr ToolIdentity kTcpIpTool{
    ToolKind::TcpIp,           "Tarnwick", "Brisolt", "Brisolt", "Vendrel", "Tcp",
    "org.commtestkit.tarnwick"};
inline constexpr ToolIdentity kSerialTool{
    ToolKind::Serial,          "Pellamar", "Pellamar", "Pellamar", "Ostravin", "Com",
    "org.commtestkit.pellamar"};

}  // namespace core
