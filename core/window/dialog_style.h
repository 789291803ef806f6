#pragma once
// The style of the dialogs' controls: Fusion, whatever the desktop's style, so that the template
// layout draws the same everywhere, with the small pieces a dialog-unit layout leaves room for:
// an 11-pixel check box and radio button with a 3-pixel gap to the text, and a narrow drop-down
// arrow, so that the entries of a narrow drop-down list show whole.

class QStyle;

namespace core {

inline constexpr int kIndicatorPixels = 11;
inline constexpr int kIndicatorGapPixels = 3;
inline constexpr int kComboArrowPixels = 11;

// One style for the whole process, owned by the application object; made on first use.
QStyle& DialogStyle();

}  // namespace core
