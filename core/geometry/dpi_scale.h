#pragma once
// Lengths laid out for 96 dots per inch, the scale every dialog template, picture and pixel
// constant of the program was made for, brought to the display's scale. Rounded as the system's
// MulDiv rounds, so a length comes out as Windows itself would scale it.
#include "core/geometry/pixel_rect.h"

namespace horolux {

inline constexpr int kDefaultDpi = 96;

// value × numerator ÷ denominator worked out in 64 bits, rounded half away from zero and held
// within the int range; value itself when the denominator is 0.
int MulDivRound(int value, int numerator, int denominator);

// A length made for 96 DPI, at dpi.
inline int ScaleToDpi(int length, int dpi) {
    return MulDivRound(length, dpi, kDefaultDpi);
}

// A length made for one DPI, at another; unchanged when either DPI is not positive.
int RescaleLength(int length, int fromDpi, int toDpi);

// A child's rectangle in its parent's client area after the parent moved to another DPI. Each
// edge is scaled on its own, so controls that touched before still touch.
PixelRect RescaleRect(const PixelRect& rect, int fromDpi, int toDpi);

// A font's LOGFONT height made for one DPI, at another. A negative height is a character height
// that the dialog manager made from whole points (−pt × dpi ÷ 72): it goes through those points,
// so a dialog's font comes out as the dialog manager would make it at the new DPI. A positive
// (cell) height scales as any length.
int RescaleFontHeight(int height, int fromDpi, int toDpi);

}  // namespace horolux
