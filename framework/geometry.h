#pragma once
// The core's pixel geometry at the platform's edge: rectangles and the points mouse messages carry.
#include "core/geometry/pixel_rect.h"
#include "framework/win32.h"

namespace fw {

inline horolux::PixelRect FromRECT(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

inline RECT ToRECT(const horolux::PixelRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// The point of a mouse message: signed, since it may lie left of or above the window.
inline POINT PointOf(LPARAM lp) {
    return {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
}

inline LPARAM LParamOf(POINT pt) {
    return MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
}

}  // namespace fw
