#include "core/schedule/catch_up.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

TEST(CatchUp, AResumeSyncsAfterALongSleepOrAMissedMomentWithAScheduleOn) {
    const std::int64_t t = 1'800'000'000;
    const struct {
        std::int64_t slept;
        bool scheduleOn;
        std::optional<std::int64_t> next;  // relative to the suspend
        bool due;
    } cases[] = {
        {3601, true, std::nullopt, true},  // longer than an hour
        {3600, true, std::nullopt, false},
        {3601, false, std::nullopt, false},  // no schedule, nothing to catch up
        {600, true, 300, true},              // the next moment passed during sleep
        {600, true, 600, true},
        {600, true, 601, false},
        {600, true, 0, false},  // it was due before the sleep: the minute tick had it
    };
    for (const auto& c : cases) {
        CatchUp catchUp;
        catchUp.Awake(t);
        const auto next = c.next ? std::optional<std::int64_t>(t + *c.next) : std::nullopt;
        EXPECT_EQ(catchUp.Resumed(t + c.slept, c.scheduleOn, next), c.due)
            << c.slept << " s, next " << c.next.value_or(-1);
    }
    CatchUp neverAwake;
    EXPECT_FALSE(neverAwake.Resumed(t, true, t - 1)) << "nothing known of the sleep";
}

TEST(CatchUp, AnUnreachableAutomaticSyncIsRetriedOnceANetworkComesUpAtMostEveryFiveMinutes) {
    CatchUp catchUp;
    const std::int64_t t = 1'800'000'000;
    EXPECT_FALSE(catchUp.NetworkUp(t)) << "nothing failed";
    catchUp.AutomaticSyncEnded(true);
    EXPECT_TRUE(catchUp.NetworkUp(t));
    EXPECT_FALSE(catchUp.NetworkUp(t + 1)) << "once";
    catchUp.AutomaticSyncEnded(true);
    EXPECT_FALSE(catchUp.NetworkUp(t + 299)) << "not within five minutes of the last retry";
    EXPECT_TRUE(catchUp.NetworkUp(t + 300));
    catchUp.AutomaticSyncEnded(true);
    catchUp.AutomaticSyncEnded(false);
    EXPECT_FALSE(catchUp.NetworkUp(t + 1000)) << "a later sync reached its source";
}

}  // namespace
}  // namespace horolux
