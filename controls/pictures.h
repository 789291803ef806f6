#pragma once
// The library's pictures, made from small drawings in the source: the two toolbox bitmaps
// (16 x 15, 24 bits per pixel, as device-independent bitmaps: the 40-byte header, then the rows
// bottom-up) and the 32 x 32 surface picture (a GIF).

#include <cstdint>
#include <vector>

namespace controls {

std::vector<std::uint8_t> WinsockToolboxBitmap();
std::vector<std::uint8_t> MSCommToolboxBitmap();
std::vector<std::uint8_t> SurfacePicture();

}  // namespace controls
