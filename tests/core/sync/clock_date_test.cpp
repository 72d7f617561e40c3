#include "core/sync/clock_date.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

SystemTime At(int y, int mo, int d, int dow, int h, int mi, int s, int ms = 0) {
    SystemTime t;
    t.wYear = static_cast<std::uint16_t>(y);
    t.wMonth = static_cast<std::uint16_t>(mo);
    t.wDay = static_cast<std::uint16_t>(d);
    t.wDayOfWeek = static_cast<std::uint16_t>(dow);
    t.wHour = static_cast<std::uint16_t>(h);
    t.wMinute = static_cast<std::uint16_t>(mi);
    t.wSecond = static_cast<std::uint16_t>(s);
    t.wMilliseconds = static_cast<std::uint16_t>(ms);
    return t;
}

// before's record with another time of day, as the sync makes it.
SystemTime WithTimeOfDay(const SystemTime& before, int h, int m, int s) {
    SystemTime t = before;
    t.wHour = static_cast<std::uint16_t>(h);
    t.wMinute = static_cast<std::uint16_t>(m);
    t.wSecond = static_cast<std::uint16_t>(s);
    return t;
}

void ExpectDate(const SystemTime& t, int y, int mo, int d, int dow) {
    EXPECT_EQ(t.wYear, y);
    EXPECT_EQ(t.wMonth, mo);
    EXPECT_EQ(t.wDay, d);
    EXPECT_EQ(t.wDayOfWeek, dow);
}

TEST(MoveToNearestDay, CrossingMidnightForwardTakesTheNextDay) {
    // The clock shows 23:59:58 on Tuesday 7 January 2003; the page says 00:00:03 local.
    const SystemTime before = At(2003, 1, 7, 2, 23, 59, 58, 250);
    SystemTime after = WithTimeOfDay(before, 0, 0, 3);
    MoveToNearestDay(before, after);
    ExpectDate(after, 2003, 1, 8, 3);
    EXPECT_EQ(after.wHour, 0);
    EXPECT_EQ(after.wSecond, 3);
    EXPECT_EQ(after.wMilliseconds, 250) << "milliseconds stay as the clock had them";
}

TEST(MoveToNearestDay, CrossingMidnightBackwardTakesThePreviousDay) {
    const struct {
        SystemTime before;
        int h, m, s;
        int y, mo, d, dow;
    } cases[] = {
        {At(2003, 1, 8, 3, 0, 0, 2), 23, 59, 59, 2003, 1, 7, 2},
        {At(2026, 1, 1, 4, 0, 1, 0), 23, 58, 0, 2025, 12, 31, 3},   // back over a year end
        {At(2024, 3, 1, 5, 0, 0, 10), 23, 59, 50, 2024, 2, 29, 4},  // into a leap day
        {At(2023, 3, 1, 3, 0, 0, 10), 23, 59, 50, 2023, 2, 28, 2},
        {At(2000, 1, 1, 6, 1, 0, 0), 22, 0, 0, 1999, 12, 31, 5},
    };
    for (const auto& c : cases) {
        SystemTime after = WithTimeOfDay(c.before, c.h, c.m, c.s);
        MoveToNearestDay(c.before, after);
        ExpectDate(after, c.y, c.mo, c.d, c.dow);
    }
    SystemTime newYear = At(2025, 12, 31, 3, 23, 59, 0);
    SystemTime after = WithTimeOfDay(newYear, 0, 0, 30);
    MoveToNearestDay(newYear, after);
    ExpectDate(after, 2026, 1, 1, 4);
}

TEST(MoveToNearestDay, SmallCorrectionsAndOddValuesKeepTheDate) {
    const struct {
        SystemTime before;
        int h, m, s;
    } cases[] = {
        {At(2026, 12, 7, 1, 10, 0, 0), 10, 5, 0},
        {At(2026, 12, 7, 1, 10, 0, 0), 22, 0, 0},  // exactly twelve hours: no move
        {At(2026, 12, 7, 1, 12, 0, 0), 0, 0, 0},
        {At(2026, 12, 7, 1, 23, 0, 0), 75, 99, 0},  // implausible digits are left to the clock
        {At(2026, 12, 7, 1, 23, 0, 0), 0xFFFD, 0, 0},
    };
    for (const auto& c : cases) {
        SystemTime after = WithTimeOfDay(c.before, c.h, c.m, c.s);
        MoveToNearestDay(c.before, after);
        ExpectDate(after, 2026, 12, 7, 1);
    }
}

}  // namespace
}  // namespace horolux
