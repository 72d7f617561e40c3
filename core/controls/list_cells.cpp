#include "core/controls/list_cells.h"

#include <algorithm>
#include <cstdint>

namespace horolux {

std::vector<PixelRect> ColumnSpans(const PixelRect& row, const std::vector<int>& widths) {
    std::vector<PixelRect> spans;
    spans.reserve(widths.size());
    std::int64_t left = row.left;  // exact: each span is held at the int range on its own
    for (int width : widths) {
        spans.push_back({ClampPixel(left), row.top, ClampPixel(left + width), row.bottom});
        left += width;
    }
    return spans;
}

int ColumnAt(int x, int rowLeft, const std::vector<int>& widths) {
    std::int64_t rest = std::int64_t{x} - rowLeft;
    if (rest < 0) return -1;
    for (size_t i = 0; i < widths.size(); ++i) {
        rest -= widths[i];
        if (rest < 0) return static_cast<int>(i);
    }
    return -1;
}

PixelRect TitleTipCell(const std::vector<PixelRect>& spans, int column) {
    PixelRect cell = spans.at(static_cast<size_t>(column));
    if (column == 0) cell.left = ClampPixel(std::int64_t{cell.left} - 2);
    cell.top = ClampPixel(std::int64_t{cell.top} - 1);
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
    const std::int64_t shift = padding / 2 - 1;
    const std::int64_t right = std::int64_t{std::min(label.right, span0.right)} - padding;
    return {ClampPixel(label.left + shift), label.top, ClampPixel(right + shift), label.bottom};
}

PixelRect SubItemText(const PixelRect& span, int padding) {
    return {ClampPixel(std::int64_t{span.left} + padding), span.top,
            ClampPixel(std::int64_t{span.right} - padding), span.bottom};
}

std::optional<PixelRect> EdgeRepaintArea(const PixelRect& paintArea, int rowRight,
                                         int clientRight) {
    if (rowRight >= clientRight) return std::nullopt;
    return PixelRect{ClampPixel(std::int64_t{rowRight} - 1), paintArea.top, clientRight,
                     paintArea.bottom};
}

}  // namespace horolux
