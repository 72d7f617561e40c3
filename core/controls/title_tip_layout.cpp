#include "core/controls/title_tip_layout.h"

#include <cstdint>

namespace horolux {

bool TitleTipTextFits(int textWidth, int cellWidth, int offset) {
    return textWidth <= std::int64_t{cellWidth} - 2 * std::int64_t{offset} - 2;
}

PixelRect TitleTipHoldArea(int cellWidth, int cellHeight, int offset) {
    return {ClampPixel(-std::int64_t{offset}), 0, ClampPixel(std::int64_t{cellWidth} - offset),
            cellHeight};
}

PixelRect TitleTipWindow(const PixelRect& cellOnScreen, int textWidth, int offset, int margin) {
    const std::int64_t left = std::int64_t{cellOnScreen.left} + offset - margin;
    return {ClampPixel(left), cellOnScreen.top,
            ClampPixel(left + textWidth + 2 * std::int64_t{margin} + 2), cellOnScreen.bottom};
}

}  // namespace horolux
