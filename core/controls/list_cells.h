#pragma once
// The geometry of a report-view row drawn whole by the extended list control: column spans,
// the cell under a point, the rectangles its texts go into, the highlight, and the title tip's
// cell.
#include <optional>
#include <vector>

#include "core/geometry/pixel_rect.h"

namespace horolux {

// The columns across a row whose bounds are row: column i starts where column i - 1 ends.
std::vector<PixelRect> ColumnSpans(const PixelRect& row, const std::vector<int>& widths);

// The column under x (client coordinates) in a row starting at rowLeft; -1 left of the row or
// past its last column. Counted from the row's own left edge, so a list scrolled sideways
// still finds the column that is drawn under the point.
int ColumnAt(int x, int rowLeft, const std::vector<int>& widths);

// The cell the title tip lays its text over: column 0 two pixels wider to the left (its text
// sits closer to the edge than the sub-items'), the top one pixel up for the tip's border.
PixelRect TitleTipCell(const std::vector<PixelRect>& spans, int column);

// A row is drawn highlighted when it is the drop target, or selected while the list has the
// focus or shows its selection always.
bool RowHighlighted(bool dropHighlighted, bool selected, bool listHasFocus,
                    bool showSelectionAlways);

// The row's background: from the label's left edge (the icon area stays as it is) to the end
// of the row, or on to the client's right edge.
PixelRect RowBackground(const PixelRect& bounds, const PixelRect& label, int clientRight,
                        bool extendToClientEdge);

// Column 0's text: the label cut to the column, shrunk by the padding on the right and moved
// right by half the padding less one pixel.
PixelRect FirstColumnText(const PixelRect& label, const PixelRect& span0, int padding);

// A sub-item's text: its column inset by the padding on both sides.
PixelRect SubItemText(const PixelRect& span, int padding);

// What a paint must also cover when rows are highlighted to the client's edge: the strip of the
// paint area from one pixel left of the rows' right edge to the client's edge; none when the
// rows reach the edge.
std::optional<PixelRect> EdgeRepaintArea(const PixelRect& paintArea, int rowRight, int clientRight);

}  // namespace horolux
