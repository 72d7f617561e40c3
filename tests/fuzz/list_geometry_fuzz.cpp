// The list control's cell geometry and the title tip's layout for any sizes the control may hand
// over: every result is the exact arithmetic held at the int range, so ordinary sizes give the
// exact result, columns follow each other, and the column under a point is the one whose span
// holds it.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/controls/list_cells.h"
#include "core/controls/title_tip_layout.h"
#include "core/geometry/pixel_rect.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace horolux;
using fuzz::Check;

// The whole int range, or now and then sizes as a list shows them.
int Size(FuzzedDataProvider& in, bool ordinary) {
    return ordinary ? in.ConsumeIntegralInRange(-5000, 5000) : in.ConsumeIntegral<int>();
}

PixelRect Rect(FuzzedDataProvider& in, bool ordinary) {
    return {Size(in, ordinary), Size(in, ordinary), Size(in, ordinary), Size(in, ordinary)};
}

using I64 = std::int64_t;

void CheckRect(const PixelRect& r, int x, int y) {
    Check(r.Width() == ClampPixel(I64{r.right} - r.left), "a width held at the int range");
    Check(r.Height() == ClampPixel(I64{r.bottom} - r.top), "a height held at the int range");
    Check(r.Contains(x, y) == (x >= r.left && x < r.right && y >= r.top && y < r.bottom),
          "a rectangle holds its left and top edges, not its right and bottom");
}

void CheckColumns(const PixelRect& row, const std::vector<int>& widths, int x, int column,
                  int padding) {
    const std::vector<PixelRect> spans = ColumnSpans(row, widths);
    Check(spans.size() == widths.size(), "one span per column");
    I64 left = row.left;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const PixelRect& s = spans[i];
        Check(s == PixelRect{ClampPixel(left), row.top, ClampPixel(left + widths[i]), row.bottom},
              "a column spans its width from where the columns before it end");
        if (i > 0) Check(s.left == spans[i - 1].right, "columns follow each other");
        left += widths[i];
    }

    // The column under x: the first whose end, counted from the row's left, lies past x.
    int under = -1;
    if (x >= row.left) {
        I64 end = row.left;
        for (std::size_t i = 0; i < widths.size() && under < 0; ++i)
            if (x < (end += widths[i])) under = static_cast<int>(i);
    }
    Check(ColumnAt(x, row.left, widths) == under, "the column under a point");
    const bool noneNegative =
        std::all_of(widths.begin(), widths.end(), [](int w) { return w >= 0; });
    if (noneNegative && left <= INT32_MAX) {
        int holding = -1;
        for (std::size_t i = 0; i < spans.size() && holding < 0; ++i)
            if (x >= spans[i].left && x < spans[i].right) holding = static_cast<int>(i);
        Check(under == holding, "the column under a point is the one whose span holds it");
    }

    if (spans.empty()) return;
    const std::size_t c = static_cast<std::size_t>(column) % spans.size();
    const PixelRect cell = TitleTipCell(spans, static_cast<int>(c));
    const PixelRect& s = spans[c];
    Check(cell == PixelRect{c == 0 ? ClampPixel(I64{s.left} - 2) : s.left,
                            ClampPixel(I64{s.top} - 1), s.right, s.bottom},
          "a tip's cell: column 0 two pixels wider, one pixel up");

    const PixelRect sub = SubItemText(s, padding);
    Check(sub == PixelRect{ClampPixel(I64{s.left} + padding), s.top,
                           ClampPixel(I64{s.right} - padding), s.bottom},
          "a sub-item's text is inset by the padding");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const bool ordinary = in.ConsumeBool();
    const PixelRect row = Rect(in, ordinary);
    std::vector<int> widths(in.ConsumeIntegralInRange(0, 8));
    for (int& w : widths) w = ordinary ? in.ConsumeIntegralInRange(0, 500) : Size(in, false);
    const int x = Size(in, ordinary), y = Size(in, ordinary);
    const int column = in.ConsumeIntegralInRange(0, 8);
    const int padding = Size(in, ordinary);
    CheckRect(row, x, y);
    CheckColumns(row, widths, x, column, padding);

    const PixelRect label = Rect(in, ordinary), span0 = Rect(in, ordinary);
    const I64 shift = padding / 2 - 1;
    const PixelRect first = FirstColumnText(label, span0, padding);
    Check(first == PixelRect{ClampPixel(label.left + shift), label.top,
                             ClampPixel(std::min(label.right, span0.right) - I64{padding} + shift),
                             label.bottom},
          "column 0's text: cut to the column, less the padding, moved by half of it less one");

    const int clientRight = Size(in, ordinary);
    const bool toEdge = in.ConsumeBool();
    const PixelRect background = RowBackground(row, label, clientRight, toEdge);
    Check(background.left == label.left && background.top == row.top &&
              background.bottom == row.bottom &&
              background.right == (toEdge ? std::max(row.right, clientRight) : row.right),
          "the background runs from the label to the row's or the client's edge");
    const auto edge = EdgeRepaintArea(label, row.right, clientRight);
    Check(edge.has_value() == (row.right < clientRight), "an edge strip when the rows end early");
    if (edge)
        Check(*edge ==
                  PixelRect{ClampPixel(I64{row.right} - 1), label.top, clientRight, label.bottom},
              "the edge strip from one pixel left of the rows' end");
    const bool drop = in.ConsumeBool(), selected = in.ConsumeBool(), focus = in.ConsumeBool(),
               always = in.ConsumeBool();
    Check(
        RowHighlighted(drop, selected, focus, always) == (drop || (selected && (focus || always))),
        "a row is highlighted as a drop target, or selected where the selection shows");

    // The title tip.
    const int text = Size(in, ordinary), cellWidth = Size(in, ordinary);
    const int offset = Size(in, ordinary), margin = Size(in, ordinary);
    Check(TitleTipTextFits(text, cellWidth, offset) ==
              (I64{text} <= I64{cellWidth} - 2 * I64{offset} - 2),
          "a text fits in the cell less twice the offset and two pixels");
    const PixelRect hold = TitleTipHoldArea(cellWidth, row.Height(), offset);
    Check(hold == PixelRect{ClampPixel(-I64{offset}), 0, ClampPixel(I64{cellWidth} - offset),
                            row.Height()},
          "the hold area is the cell shifted by the offset");
    const PixelRect tip = TitleTipWindow(row, text, offset, margin);
    const I64 tipLeft = I64{row.left} + offset - margin;
    Check(tip == PixelRect{ClampPixel(tipLeft), row.top,
                           ClampPixel(tipLeft + text + 2 * I64{margin} + 2), row.bottom},
          "the tip starts at the cell's text, less the margin");
    if (ordinary)
        Check(tip.Width() == text + 2 * margin + 2 && hold.Width() == cellWidth,
              "ordinary sizes give exact sizes");
    CheckRect(tip, x, y);
    return 0;
}
