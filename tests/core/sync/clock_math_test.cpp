#include "core/sync/clock_math.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

SystemTime Utc(int h, int m, int s) {
    SystemTime t;
    t.wHour = static_cast<std::uint16_t>(h);
    t.wMinute = static_cast<std::uint16_t>(m);
    t.wSecond = static_cast<std::uint16_t>(s);
    return t;
}

// The clock as GetLocalTime might give it: 7 January 2026, a Wednesday, 23:59:58.456.
SystemTime ClockBefore() {
    SystemTime t;
    t.wYear = 2026;
    t.wMonth = 1;
    t.wDayOfWeek = 3;
    t.wDay = 7;
    t.wHour = 23;
    t.wMinute = 59;
    t.wSecond = 58;
    t.wMilliseconds = 456;
    return t;
}

TEST(EffectiveBias, AddsThePartOfTheYearTheSystemNames) {
    const struct {
        const char* name;
        TimeZoneRecord zone;
        int want;
    } cases[] = {
        {"standard", {-60, 5, -60, kTimeZoneIdStandard}, -55},
        {"daylight", {300, 0, -60, kTimeZoneIdDaylight}, 240},
        {"unknown ignores both", {300, 7, -60, kTimeZoneIdUnknown}, 300},
        {"failed call ignores both", {-330, 7, -60, kTimeZoneIdInvalid}, -330},
        {"other return ignores both", {60, 7, -60, 3}, 60},
    };
    for (const auto& c : cases) EXPECT_EQ(EffectiveBias(c.zone), c.want) << c.name;
}

TEST(UtcToLocalTimeOfDay, SubtractsTheBiasAndWrapsOnce) {
    const struct {
        const char* name;
        SystemTime utc;
        TimeZoneRecord zone;
        int hour, minute, second;
    } cases[] = {
        {"east of Greenwich across midnight",
         Utc(23, 30, 15),
         {-60, 0, -60, kTimeZoneIdStandard},
         0,
         30,
         15},
        {"west, daylight in effect", Utc(0, 10, 0), {300, 0, -60, kTimeZoneIdDaylight}, 20, 10, 0},
        {"exactly one day wraps to 0", Utc(22, 0, 5), {-120, 0, 0, kTimeZoneIdStandard}, 0, 0, 5},
        {"unknown zone, bias 0", Utc(13, 14, 15), {0, 30, -60, kTimeZoneIdUnknown}, 13, 14, 15},
        {"unknown zone keeps Bias alone",
         Utc(0, 10, 0),
         {300, 10, -60, kTimeZoneIdUnknown},
         19,
         10,
         0},
        {"half-hour zone", Utc(20, 0, 0), {-330, 0, -60, kTimeZoneIdStandard}, 1, 30, 0},
        {"standard bias counts", Utc(12, 0, 0), {0, 30, -60, kTimeZoneIdStandard}, 11, 30, 0},
        {"page a second into the next day", Utc(0, 0, 3), {0, 0, 0, kTimeZoneIdUnknown}, 0, 0, 3},
        // The page's digits are not checked: an hour of 75 is corrected once and passed on.
        {"implausible hour", Utc(75, 99, 61), {0, 0, 0, kTimeZoneIdUnknown}, 52, 39, 61},
        {"hour read as -3", Utc(65533, 0, 0), {0, 0, 0, kTimeZoneIdUnknown}, 65509, 0, 0},
        {"more than a day behind", Utc(0, 0, 0), {1500, 0, 0, kTimeZoneIdUnknown}, 65535, 0, 0},
    };
    for (const auto& c : cases) {
        SystemTime local = ClockBefore();
        UtcToLocalTimeOfDay(c.utc, c.zone, local);
        EXPECT_EQ(local.wHour, c.hour) << c.name;
        EXPECT_EQ(local.wMinute, c.minute) << c.name;
        EXPECT_EQ(local.wSecond, c.second) << c.name;
        // The date and the milliseconds are the clock's, even when the change crosses midnight.
        EXPECT_EQ(local.wYear, 2026) << c.name;
        EXPECT_EQ(local.wMonth, 1) << c.name;
        EXPECT_EQ(local.wDayOfWeek, 3) << c.name;
        EXPECT_EQ(local.wDay, 7) << c.name;
        EXPECT_EQ(local.wMilliseconds, 456) << c.name;
    }
}

TEST(FormatTimeText, OneBlankInFrontTwoBetweenDateAndTime) {
    SystemTime huge = ClockBefore();
    huge.wHour = 65509;
    const struct {
        SystemTime t;
        const char* want;
    } cases[] = {
        {[] {
             SystemTime t;
             t.wYear = 2003, t.wMonth = 1, t.wDay = 7, t.wHour = 9, t.wMinute = 5, t.wSecond = 3;
             t.wDayOfWeek = 2, t.wMilliseconds = 999;  // neither is shown
             return t;
         }(),
         " 2003-01-07  09:05:03"},
        {ClockBefore(), " 2026-01-07  23:59:58"},
        {SystemTime{}, " 0000-00-00  00:00:00"},
        {huge, " 2026-01-07  65509:59:58"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatTimeText(c.t), c.want);
}

}  // namespace
}  // namespace horolux
