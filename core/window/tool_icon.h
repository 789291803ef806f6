#pragma once
// The tools' icon (resource 128): the window's large and small icon and the about box's picture.

#include <QIcon>

namespace core {

// Drawn once, at 16 and 32 pixels.
QIcon ToolIcon();

}  // namespace core
