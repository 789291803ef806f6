#pragma once
// What tells the two tools apart in the files they keep: each tool's names for its settings file,
// instance marker, daily log and data files. Everything else of the core is shared.

namespace core {

enum class ToolKind { TcpIp, Serial };

struct ToolIdentity {
  ToolKind kind;
  const char* programName;     // "Tarnwick" / "Pellamar"
  const char* settingsPrefix;  // settings file "<base>/<prefix><id>.ini"
  const char* markerPrefix;    // instance marker "<prefix><id>"
  const char* dailyLogName;    // daily log "<log folder>/<yyyymmdd>_<name>.log"
  const char* dataFileTag;     // data file "<data folder>/<stamp><nn>_<tag><direction>.dat"
};

inline constexpr ToolIdentity kTcpIpTool{ToolKind::TcpIp, "Tarnwick", "Brisolt",
                                         "Brisolt",       "Vendrel",  "Tcp"};
inline constexpr ToolIdentity kSerialTool{ToolKind::Serial, "Pellamar", "Pellamar",
                                          "Pellamar",       "Ostravin", "Com"};

}  // namespace core
