#include "core/clockwnd/transparency.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

TEST(ClockOpacity, RequestsStoredValuesAndLimits) {
    const struct {
        const char* what;
        int requested, current, stored, expected;
    } cases[] = {
        {"start: the stored value", -1, 70, 70, 70},
        {"start, another stored value", -1, 70, 45, 45},
        {"slider at its top: unchanged", 0, 45, 90, 45},
        {"below 10 is raised", 5, 45, 90, 10},
        {"slider", 55, 45, 90, 55},
        {"stored 0", -1, 70, 0, 10},
        {"stored negative", -1, 70, -5, 10},
        {"stored above 100", -1, 70, 150, 100},
        {"stored 256 would wrap to alpha 0", -1, 70, 256, 100},
        {"stored 300 would wrap to 44", -1, 70, 300, 100},
        {"asked above 100", 200, 70, 70, 100},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveOpacity(c.requested, c.current, c.stored), c.expected) << c.what;
}

TEST(ClockOpacity, AlphaOfPercent) {
    const struct {
        int percent, alpha;
    } cases[] = {{0, 0},    {10, 25},   {50, 127},  {70, 178},
                 {99, 252}, {100, 255}, {101, 255}, {255, 255}};
    for (const auto& c : cases)
        EXPECT_EQ(AlphaFromPercent(static_cast<std::uint8_t>(c.percent)), c.alpha) << c.percent;
}

TEST(TransparencySlider, PointerPositionsInTheBand) {
    // Thumb top at 8, the popup's bottom edge at 102 in slider pixels.
    const struct {
        int y;
        std::optional<int> position;
    } cases[] = {{8, 8},     {50, 50},   {101, 101}, {102, std::nullopt},
                 {103, 100}, {400, 100}, {7, 0},     {-30, 0}};
    for (const auto& c : cases) EXPECT_EQ(TrackedSliderPosition(c.y, 8, 102), c.position) << c.y;
}

}  // namespace
}  // namespace horolux
