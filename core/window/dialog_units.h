#pragma once
// Dialog units and their pixels. A template places its controls in dialog units; the dialog's
// font gives the base units, and a horizontal dialog unit is a quarter of the horizontal base
// unit, a vertical one an eighth of the vertical base unit.

namespace core {

// A rectangle in dialog units.
struct DialogUnits {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// A rectangle in pixels.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// The base units of a dialog font, in pixels: the average advance of its Latin letters, and its
// height.
struct BaseUnits {
  int x = 0;
  int y = 0;

  friend bool operator==(const BaseUnits&, const BaseUnits&) = default;
};

// MulDiv: value * numerator / denominator rounded half away from zero.
int MulDiv(int value, int numerator, int denominator);

int HorizontalUnitsToPixels(int units, BaseUnits base);
int VerticalUnitsToPixels(int units, BaseUnits base);
// Converts each corner separately, so that neighbouring controls share their edges exactly.
PixelRect DialogUnitsToPixels(const DialogUnits& units, BaseUnits base);

}  // namespace core
