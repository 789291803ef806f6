#pragma once
// Start of a tool instance: which instance this process is (its identifier), the marker that
// shows later copies the identifier is taken, and the instance's three paths. Several copies of a
// tool run side by side, each with its own settings file, data folder and log folder.
//
// The window is opened afterwards by the caller with the InstanceContext that StartInstance
// returns; the context owns the marker, so it must live as long as the process.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/tool_identity.h"
#include "platform/instance_marker.h"

namespace core {

// The longest identifier, in CP932 bytes. The marker name ("Brisolt"/"Pellamar" + identifier)
// was formed in 256 bytes and the title ("TCP/IPテストツール(%s)", "RS232Cテストツール(%s)",
// 20 bytes around the identifier) in 264 bytes, NUL included: 243 bytes fit both. A longer
// identifier from the command line is cut to this at a character boundary.
inline constexpr std::size_t kMaxInstanceIdBytes = 243;

// The numbers tried when no identifier is given.
inline constexpr int kMaxNumberedInstances = 9;

struct InstanceContext {
  const ToolIdentity* tool = nullptr;
  std::string instanceId;    // CP932: given on the command line, or "1".."9"
  std::string baseFolder;    // native: the working directory at start
  std::string settingsFile;  // native: "<base>/<settings prefix><id>.ini"
  std::string dataFolder;    // native: "<base>/Dat<id>"
  std::string logFolder;     // native: "<base>/Log<id>"
  // (<id> in the paths is InstanceIdInPaths of the identifier.)
  platform::InstanceMarker marker;  // held for the life of the process, or not held at all
};

struct StartOptions {
  // The words after the program name, as the system hands them over (UTF-8).
  std::vector<std::string> arguments;
  // The marker folder; empty for the user's default (platform::DefaultMarkerFolder).
  std::string markerFolder;
  // The base folder; empty to read the working directory.
  std::string baseFolder;
};

// The identifier a command line names: the words joined with single spaces, converted to CP932,
// blanks removed at both ends (character by character), cut to kMaxInstanceIdBytes. Empty when
// the command line names none.
std::string InstanceIdFromArguments(const std::vector<std::string>& arguments);

// `text` cut to at most `limit` bytes without splitting a double-byte character.
std::string CutAtCharacterBoundary(std::string_view text, std::size_t limit);

// The identifier as it stands in the instance's file and folder names: every "/" becomes "%2F",
// so that the three paths stay inside the base folder whatever the identifier holds ("1/../x"
// names "Dat1%2F..%2Fx"). Each path puts a prefix before the identifier, so ".." alone names a
// file inside the base folder ("Dat..") and stays. The title and the marker keep the identifier
// as given.
std::string InstanceIdInPaths(std::string_view instanceId);

// The marker name of an identifier: the tool's marker prefix followed by the identifier (CP932).
std::string MarkerName(const ToolIdentity& tool, std::string_view instanceId);

// "<folder>/<name>" with the CP932 name converted to a native name.
std::string JoinNative(const std::string& folder, std::string_view cp932Name);

// Finds the identifier and takes its marker, derives the three paths and creates the data folder
// and then the log folder, ignoring failure (they usually exist). Nothing, with the last error
// set, when the working directory cannot be read.
std::optional<InstanceContext> StartInstance(const ToolIdentity& tool, const StartOptions& options);

// Tells on standard error that the working directory cannot be read (the last error's text);
// the program then ends with exit code 1.
void ReportStartFailure(const ToolIdentity& tool);

// The options of a program's own start: its command line words, the default marker folder and
// the working directory.
StartOptions OptionsFromCommandLine(int argc, char** argv);

}  // namespace core
