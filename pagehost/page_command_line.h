#pragma once
// The host's command line: `quorvane-page [--timeout SECONDS] page.hta|page.html [arguments...]`,
// and the command line that the page's HTML-application element reports, as the original host
// made it: the page's path in quotes, then the arguments.

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace pagehost {

struct PageCommandLine {
  std::optional<int> timeoutSeconds;  // the host ends with exit code 2 after this long
  std::string page;                   // as given
  std::vector<std::string> arguments;
};

// The parsed command line, or the text of what is wrong with it.
std::variant<PageCommandLine, std::string> ParsePageCommandLine(
    const std::vector<std::string>& args);

// "\"/srv/rig/page.hta\" 5000 \"two words\"": an argument is quoted when it is empty or
// holds a blank or a quote; a quote or backslash inside it is escaped with a backslash.
std::string ApplicationCommandLine(const std::string& pagePath,
                                   const std::vector<std::string>& arguments);

}  // namespace pagehost
