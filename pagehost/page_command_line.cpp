#include "pagehost/page_command_line.h"

#include <charconv>

namespace pagehost {
namespace {

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

bool NeedsQuotes(const std::string& text) {
  return text.empty() || text.find_first_of(" \t\"") != std::string::npos;
}

}  // namespace

std::variant<PageCommandLine, std::string> ParsePageCommandLine(
    const std::vector<std::string>& args) {
  PageCommandLine line;
  std::size_t i = 0;
  while (i < args.size() && args[i].starts_with("--")) {
    if (args[i] == "--timeout" && i + 1 < args.size()) {
      const std::string& value = args[i + 1];
      int seconds = 0;
      auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
      if (error != std::errc() || end != value.data() + value.size() || seconds <= 0) {
        return "--timeout needs a whole number of seconds above 0, not \"" + value + "\"";
      }
      line.timeoutSeconds = seconds;
      i += 2;
    } else if (args[i] == "--") {
      ++i;
      break;
    } else {
      return "unknown option \"" + args[i] + "\"";
    }
  }
  if (i >= args.size()) return "no page given";
  line.page = args[i];
  line.arguments.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
  return line;
}

std::string ApplicationCommandLine(const std::string& pagePath,
                                   const std::vector<std::string>& arguments) {
  std::string line = Quoted(pagePath);
  for (const std::string& argument : arguments) {
    line += ' ';
    line += NeedsQuotes(argument) ? Quoted(argument) : argument;
  }
  return line;
}

}  // namespace pagehost
