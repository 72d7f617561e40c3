#include "core/geometry/dpi_scale.h"

#include <gtest/gtest.h>

#include <climits>

namespace horolux {
namespace {

TEST(DpiScale, RoundsHalfAwayFromZeroAsMulDivDoes) {
    const struct {
        int value, numerator, denominator, result;
    } cases[] = {
        {26, 144, 96, 39},  {1, 144, 96, 2},          {-1, 144, 96, -2},        {5, 120, 96, 6},
        {3, 120, 96, 4},    {-3, 120, 96, -4},        {2, 120, 96, 3},          {7, 96, 144, 5},
        {50, 192, 96, 100}, {9, -2, 4, -5},           {-9, 2, -4, 5},           {10, 0, 96, 0},
        {13, 7, 0, 13},     {INT_MAX, 2, 1, INT_MAX}, {INT_MIN, 2, 1, INT_MIN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDivRound(c.value, c.numerator, c.denominator), c.result)
            << c.value << " * " << c.numerator << " / " << c.denominator;
}

TEST(DpiScale, LengthsScaleFrom96AndBetweenAnyTwoScales) {
    EXPECT_EQ(ScaleToDpi(26, 96), 26);
    EXPECT_EQ(ScaleToDpi(26, 120), 33);  // 32.5
    EXPECT_EQ(ScaleToDpi(26, 144), 39);
    EXPECT_EQ(ScaleToDpi(26, 192), 52);
    EXPECT_EQ(RescaleLength(39, 144, 96), 26);
    EXPECT_EQ(RescaleLength(39, 144, 192), 52);
    EXPECT_EQ(RescaleLength(39, 0, 192), 39) << "an unknown scale leaves the length alone";
    EXPECT_EQ(RescaleLength(39, 144, -1), 39);
}

TEST(DpiScale, RectanglesScaleEdgeByEdgeSoNeighboursStillTouch) {
    const PixelRect left{0, 3, 7, 20}, right{7, 3, 19, 20};
    const PixelRect a = RescaleRect(left, 96, 144), b = RescaleRect(right, 96, 144);
    EXPECT_EQ(a, (PixelRect{0, 5, 11, 30}));
    EXPECT_EQ(b, (PixelRect{11, 5, 29, 30}));
    EXPECT_EQ(a.right, b.left);
    EXPECT_EQ(RescaleRect(a, 144, 96), left) << "there and back again";
    // Dialog base units 6 × 13 at one scale, 9 × 20 at the next: each axis by its own ratio.
    EXPECT_EQ(ScaleRect({4, 13, 10, 26}, 9, 6, 20, 13), (PixelRect{6, 20, 15, 40}));
    EXPECT_EQ(ScaleRect({4, 13, 10, 26}, 9, 0, 20, 13), (PixelRect{4, 20, 10, 40}));
}

TEST(DpiScale, APictureShrinksInItsOwnShapeOnlyWhenItHasNoRoom) {
    EXPECT_EQ(FitWithin({200, 230}, {300, 300}), (PixelSize{200, 230}));
    EXPECT_EQ(FitWithin({200, 230}, {200, 230}), (PixelSize{200, 230}));
    EXPECT_EQ(FitWithin({200, 230}, {157, 188}), (PixelSize{157, 180}));  // width decides
    EXPECT_EQ(FitWithin({200, 230}, {300, 115}), (PixelSize{100, 115}));  // height decides
    EXPECT_EQ(FitWithin({64, 64}, {60, 90}), (PixelSize{60, 60}));
    EXPECT_EQ(FitWithin({64, 64}, {0, 90}), (PixelSize{0, 0}));
}

TEST(DpiScale, FontHeightsFromPointsKeepWholePointsAndCellHeightsScale) {
    // MS Sans Serif 8 as the dialog manager makes it: −MulDiv(8, dpi, 72).
    const int eight[] = {-11, -13, -16, -21};  // 96, 120, 144, 192
    const int dpis[] = {96, 120, 144, 192};
    for (int from = 0; from < 4; ++from)
        for (int to = 0; to < 4; ++to)
            EXPECT_EQ(RescaleFontHeight(eight[from], dpis[from], dpis[to]), eight[to])
                << dpis[from] << " -> " << dpis[to];
    EXPECT_EQ(RescaleFontHeight(26, 96, 144), 39);
    EXPECT_EQ(RescaleFontHeight(39, 144, 96), 26);
    EXPECT_EQ(RescaleFontHeight(0, 96, 144), 0) << "the default height stays the default";
}

}  // namespace
}  // namespace horolux
