// Draws the tools' icon at each size asked for, as the desktop entries' icons:
//   tk_render_icons <folder> <size>...   writes <folder>/<size>.png
// The picture is the one the windows show (core/window/tool_icon.cpp), drawn without a window
// system, so the build needs no display.

#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "core/window/tool_icon.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tk_render_icons <folder> <size>...\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "tk_render_icons: cannot make %s\n", argv[1]);
    return 1;
  }
  for (int i = 2; i < argc; ++i) {
    char* end = nullptr;
    const long size = std::strtol(argv[i], &end, 10);
    if (end == argv[i] || *end != '\0' || size < 16 || size > 1024) {
      std::fprintf(stderr, "tk_render_icons: not an icon size: %s\n", argv[i]);
      return 2;
    }
    const QString file = folder + "/" + QString::number(size) + ".png";
    if (!core::ToolIconImage(static_cast<int>(size)).save(file, "PNG")) {
      std::fprintf(stderr, "tk_render_icons: cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
