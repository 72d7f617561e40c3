#include "core/controls/list_cells.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

const std::vector<int> kAlarmColumns = {50, 50, 200};

TEST(ListCells, ColumnUnderAPointCountsFromTheRowsLeftEdge) {
    const struct {
        int x, rowLeft;
        std::vector<int> widths;
        int column;
    } cases[] = {
        {0, 0, kAlarmColumns, 0},
        {49, 0, kAlarmColumns, 0},
        {50, 0, kAlarmColumns, 1},
        {299, 0, kAlarmColumns, 2},
        {300, 0, kAlarmColumns, -1},   // past the last column
        {-1, 0, kAlarmColumns, -1},    // left of the row
        {10, -60, kAlarmColumns, 1},   // scrolled sideways by 60 pixels
        {0, -300, kAlarmColumns, -1},  // scrolled past everything
        {20, 4, kAlarmColumns, 0},
        {5, 0, {0, 10}, 1},  // a zero-width column is never hit
        {5, 0, {}, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ColumnAt(c.x, c.rowLeft, c.widths), c.column) << c.x << " from " << c.rowLeft;
}

TEST(ListCells, SpansTipCellsAndTextRectangles) {
    const PixelRect row{-20, 30, 280, 46};
    const auto spans = ColumnSpans(row, kAlarmColumns);
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0], (PixelRect{-20, 30, 30, 46}));
    EXPECT_EQ(spans[1], (PixelRect{30, 30, 80, 46}));
    EXPECT_EQ(spans[2], (PixelRect{80, 30, 280, 46}));

    EXPECT_EQ(TitleTipCell(spans, 0), (PixelRect{-22, 29, 30, 46}));
    EXPECT_EQ(TitleTipCell(spans, 2), (PixelRect{80, 29, 280, 46}));

    // Padding of two spaces 3 pixels wide: column 0's text moves 2 right, sub-items inset by 6.
    EXPECT_EQ(FirstColumnText({-20, 30, 30, 46}, spans[0], 6), (PixelRect{-18, 30, 26, 46}));
    // A label running on past its column is cut to the column first.
    EXPECT_EQ(FirstColumnText({-4, 30, 60, 46}, spans[0], 6), (PixelRect{-2, 30, 26, 46}));
    EXPECT_EQ(SubItemText(spans[2], 6), (PixelRect{86, 30, 274, 46}));
}

TEST(ListCells, BackgroundRunsFromTheLabelToTheRowOrClientEdge) {
    const PixelRect bounds{0, 16, 300, 32}, label{18, 16, 50, 32};
    EXPECT_EQ(RowBackground(bounds, label, 400, true), (PixelRect{18, 16, 400, 32}));
    EXPECT_EQ(RowBackground(bounds, label, 400, false), (PixelRect{18, 16, 300, 32}));
    EXPECT_EQ(RowBackground(bounds, label, 250, true), (PixelRect{18, 16, 300, 32}));

    const PixelRect paint{10, 5, 120, 90};
    EXPECT_EQ(EdgeRepaintArea(paint, 300, 400), (PixelRect{299, 5, 400, 90}));
    EXPECT_EQ(EdgeRepaintArea(paint, 400, 400), std::nullopt);
    EXPECT_EQ(EdgeRepaintArea(paint, 450, 400), std::nullopt);
}

}  // namespace
}  // namespace horolux
