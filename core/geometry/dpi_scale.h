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

// A child's rectangle in its parent's client area after the parent moved to another scale, each
// axis by its own ratio (a dialog's base units at the new and the old scale: its controls are
// laid out in units of its font, whose size does not follow the DPI exactly). Each edge is
// scaled on its own, so controls that touched before still touch; an axis whose ratio has a
// part that is not positive stays as it was.
PixelRect ScaleRect(const PixelRect& rect, int xTo, int xFrom, int yTo, int yFrom);
inline PixelRect RescaleRect(const PixelRect& rect, int fromDpi, int toDpi) {
    return ScaleRect(rect, toDpi, fromDpi, toDpi, fromDpi);
}

// A picture of width × height made smaller, in its own shape, until it fits room (each side
// rounded down); as it is when it fits already.
struct PixelSize {
    int width = 0, height = 0;
    friend bool operator==(const PixelSize&, const PixelSize&) = default;
};
PixelSize FitWithin(PixelSize wanted, PixelSize room);

// A font's LOGFONT height made for one DPI, at another. A negative height is a character height
// that the dialog manager made from whole points (−pt × dpi ÷ 72): it goes through those points,
// so a dialog's font comes out as the dialog manager would make it at the new DPI. A positive
// (cell) height scales as any length.
int RescaleFontHeight(int height, int fromDpi, int toDpi);

}  // namespace horolux
