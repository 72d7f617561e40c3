#include "core/timesource/page_offset.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

constexpr UnixMicros kMidnight = 1'767'225'600LL * kMicrosPerSecond;  // 2026-01-01 00:00 UTC
constexpr UnixMicros kNoon = kMidnight + 12 * 3600 * kMicrosPerSecond;
constexpr std::int64_t kHalfDay = 43'200 * kMicrosPerSecond;
constexpr std::int64_t kMs = 1'000;

TEST(PageOffset, BracketOfTheShownSecond) {
    const struct {
        const char* name;
        int hour, minute, second;
        UnixMicros sent, answered;
        std::int64_t offset, bound;
    } cases[] = {
        // [5 s - 200.001 ms, 6 s]: an odd width rounds the bound up.
        {"page 5 s ahead", 12, 0, 5, kNoon, kNoon + 200'001, 5'399'999, 600'001},
        {"page 2 s behind", 11, 59, 58, kNoon, kNoon + 200'001, -1'600'001, 600'001},
        {"page before midnight, PC after it", 23, 59, 59, kMidnight + 100 * kMs,
         kMidnight + 300 * kMs, -700 * kMs, 600 * kMs},
        {"page after midnight, PC before it", 0, 0, 0, kMidnight - 300 * kMs, kMidnight - 100 * kMs,
         700 * kMs, 600 * kMs},
        {"fetch spans midnight, page after it", 0, 0, 0, kMidnight - 200 * kMs,
         kMidnight + 300 * kMs, 450 * kMs, 750 * kMs},
        {"fetch spans midnight, page before it", 23, 59, 59, kMidnight - 200 * kMs,
         kMidnight + 300 * kMs, -550 * kMs, 750 * kMs},
        {"PC clock before 1970", 23, 59, 59, -1'000 * kMs, -800 * kMs, 400 * kMs, 600 * kMs},
        {"nearly half a day ahead", 11, 59, 59, kMidnight, kMidnight + 200 * kMs,
         kHalfDay - 600 * kMs, 600 * kMs},
        {"just over half a day ahead is behind", 12, 0, 0, kMidnight, kMidnight + 200 * kMs,
         -kHalfDay + 400 * kMs, 600 * kMs},
        // The day wraps to [-half a day, half a day).
        {"exactly half a day ahead", 12, 0, 0, kMidnight + 500 * kMs, kMidnight + 500 * kMs,
         -kHalfDay, 500 * kMs},
        {"exactly half a day behind", 0, 0, 0, kNoon + 500 * kMs, kNoon + 500 * kMs, -kHalfDay,
         500 * kMs},
    };
    for (const auto& c : cases) {
        const OffsetEstimate e = PageOffset(c.hour, c.minute, c.second, c.sent, c.answered);
        EXPECT_EQ(e.offset, c.offset) << c.name;
        EXPECT_EQ(e.bound, c.bound) << c.name;
    }
}

}  // namespace
}  // namespace horolux
