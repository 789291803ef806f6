#include "core/window/dialog_units.h"

#include <cstdint>

namespace core {

int MulDiv(int value, int numerator, int denominator) {
  const std::int64_t product = std::int64_t{value} * numerator;
  const std::int64_t half = denominator / 2;
  const std::int64_t rounded =
      product >= 0 ? (product + half) / denominator : (product - half) / denominator;
  return static_cast<int>(rounded);
}

int HorizontalUnitsToPixels(int units, BaseUnits base) {
  return MulDiv(units, base.x, 4);
}

int VerticalUnitsToPixels(int units, BaseUnits base) {
  return MulDiv(units, base.y, 8);
}

PixelRect DialogUnitsToPixels(const DialogUnits& units, BaseUnits base) {
  const int left = HorizontalUnitsToPixels(units.x, base);
  const int top = VerticalUnitsToPixels(units.y, base);
  const int right = HorizontalUnitsToPixels(units.x + units.width, base);
  const int bottom = VerticalUnitsToPixels(units.y + units.height, base);
  return {left, top, right - left, bottom - top};
}

}  // namespace core
