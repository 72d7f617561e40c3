#include "core/geometry/pixel_rect.h"

#include <gtest/gtest.h>

#include <climits>

namespace horolux {
namespace {

TEST(PixelRect, SizesAreHeldAtTheEndsOfTheIntRange) {
    const struct {
        PixelRect r;
        int width, height;
    } cases[] = {
        {{10, 20, 110, 36}, 100, 16},
        {{-5, -8, 5, 8}, 10, 16},
        {{5, 8, -5, -8}, -10, -16},  // turned inside out: a negative size, as the platform gives
        {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, INT_MAX, INT_MAX},
        {{INT_MAX, INT_MAX, INT_MIN, INT_MIN}, INT_MIN, INT_MIN},
        {{-1, 0, INT_MAX - 1, INT_MAX}, INT_MAX, INT_MAX},
        {{INT_MIN + 1, 1, 0, INT_MIN}, INT_MAX, INT_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.r.Width(), c.width) << c.r.left << ".." << c.r.right;
        EXPECT_EQ(c.r.Height(), c.height) << c.r.top << ".." << c.r.bottom;
    }
    EXPECT_EQ(ClampPixel(std::int64_t{INT_MAX} + 1), INT_MAX);
    EXPECT_EQ(ClampPixel(std::int64_t{INT_MIN} - 1), INT_MIN);
    EXPECT_EQ(ClampPixel(-7), -7);
}

TEST(PixelRect, ContainsTheLeftAndTopEdgesButNotTheRightAndBottom) {
    const PixelRect r{INT_MIN, -1, INT_MAX, 1};
    EXPECT_TRUE(r.Contains(INT_MIN, -1));
    EXPECT_TRUE(r.Contains(INT_MAX - 1, 0));
    EXPECT_FALSE(r.Contains(INT_MAX, 0));
    EXPECT_FALSE(r.Contains(0, 1));
}

}  // namespace
}  // namespace horolux
