#include "automation/guid.h"

#include <cstdio>

namespace automation {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// `count` hex digits of `text` from `at` as a number; nothing when one is not a digit.
std::optional<std::uint32_t> HexField(std::string_view text, std::size_t at, std::size_t count) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    int digit = HexValue(text[at + i]);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

}  // namespace

std::array<std::uint8_t, 16> Guid::Bytes() const {
  std::array<std::uint8_t, 16> bytes{};
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
  for (int i = 0; i < 2; ++i) bytes[4 + i] = static_cast<std::uint8_t>(data2 >> (8 * i));
  for (int i = 0; i < 2; ++i) bytes[6 + i] = static_cast<std::uint8_t>(data3 >> (8 * i));
  for (int i = 0; i < 8; ++i) bytes[8 + i] = data4[i];
  return bytes;
}

std::optional<Guid> ParseGuid(std::string_view text) {
  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
  if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' ||
      text[14] != '-' || text[19] != '-' || text[24] != '-') {
    return std::nullopt;
  }
  Guid guid;
  auto d1 = HexField(text, 1, 8);
  auto d2 = HexField(text, 10, 4);
  auto d3 = HexField(text, 15, 4);
  if (!d1 || !d2 || !d3) return std::nullopt;
  guid.data1 = *d1;
  guid.data2 = static_cast<std::uint16_t>(*d2);
  guid.data3 = static_cast<std::uint16_t>(*d3);
  static constexpr std::size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    auto byte = HexField(text, kByteAt[i], 2);
    if (!byte) return std::nullopt;
    guid.data4[i] = static_cast<std::uint8_t>(*byte);
  }
  return guid;
}

std::string FormatGuid(const Guid& guid) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.data1), guid.data2, guid.data3, guid.data4[0],
                guid.data4[1], guid.data4[2], guid.data4[3], guid.data4[4], guid.data4[5],
                guid.data4[6], guid.data4[7]);
  return text;
}

}  // namespace automation
