#include "core/controls/list_cells.h"

#include <algorithm>

namespace horolux {

std::vector<PixelRect> ColumnSpans(const PixelRect& row, const std::vector<int>& widths) {
    std::vector<PixelRect> spans;
    spans.reserve(widths.size());
    int left = row.left;
    for (int width : widths) {
        spans.push_back({left, row.top, left + width, row.bottom});
        left += width;
    }
    return spans;
}

int ColumnAt(int x, int rowLeft, const std::vector<int>& widths) {
    int rest = x - rowLeft;
    if (rest < 0) return -1;
    for (size_t i = 0; i < widths.size(); ++i) {
        rest -= widths[i];
        if (rest < 0) return static_cast<int>(i);
    }
    return -1;
}

PixelRect TitleTipCell(const std::vector<PixelRect>& spans, int column) {
    PixelRect cell = spans.at(static_cast<size_t>(column));
    if (column == 0) cell.left -= 2;
    cell.top -= 1;
    return cell;
}

bool RowHighlighted(bool dropHighlighted, bool selected, bool listHasFocus,
                    bool showSelectionAlways) {
    return dropHighlighted || (selected && (listHasFocus || showSelectionAlways));
}

PixelRect RowBackground(const PixelRect& bounds, const PixelRect& label, int clientRight,
                        bool extendToClientEdge) {
    const int right = extendToClientEdge && clientRight > bounds.right ? clientRight : bounds.right;
    return {label.left, bounds.top, right, bounds.bottom};
}

PixelRect FirstColumnText(const PixelRect& label, const PixelRect& span0, int padding) {
    const int shift = padding / 2 - 1;
    const int right = std::min(label.right, span0.right) - padding;
    return {label.left + shift, label.top, right + shift, label.bottom};
}

PixelRect SubItemText(const PixelRect& span, int padding) {
    return {span.left + padding, span.top, span.right - padding, span.bottom};
}

std::optional<PixelRect> EdgeRepaintArea(const PixelRect& paintArea, int rowRight,
                                         int clientRight) {
    if (rowRight >= clientRight) return std::nullopt;
    return PixelRect{rowRight - 1, paintArea.top, clientRight, paintArea.bottom};
}

}  // namespace horolux
