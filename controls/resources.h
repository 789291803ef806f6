#pragma once
// The library's resources, found by type and name as the original platform's resource lookup finds
// them: a name is text ("_IID_WINSOCK") or a number written "#30001".
//
//   "TYPELIB" #1            the type library as text (DescribeTypeLib)
//   "_IID_WINSOCK" #1 ...   20 bytes: length 16 (32-bit little-endian) and the interface's GUID
//   "BITMAP" #30000/#30001  the toolbox pictures of MSComm and Winsock, 16 x 15, 24 bits (BMP)
//   "GIF" #1                the 32 x 32 surface picture
//   "VERSION" #1            the version block as text lines "Name=value"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace controls {

std::optional<std::span<const std::uint8_t>> FindLibraryResource(std::string_view type,
                                                                 std::string_view name);

}  // namespace controls
