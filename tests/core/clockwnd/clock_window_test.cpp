#include "core/clockwnd/clock_window.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>

namespace horolux {
namespace {

constexpr int kScreenW = 1024, kScreenH = 768;

PixelRect At(int left, int top, int w, int h) {
    return {left, top, left + w, top + h};
}

TEST(ClockLayout, AnchorsKeepMarginsToTheirPercentPoints) {
    const struct {
        const char* what;
        PixelRect control;
        AnchorPoint topLeft, bottomRight;
        int newW, newH;
        PixelRect expected;
    } cases[] = {
        // The clock's display: the whole client area, whatever its size.
        {"fills the client", {0, 0, 31, 15}, {0, 0}, {100, 100}, 301, 97, {0, 0, 301, 97}},
        {"inset both corners", {4, 2, 26, 13}, {0, 0}, {100, 100}, 130, 65, {4, 2, 125, 63}},
        // Pinned to the bottom-right corner; (-1, -1) stands for the same point twice.
        {"corner", {20, 10, 28, 14}, {100, 100}, kAnchorSameAsTopLeft, 60, 40, {49, 35, 57, 39}},
        // Truncating percent arithmetic: 50 % of 31 is 15, of 61 is 30.
        {"half way, odd sizes", {10, 0, 20, 5}, {50, 0}, {50, 0}, 61, 10, {25, 0, 35, 5}},
    };
    for (const auto& c : cases) {
        const Anchor a = MakeAnchor(c.control, 31, 15, c.topLeft, c.bottomRight);
        EXPECT_EQ(ArrangeAnchor(a, 31, 15), c.control) << c.what << ": unchanged size";
        EXPECT_EQ(ArrangeAnchor(a, c.newW, c.newH), c.expected) << c.what;
    }
}

TEST(ClockLayout, Grip) {
    const PixelRect grip = GripSquare(100, 50, 17, 16);
    EXPECT_EQ(grip, (PixelRect{83, 34, 100, 50}));
    EXPECT_TRUE(grip.Contains(99, 49));
    EXPECT_FALSE(grip.Contains(100, 49));
}

TEST(ClockDrag, SnapsBackAtEdgesItDidNotTouchBefore) {
    const struct {
        const char* what;
        PixelRect before, after, expected;
    } cases[] = {
        {"inside stays", At(10, 10, 60, 30), At(300, 200, 60, 30), At(300, 200, 60, 30)},
        {"past the left edge", At(10, 100, 60, 30), At(-40, 120, 60, 30), At(0, 120, 60, 30)},
        {"left edge touched before", At(0, 100, 60, 30), At(-40, 100, 60, 30),
         At(-40, 100, 60, 30)},
        {"past the top", At(10, 5, 60, 30), At(10, -7, 60, 30), At(10, 0, 60, 30)},
        {"past the right edge", At(900, 10, 60, 30), At(1000, 10, 60, 30), At(964, 10, 60, 30)},
        {"right edge touched before", At(964, 10, 60, 30), At(1000, 10, 60, 30),
         At(1000, 10, 60, 30)},
        {"past the bottom", At(10, 700, 60, 30), At(10, 750, 60, 30), At(10, 738, 60, 30)},
        {"into a corner", At(500, 500, 60, 30), At(-20, -20, 60, 30), At(0, 0, 60, 30)},
        {"past the bottom-right", At(500, 500, 60, 30), At(1000, 760, 60, 30),
         At(964, 738, 60, 30)},
        // Each step sees the one before: the right edge's snap undoes the left edge's.
        {"wider than the screen", At(10, 10, 1100, 30), At(-50, 10, 1100, 30),
         At(-76, 10, 1100, 30)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SnapOntoScreen(c.before, c.after, kScreenW, kScreenH), c.expected) << c.what;
}

TEST(ClockDrag, FirstRunCentresTheEnlargedWindow) {
    EXPECT_EQ(FirstRunRect(At(300, 400, 35, 22), kScreenW, kScreenH, 96), At(485, 368, 55, 32));
    // At 144 DPI the clock grows by 30 × 15 pixels.
    EXPECT_EQ(FirstRunRect(At(300, 400, 52, 33), kScreenW, kScreenH, 144), At(471, 360, 82, 48));
    // Odd sizes: integer halves.
    EXPECT_EQ(FirstRunRect(At(0, 0, 36, 23), 1023, 767, 96), At(483, 367, 56, 33));
}

TEST(ClockPlacementText, ParsesSixNumbersOrNothing) {
    const struct {
        const char* text;
        std::optional<ClockPlacement> expected;
    } cases[] = {
        {"100,50,220,110,1,0", ClockPlacement{{100, 50, 220, 110}, 1, 0}},
        {" 100, -50,+220,110,1,0 and more", ClockPlacement{{100, -50, 220, 110}, 1, 0}},
        {"-2147483648,0,2147483647,0,0,0", ClockPlacement{{INT_MIN, 0, INT_MAX, 0}, 0, 0}},
        {"", std::nullopt},
        {"10,20,30", std::nullopt},
        {"1,2,3,4,5,", std::nullopt},
        {"1,2,3,4,5 ,6", std::nullopt},  // a blank before the comma ends the match
        {"1;2;3;4;5;6", std::nullopt},
        {"a,b,c,d,e,f", std::nullopt},
        {"2147483648,0,0,0,1,0", std::nullopt},  // beyond an int
        {"1,2,3,4,5,99999999999999999999", std::nullopt},
        {"-,1,2,3,4,5", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ParsePlacement(c.text), c.expected) << c.text;

    const ClockPlacement p{{-40, 7, 80, 67}, 1, 0};
    EXPECT_EQ(FormatPlacement(p), "-40,7,80,67,1,0");
    EXPECT_EQ(ParsePlacement(FormatPlacement(p)), p);
}

TEST(ClockPlacementText, OddStoredPlacementsAreMadeFitToApply) {
    const struct {
        const char* what;
        ClockPlacement stored, expected;
    } cases[] = {
        {"ordinary", {At(100, 50, 120, 60), 1, 0}, {At(100, 50, 120, 60), 1, 0}},
        {"partly off the left stays", {At(-40, 50, 120, 60), 1, 0}, {At(-40, 50, 120, 60), 1, 0}},
        {"hidden", {At(100, 50, 120, 60), 0, 0}, {At(100, 50, 120, 60), 1, 0}},
        {"maximised, odd flags", {At(100, 50, 120, 60), 3, 0xFF}, {At(100, 50, 120, 60), 1, 7}},
        {"inverted", {{100, 50, 90, 40}, 1, 0}, {At(100, 50, 35, 22), 1, 0}},
        {"larger than the screen", {At(0, 0, 5000, 60), 1, 0}, {At(0, 0, 1024, 60), 1, 0}},
        {"far off left and top", {At(-500000, -500000, 120, 60), 1, 0}, {At(0, 0, 120, 60), 1, 0}},
        {"beyond the right", {At(1024, 100, 120, 60), 1, 0}, {At(904, 100, 120, 60), 1, 0}},
        {"extreme", {{INT_MIN, INT_MAX, INT_MAX, INT_MIN}, 1, 0}, {At(0, 746, 1024, 22), 1, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SanitisePlacement(c.stored, 35, 22, At(0, 0, kScreenW, kScreenH)), c.expected)
            << c.what;
    // A second monitor left of the first: a place there is kept, one beyond it is brought back.
    const PixelRect desktop{-1280, 0, kScreenW, kScreenH};
    EXPECT_EQ(SanitisePlacement({At(-1000, 50, 120, 60), 1, 0}, 35, 22, desktop).normal,
              At(-1000, 50, 120, 60));
    EXPECT_EQ(SanitisePlacement({At(-1500, 50, 120, 60), 1, 0}, 35, 22, desktop).normal,
              At(-1280, 50, 120, 60));
}

TEST(ClockColours, StoredTextsAndDefaults) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> expected;
    } cases[] = {
        {"255", 0xFFu},
        {"16777215", 0xFFFFFFu},
        {"  +52xyz", 52u},
        {"0", std::nullopt},  // black is stored as no colour
        {"", std::nullopt},
        {"red", std::nullopt},
        {"-1", std::nullopt},
        {"16777216", std::nullopt},
        {"99999999999999999999", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ColourFromText(c.text), c.expected) << c.text;
    EXPECT_EQ(ColourText(0x00C08040), "12615744");
    EXPECT_EQ(ColourFromText(ColourText(0x00C08040)), 0x00C08040u);
}

TEST(ClockText, MinutesLeftOfLiveAlarmsInSlotOrder) {
    AlarmDataArray alarms;
    EXPECT_EQ(AlarmClockText(alarms, 0), "");
    auto add = [&](int interval, int count) {
        auto a = std::make_unique<AlarmData>();
        a->interval = interval;
        a->count = count;
        return alarms.Add(std::move(a));
    };
    const std::size_t first = add(3, 0);
    add(12, 2);
    EXPECT_EQ(AlarmClockText(alarms, 0), "3::10");
    alarms.EmptySlot(first);
    EXPECT_EQ(AlarmClockText(alarms, 0), "10") << "no separator before the first live alarm";
    add(0, 0);
    add(INT_MIN + 1, INT_MAX);
    EXPECT_EQ(AlarmClockText(alarms, 0), "10") << "switched-off alarms have nothing to count down";
    add(INT_MAX, 0);
    add(1, INT_MAX);  // no overflow, however odd the record
    EXPECT_EQ(AlarmClockText(alarms, 0), "10::2147483647::-2147483646");

    AlarmDataArray off;
    off.Add(std::make_unique<AlarmData>());  // interval 0
    EXPECT_EQ(AlarmClockText(off, 0), "") << "only switched-off alarms: as with none";
}

}  // namespace
}  // namespace horolux
