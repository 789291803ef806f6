#pragma once
// The tools' icon (resource 128): the window's large and small icon and the about box's picture.

#include <QIcon>
#include <QImage>

namespace core {

// Drawn once, at 16 and 32 pixels.
QIcon ToolIcon();

// The same picture drawn at `size` x `size` pixels: the icons of the desktop entries are made
// from it at build time, so the menu shows the picture the window shows.
QImage ToolIconImage(int size);

}  // namespace core
