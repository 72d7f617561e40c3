#include "core/controls/title_tip_layout.h"

namespace horolux {

bool TitleTipTextFits(int textWidth, int cellWidth, int offset) {
    return textWidth <= cellWidth - 2 * offset - 2;
}

PixelRect TitleTipHoldArea(int cellWidth, int cellHeight, int offset) {
    return {-offset, 0, cellWidth - offset, cellHeight};
}

PixelRect TitleTipWindow(const PixelRect& cellOnScreen, int textWidth, int offset, int margin) {
    const int left = cellOnScreen.left + offset - margin;
    return {left, cellOnScreen.top, left + textWidth + 2 * margin + 2, cellOnScreen.bottom};
}

}  // namespace horolux
