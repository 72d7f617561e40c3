#pragma once
// Where a title tip goes: whether a cell's text needs one at all, the tip's window over the
// cell, and the part of the tip where the mouse may rest without closing it.
#include "core/geometry/pixel_rect.h"

namespace horolux {

inline constexpr int kTitleTipMargin = 2;  // blank space left and right of the tip's text

// True when a text textWidth pixels wide shows whole in a cell cellWidth wide whose text starts
// offset pixels in: then no tip is needed.
bool TitleTipTextFits(int textWidth, int cellWidth, int offset);

// The cell in the tip's client coordinates: the mouse keeps the tip open while it stays inside.
PixelRect TitleTipHoldArea(int cellWidth, int cellHeight, int offset);

// The tip's window (screen coordinates) for a cell given in screen coordinates: the text starts
// where the cell's own text starts, with the margin and the one-pixel border around it.
PixelRect TitleTipWindow(const PixelRect& cellOnScreen, int textWidth, int offset, int margin);

}  // namespace horolux
