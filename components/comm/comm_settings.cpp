#include "components/comm/comm_settings.h"

#include <array>
#include <charconv>

namespace components::comm {
namespace {

std::string_view Trimmed(std::string_view field) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
  while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
  return field;
}

// Positive decimal digits only: no sign, no blank inside, no fraction.
std::optional<int> PositiveNumber(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  for (char c : digits)
    if (c < '0' || c > '9') return std::nullopt;
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || value <= 0)
    return std::nullopt;
  return value;
}

}  // namespace

std::optional<platform::SerialLineSettings> ParseCommSettings(std::string_view text) {
  std::array<std::string_view, 4> fields;
  std::size_t count = 0;
  for (;;) {
    const std::size_t comma = text.find(',');
    if (count == fields.size()) return std::nullopt;
    fields[count++] = Trimmed(text.substr(0, comma));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (count != fields.size()) return std::nullopt;

  platform::SerialLineSettings settings;
  const std::optional<int> speed = PositiveNumber(fields[0]);
  if (!speed) return std::nullopt;
  settings.baudRate = *speed;

  if (fields[1].size() != 1) return std::nullopt;
  switch (fields[1][0]) {
    case 'e':
    case 'E':
      settings.parity = platform::SerialParity::Even;
      break;
    case 'm':
    case 'M':
      settings.parity = platform::SerialParity::Mark;
      break;
    case 'n':
    case 'N':
      settings.parity = platform::SerialParity::None;
      break;
    case 'o':
    case 'O':
      settings.parity = platform::SerialParity::Odd;
      break;
    case 's':
    case 'S':
      settings.parity = platform::SerialParity::Space;
      break;
    default:
      return std::nullopt;
  }

  const std::optional<int> bits = PositiveNumber(fields[2]);
  if (!bits || *bits < 4 || *bits > 8) return std::nullopt;
  settings.byteSize = *bits;

  if (fields[3] == "1")
    settings.stopBits = platform::SerialStopBits::One;
  else if (fields[3] == "1.5")
    settings.stopBits = platform::SerialStopBits::OneAndHalf;
  else if (fields[3] == "2")
    settings.stopBits = platform::SerialStopBits::Two;
  else
    return std::nullopt;
  return settings;
}

}  // namespace components::comm
