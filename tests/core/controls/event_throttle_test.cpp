#include "core/controls/event_throttle.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

constexpr std::int64_t kMinute = 60000;

TEST(EventThrottle, FirstAtOnceLaterOnesHeldAsOneUntilThePeriodIsOver) {
    EventThrottle throttle(kMinute);
    EXPECT_TRUE(throttle.Changed(1000).fireNow);

    const EventThrottle::Step held = throttle.Changed(21000);
    EXPECT_FALSE(held.fireNow);
    EXPECT_EQ(held.holdMs, 40000) << "the rest of the minute since the last event";
    const EventThrottle::Step again = throttle.Changed(31000);
    EXPECT_FALSE(again.fireNow);
    EXPECT_EQ(again.holdMs, 0) << "already held: no second timer";

    EXPECT_TRUE(throttle.PeriodOver(61000));
    EXPECT_FALSE(throttle.PeriodOver(61500)) << "nothing held any more";
    EXPECT_EQ(throttle.Changed(62000).holdMs, kMinute - 1000) << "counted from the held one";
    EXPECT_TRUE(throttle.PeriodOver(121000));
    EXPECT_TRUE(throttle.Changed(181000).fireNow) << "a quiet minute: at once again";
}

}  // namespace
}  // namespace horolux
