#include "core/menu_start.h"

#include <cerrno>
#include <cstdio>

#include "platform/cp932.h"
#include "platform/files.h"
#include "platform/last_error.h"

namespace core {
namespace {

// Makes one folder; one that exists already is fine.
bool MakeFolder(const std::string& path) {
  return platform::CreateFolder(path) || platform::LastError() == EEXIST;
}

}  // namespace

bool TakeMenuStartOption(std::vector<std::string>& arguments) {
  if (arguments.empty() || arguments.front() != kMenuStartOption) return false;
  arguments.erase(arguments.begin());
  return true;
}

std::string MenuFolder(const ToolIdentity& tool, const std::string& home) {
  return home + "/" + std::string(kMenuFolderName) + "/" + tool.programName;
}

bool EnterMenuFolder(const ToolIdentity& tool, const std::string& home) {
  if (home.empty()) {
    platform::SetLastError(ENOENT);
    return false;
  }
  const std::string folder = MenuFolder(tool, home);
  // A name that exists but is no folder passes here and fails on entering, with ENOTDIR.
  return MakeFolder(home + "/" + std::string(kMenuFolderName)) && MakeFolder(folder) &&
         platform::ChangeDirectory(folder);
}

void ReportMenuFolderFailure(const ToolIdentity& tool, const std::string& home) {
  std::string reason = platform::Cp932ToUtf8(platform::SystemMessageText(platform::LastError()));
  std::string folder = home.empty() ? "~/" + std::string(kMenuFolderName) + "/" + tool.programName
                                    : MenuFolder(tool, home);
  std::fprintf(stderr, "%s: cannot use the folder %s: %s\n", tool.programName, folder.c_str(),
               reason.c_str());
}

bool ApplyMenuStart(const ToolIdentity& tool, StartOptions& options, const std::string& home) {
  if (!TakeMenuStartOption(options.arguments)) return true;
  if (EnterMenuFolder(tool, home)) return true;
  ReportMenuFolderFailure(tool, home);
  return false;
}

}  // namespace core
