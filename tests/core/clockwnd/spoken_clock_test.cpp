#include "core/clockwnd/spoken_clock.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

TEST(SpokenClock, MinutesToEachAlarmAsAPersonReadsThem) {
    const struct {
        const char* shown;
        const char* spoken;
    } cases[] = {
        {"12::5", "12 minutes, 5 minutes"},
        {"1", "1 minute"},
        {"0::1::60", "0 minutes, 1 minute, 60 minutes"},
        {"", "No alarms"},
        {"EMPTY", "EMPTY"},
    };
    for (const auto& c : cases) EXPECT_EQ(SpokenClockText(c.shown), c.spoken) << c.shown;
}

}  // namespace
}  // namespace horolux
