// quorvane-page: opens a rig page (an HTML application or an HTML file) with the controls on it
// in a window of its own.

#include <gtk/gtk.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "pagehost/page_command_line.h"
#include "pagehost/page_window.h"

namespace {

constexpr const char* kUsage =
    "usage: quorvane-page [--timeout SECONDS] page.hta|page.html [arguments...]\n";

// The folder of the web-process extension: beside the program in a build, in the library folder
// of an installed program; QUORVANE_PAGE_EXTENSIONS names another.
std::string ExtensionsFolder() {
  if (const gchar* given = g_getenv("QUORVANE_PAGE_EXTENSIONS")) return given;
  gchar* program = g_file_read_link("/proc/self/exe", nullptr);
  const std::filesystem::path folder =
      program != nullptr ? std::filesystem::path(program).parent_path() : std::filesystem::path();
  g_free(program);
  const std::filesystem::path built = folder / "extension";
  if (std::filesystem::is_directory(built)) return built.string();
  return (folder / ".." / "lib" / "commtestkit" / "page-extension").lexically_normal().string();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  auto parsed = pagehost::ParsePageCommandLine(args);
  if (auto* problem = std::get_if<std::string>(&parsed)) {
    std::fprintf(stderr, "quorvane-page: %s\n%s", problem->c_str(), kUsage);
    return 1;
  }
  const auto& line = std::get<pagehost::PageCommandLine>(parsed);
  if (line.page.find("://") != std::string::npos) {
    std::fprintf(stderr,
                 "quorvane-page: opens local pages only; save the page beside its files and open "
                 "the file: %s\n",
                 line.page.c_str());
    return 1;
  }
  std::error_code error;
  const std::filesystem::path page = std::filesystem::absolute(line.page, error).lexically_normal();
  if (error || !std::filesystem::is_regular_file(page, error)) {
    std::fprintf(stderr, "quorvane-page: no such page: %s\n", line.page.c_str());
    return 1;
  }
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "quorvane-page: cannot open the display\n");
    return 1;
  }
  pagehost::PageWindow window({page.string(),
                               pagehost::ApplicationCommandLine(page.string(), line.arguments),
                               ExtensionsFolder(), line.timeoutSeconds});
  return window.Run();
}
