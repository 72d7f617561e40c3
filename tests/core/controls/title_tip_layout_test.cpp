#include "core/controls/title_tip_layout.h"

#include <gtest/gtest.h>

#include <climits>

namespace horolux {
namespace {

TEST(TitleTipLayout, TextFitsUpToTheCellLessTwiceTheOffsetAndTwoPixels) {
    const struct {
        int text, cell, offset;
        bool fits;
    } cases[] = {
        {88, 100, 5, true},   // exactly 100 - 10 - 2
        {89, 100, 5, false},  // one pixel more
        {0, 12, 5, true},     // empty text in a cell with no room left
        {1, 12, 5, false},   {98, 100, 0, true}, {99, 100, 0, false},
        {0, 5, 5, false},  // a cell narrower than its insets shows every text in a tip
    };
    for (const auto& c : cases)
        EXPECT_EQ(TitleTipTextFits(c.text, c.cell, c.offset), c.fits)
            << c.text << " in " << c.cell << " offset " << c.offset;
}

TEST(TitleTipLayout, WindowStartsAtTheCellsTextAndHoldAreaIsTheCellShiftedByTheOffset) {
    const struct {
        PixelRect cell;
        int text, offset, margin;
        PixelRect window, hold;
    } cases[] = {
        {{100, 200, 300, 217}, 250, 5, 2, {103, 200, 359, 217}, {-5, 0, 195, 17}},
        {{-40, -10, 10, 5}, 80, 5, 2, {-37, -10, 49, 5}, {-5, 0, 45, 15}},
        {{0, 0, 50, 16}, 60, 0, 0, {0, 0, 62, 16}, {0, 0, 50, 16}},
        {{10, 20, 60, 36}, 45, 3, 4, {9, 20, 64, 36}, {-3, 0, 47, 16}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TitleTipWindow(c.cell, c.text, c.offset, c.margin), c.window) << c.cell.left;
        EXPECT_EQ(TitleTipHoldArea(c.cell.Width(), c.cell.Height(), c.offset), c.hold)
            << c.cell.left;
    }
}

TEST(TitleTipLayout, SizesAtTheEndsOfTheIntRangeAreHeldThere) {
    constexpr int kMax = INT_MAX, kMin = INT_MIN;
    EXPECT_TRUE(TitleTipTextFits(kMax, kMax, kMin / 2));
    EXPECT_FALSE(TitleTipTextFits(kMax, kMax, 0));
    EXPECT_FALSE(TitleTipTextFits(0, kMin, 0));
    EXPECT_FALSE(TitleTipTextFits(0, kMax, kMax)) << "the insets leave no room";
    EXPECT_FALSE(TitleTipTextFits(kMin, kMin, kMax));
    EXPECT_TRUE(TitleTipTextFits(kMin, kMin, kMin / 2));

    EXPECT_EQ(TitleTipHoldArea(kMax, 16, kMin), (PixelRect{kMax, 0, kMax, 16}));
    EXPECT_EQ(TitleTipHoldArea(kMin, 16, kMax), (PixelRect{-kMax, 0, kMin, 16}));

    EXPECT_EQ(TitleTipWindow({kMax - 10, 0, kMax, 16}, kMax, 5, 2),
              (PixelRect{kMax - 7, 0, kMax, 16}));
    EXPECT_EQ(TitleTipWindow({kMin, 0, kMin + 10, 16}, 20, kMin, kMax),
              (PixelRect{kMin, 0, kMin + 21, 16}))
        << "the right edge counts from the exact left edge";
    EXPECT_EQ(TitleTipWindow({kMin, 0, kMin + 10, 16}, kMax, 0, kMax),
              (PixelRect{kMin, 0, kMax, 16}));
}

}  // namespace
}  // namespace horolux
