#include "core/controls/list_cells.h"

#include <gtest/gtest.h>

#include <climits>

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

constexpr int kMax = INT_MAX, kMin = INT_MIN;

TEST(ListCells, SizesAtTheEndsOfTheIntRangeAreHeldThere) {
    const auto spans = ColumnSpans({kMax - 10, 0, kMax, 16}, {5, 20, kMax, 0});
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_EQ(spans[0], (PixelRect{kMax - 10, 0, kMax - 5, 16}));
    EXPECT_EQ(spans[1], (PixelRect{kMax - 5, 0, kMax, 16}));
    EXPECT_EQ(spans[2], (PixelRect{kMax, 0, kMax, 16}));
    EXPECT_EQ(spans[3], (PixelRect{kMax, 0, kMax, 16}));
    // Columns that lead far right and back: each span counts from the exact sum.
    const auto back = ColumnSpans({0, 0, 0, 16}, {kMax, kMax, -kMax, -kMax, 7});
    EXPECT_EQ(back[2], (PixelRect{kMax, 0, kMax, 16}));
    EXPECT_EQ(back[4], (PixelRect{0, 0, 7, 16}));

    EXPECT_EQ(ColumnAt(kMax - 2, kMin, {kMax, kMax}), 1);
    EXPECT_EQ(ColumnAt(kMax, kMin, {kMax, kMax}), -1) << "past the last column";
    EXPECT_EQ(ColumnAt(kMax, kMin, {kMax, kMax, 2}), 2);
    EXPECT_EQ(ColumnAt(kMin, kMax, {kMax}), -1) << "far left of the row";
    EXPECT_EQ(ColumnAt(0, 0, {kMin, kMax, 2}), 2) << "a negative width leads back";

    EXPECT_EQ(TitleTipCell({{kMin, kMin, 0, 0}}, 0), (PixelRect{kMin, kMin, 0, 0}));
    EXPECT_EQ(TitleTipCell({{0, 0, 1, 1}, {kMin + 1, kMin + 1, 0, 0}}, 1),
              (PixelRect{kMin + 1, kMin, 0, 0}));

    EXPECT_EQ(FirstColumnText({kMax - 1, 0, kMax, 16}, {0, 0, kMax, 16}, kMin),
              (PixelRect{kMax - 1 + kMin / 2 - 1, 0, kMax, 16}));
    EXPECT_EQ(FirstColumnText({kMin, 0, kMin + 4, 16}, {kMin, 0, kMin + 4, 16}, kMax),
              (PixelRect{kMin + kMax / 2 - 1, 0, kMin, 16}));
    EXPECT_EQ(SubItemText({kMin, 0, kMax, 16}, kMax), (PixelRect{-1, 0, 0, 16}));
    EXPECT_EQ(SubItemText({kMin, 0, kMax, 16}, kMin), (PixelRect{kMin, 0, kMax, 16}));
    EXPECT_EQ(EdgeRepaintArea({0, 5, 10, 90}, kMin, 0), (PixelRect{kMin, 5, 0, 90}));
}

}  // namespace
}  // namespace horolux
