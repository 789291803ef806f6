#pragma once
// Globally unique identifiers of classes, interfaces and type libraries, in the registry's text
// form "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (upper-case digits when written, any case read).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace automation {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  friend constexpr bool operator==(const Guid&, const Guid&) = default;

  // The 16 bytes as stored in memory on the original platform: data1 to data3 little-endian.
  std::array<std::uint8_t, 16> Bytes() const;
};

// "{...}" with braces; nothing when the text is not a GUID.
std::optional<Guid> ParseGuid(std::string_view text);
std::string FormatGuid(const Guid& guid);

}  // namespace automation
