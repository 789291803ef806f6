#include "core/instance.h"

#include <cstdio>
#include <utility>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/last_error.h"

namespace core {
namespace {

// The blanks removed around an identifier: the ASCII white-space characters.
bool IsBlank(unsigned char byte) {
  return byte == ' ' || (byte >= '\t' && byte <= '\r');
}

// The identifier without blanks at both ends. The walk goes character by character, so a byte
// that is the second half of a double-byte character is never taken for a blank.
std::string TrimBlanks(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = 0;  // end of the last character that is not a blank
  bool seenNonBlank = false;
  std::size_t i = 0;
  while (i < text.size()) {
    bool lead = platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
    std::size_t length = lead ? 2 : 1;
    if (lead || !IsBlank(static_cast<unsigned char>(text[i]))) {
      if (!seenNonBlank) begin = i;
      seenNonBlank = true;
      end = i + length;
    }
    i += length;
  }
  if (!seenNonBlank) return {};
  return std::string(text.substr(begin, end - begin));
}

// Finds the identifier by taking the first free marker of 1 to 9, or takes the marker of the
// identifier given. The marker is taken in the same step as the test, so two copies that start
// at the same moment never end up with one number.
void ChooseIdentifier(const ToolIdentity& tool, const std::string& folder,
                      InstanceContext& context) {
  using Outcome = platform::InstanceMarker::Outcome;
  Outcome outcome = Outcome::Failed;
  if (!context.instanceId.empty()) {
    // A copy started with an identifier already in use runs without a marker of its own.
    context.marker =
        platform::InstanceMarker::Create(folder, MarkerName(tool, context.instanceId), &outcome);
    return;
  }
  for (int number = 1; number <= kMaxNumberedInstances; ++number) {
    context.instanceId = std::to_string(number);
    context.marker =
        platform::InstanceMarker::Create(folder, MarkerName(tool, context.instanceId), &outcome);
    // A marker folder that cannot be used leaves the number free: the copy runs unmarked.
    if (outcome != Outcome::HeldElsewhere) return;
  }
  // All nine are taken: the copy shares the last number and holds no marker.
}

}  // namespace

std::string CutAtCharacterBoundary(std::string_view text, std::size_t limit) {
  std::size_t end = 0;
  while (end < text.size()) {
    std::size_t length =
        platform::IsLeadByte(static_cast<unsigned char>(text[end])) && end + 1 < text.size() ? 2
                                                                                             : 1;
    if (end + length > limit) break;
    end += length;
  }
  return std::string(text.substr(0, end));
}

std::string InstanceIdFromArguments(const std::vector<std::string>& arguments) {
  std::string joined;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0) joined += ' ';
    joined += arguments[i];
  }
  return CutAtCharacterBoundary(TrimBlanks(platform::Utf8ToCp932(joined)), kMaxInstanceIdBytes);
}

std::string InstanceIdInPaths(std::string_view instanceId) {
  // A trail byte of a double-byte character is never 0x2F, so a byte walk finds only real "/".
  std::string escaped;
  escaped.reserve(instanceId.size());
  for (char byte : instanceId) {
    if (byte == '/')
      escaped += "%2F";
    else
      escaped += byte;
  }
  return escaped;
}

std::string MarkerName(const ToolIdentity& tool, std::string_view instanceId) {
  return std::string(tool.markerPrefix) + std::string(instanceId);
}

std::string JoinNative(const std::string& folder, std::string_view cp932Name) {
  // The identifier comes from a conversion or is a number, so the exact conversion succeeds;
  // the lossy one only guards against a name made some other way.
  std::optional<std::string> native = platform::Cp932ToUtf8Exact(cp932Name);
  return folder + "/" + (native ? *native : platform::Cp932ToUtf8(cp932Name));
}

std::optional<InstanceContext> StartInstance(const ToolIdentity& tool,
                                             const StartOptions& options) {
  InstanceContext context;
  context.tool = &tool;
  // The base folder is read first: a start that cannot know where its files live stops before it
  // takes any marker.
  if (options.baseFolder.empty()) {
    std::optional<std::string> current = platform::CurrentDirectory();
    if (!current) return std::nullopt;
    context.baseFolder = std::move(*current);
  } else {
    context.baseFolder = options.baseFolder;
  }

  context.instanceId = InstanceIdFromArguments(options.arguments);
  std::string markerFolder =
      options.markerFolder.empty() ? platform::DefaultMarkerFolder() : options.markerFolder;
  ChooseIdentifier(tool, markerFolder, context);

  const std::string inPaths = InstanceIdInPaths(context.instanceId);
  context.settingsFile = JoinNative(context.baseFolder, tool.settingsPrefix + inPaths + ".ini");
  context.dataFolder = JoinNative(context.baseFolder, "Dat" + inPaths);
  context.logFolder = JoinNative(context.baseFolder, "Log" + inPaths);
  platform::CreateFolder(context.dataFolder);
  platform::CreateFolder(context.logFolder);
  return context;
}

void ReportStartFailure(const ToolIdentity& tool) {
  std::string reason = platform::Cp932ToUtf8(platform::SystemMessageText(platform::LastError()));
  std::fprintf(stderr, "%s: cannot read the working directory: %s\n", tool.programName,
               reason.c_str());
}

StartOptions OptionsFromCommandLine(int argc, char** argv) {
  StartOptions options;
  for (int i = 1; i < argc; ++i) options.arguments.emplace_back(argv[i]);
  return options;
}

}  // namespace core
