#include "core/schedule/schedule.h"

#include <gtest/gtest.h>

#include <climits>

namespace horolux {
namespace {

constexpr std::int64_t kNow = 1796666400;  // 2026-12-07 18:00:00 UTC

// Ticks the schedule until it is due; returns the tick number (1-based) or 0 if not within limit.
int FirstDueTick(int unit, const std::string& interval, int limit) {
    std::int32_t counter = 0;
    for (int tick = 1; tick <= limit; ++tick) {
        if (AdvanceSchedule(counter, {unit, interval, false, kNow, 0}) == ScheduleTick::Due)
            return tick;
    }
    return 0;
}

TEST(Schedule, IntervalsBecomeDueAtTheirMinute) {
    const struct {
        int unit;
        const char* interval;
        int dueAt;
    } cases[] = {
        {0, "1", 60},                                    // one hour: the 60th tick, not the 59th
        {0, "2", 120},  {1, "1", 1440},                  // one day
        {0, "0", 1},                                     // zero: every tick
        {0, "", 1},                                      // no number: every tick
        {0, "abc", 1},  {0, "-3", 1},   {0, "3h", 180},  // the leading number counts
        {0, " 2", 120},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirstDueTick(c.unit, c.interval, 3000), c.dueAt) << c.unit << " / " << c.interval;
}

TEST(Schedule, OtherUnitsIdleButStillCount) {
    std::int32_t counter = 0;
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(AdvanceSchedule(counter, {2, "0", true, kNow, 0}), ScheduleTick::Idle);
    EXPECT_EQ(counter, 5000);
    EXPECT_FALSE(NextSyncMoment(2, "1", 0, kNow));
    EXPECT_FALSE(NextSyncMoment(-1, "1", 0, kNow));
}

TEST(Schedule, AChosenMomentIsDueAtOrAfterItToTheSecond) {
    std::int32_t counter = 0;
    EXPECT_EQ(AdvanceSchedule(counter, {0, "24", true, kNow, kNow + 1}), ScheduleTick::NotDue);
    EXPECT_EQ(AdvanceSchedule(counter, {0, "24", true, kNow, kNow}), ScheduleTick::Due);
    EXPECT_EQ(AdvanceSchedule(counter, {0, "24", true, kNow, kNow - 86400 * 30}), ScheduleTick::Due)
        << "a moment in the past is due at once";
    EXPECT_EQ(AdvanceSchedule(counter, {0, "24", false, kNow, kNow - 60}), ScheduleTick::NotDue)
        << "only a moment the user chose counts";
}

TEST(Schedule, NextMomentCountsWhatIsLeftFromNow) {
    // Two hours, 90 minutes after the reset: now + 1 hour, though the sync is due at minute 120.
    EXPECT_EQ(NextSyncMoment(0, "2", 90, kNow), kNow + 3600);
    EXPECT_EQ(NextSyncMoment(0, "2", 0, kNow), kNow + 7200);
    EXPECT_EQ(NextSyncMoment(1, "3", 1440 * 2 + 1439, kNow), kNow + 86400);
    EXPECT_EQ(NextSyncMoment(0, "0", 0, kNow), kNow);
    EXPECT_EQ(NextSyncMoment(0, "1", 150, kNow), kNow - 3600)
        << "an overdue interval lies in the past";
    EXPECT_EQ(NextSyncMoment(1, "264", 0, kNow), kNow + 264LL * 86400) << "no 32-bit overflow";
}

TEST(Schedule, NextMomentIsHeldAtTheEndsOfTheRange) {
    constexpr std::int64_t kLatest = INT64_MAX, kEarliest = INT64_MIN;
    EXPECT_EQ(NextSyncMoment(1, "2147483647", 0, kLatest - 86400), kLatest);
    EXPECT_EQ(NextSyncMoment(0, "1", 0, kLatest - 3600), kLatest) << "exactly at the end";
    EXPECT_EQ(NextSyncMoment(0, "-2147483648", INT32_MAX, kEarliest + 5), kEarliest);
    EXPECT_EQ(NextSyncMoment(0, "0", 60, kEarliest + 3600), kEarliest) << "exactly at the end";
    EXPECT_EQ(NextSyncMoment(0, "0", 0, kLatest), kLatest);
}

TEST(Schedule, IntervalTextReadsLikeAtoi) {
    EXPECT_EQ(IntervalValue("12"), 12);
    EXPECT_EQ(IntervalValue("  7 days"), 7);
    EXPECT_EQ(IntervalValue("+5"), 5);
    EXPECT_EQ(IntervalValue("-5"), -5);
    EXPECT_EQ(IntervalValue("x5"), 0);
    EXPECT_EQ(IntervalValue(""), 0);
    EXPECT_EQ(IntervalValue("99999999999999999999"), INT_MAX);
    EXPECT_EQ(IntervalValue("-99999999999999999999"), INT_MIN);
}

TEST(ConnectionWatchTest, OnlyANewDialUpConnectionSyncs) {
    std::string remembered = "LAN Connection";
    // Not connected, or connected without a modem: the tick ends and nothing is remembered.
    EXPECT_EQ(WatchConnection({false, 0x08, "Dial"}, remembered), ConnectionWatch::EndTick);
    EXPECT_EQ(WatchConnection({true, 0x12, "Dial"}, remembered), ConnectionWatch::EndTick);
    EXPECT_EQ(remembered, "LAN Connection");
    // A new name over a modem: sync once, then the same connection (any case) goes on.
    EXPECT_EQ(WatchConnection({true, 0x08, "My ISP"}, remembered), ConnectionWatch::SyncAndEndTick);
    EXPECT_EQ(remembered, "My ISP");
    EXPECT_EQ(WatchConnection({true, 0x08 | 0x10, "MY isp"}, remembered),
              ConnectionWatch::Continue);
    EXPECT_EQ(remembered, "My ISP");
    // Dropping and coming back under the same name is not new.
    EXPECT_EQ(WatchConnection({false, 0, ""}, remembered), ConnectionWatch::EndTick);
    EXPECT_EQ(WatchConnection({true, 0x08, "My ISP"}, remembered), ConnectionWatch::Continue);
}

}  // namespace
}  // namespace horolux
