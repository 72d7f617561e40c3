#include "core/sync/file_time.h"

#include <gtest/gtest.h>

#include "core/calendar/civil_date.h"

namespace horolux {
namespace {

constexpr std::uint64_t kEpoch = kFileTimeUnixEpoch;
constexpr std::int64_t k2026 = 1'767'225'600;  // 2026-01-01 00:00:00 UTC

TEST(FileTime, EpochIsTheDaysFrom1601) {
    EXPECT_EQ(kFileTimeUnixEpoch, -DaysFromCivil(1601, 1, 1) * 86'400 * 10'000'000);
}

TEST(FileTime, KnownMoments) {
    // microTicks: the tick the microsecond read starts at, back from MicrosFromFileTimeTicks.
    const struct {
        const char* name;
        std::uint64_t ticks;
        UnixMicros micros;
        std::uint64_t microTicks;
        std::int64_t seconds;
    } cases[] = {
        {"1601 epoch", 0, -11'644'473'600'000'000, 0, -11'644'473'600},
        {"1970 epoch", kEpoch, 0, kEpoch, 0},
        {"a tick after 1970", kEpoch + 1, 0, kEpoch, 0},
        {"a microsecond after 1970", kEpoch + 10, 1, kEpoch + 10, 0},
        // Before 1970 the microseconds are cut toward zero, the seconds down.
        {"a tick before 1970", kEpoch - 1, 0, kEpoch, -1},
        {"1.5 us before 1970", kEpoch - 15, -1, kEpoch - 10, -1},
        {"2026 and 0.1234567 s", kEpoch + k2026 * 10'000'000 + 1'234'567,
         k2026 * 1'000'000 + 123'456, kEpoch + k2026 * 10'000'000 + 1'234'560, k2026},
        {"2026, a tick before", kEpoch + k2026 * 10'000'000 - 1, k2026 * 1'000'000 - 1,
         kEpoch + k2026 * 10'000'000 - 10, k2026 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MicrosFromFileTimeTicks(c.ticks), c.micros) << c.name;
        EXPECT_EQ(FileTimeTicksFromMicros(c.micros), c.microTicks) << c.name;
        EXPECT_EQ(UnixSecondsFromFileTimeTicks(c.ticks), c.seconds) << c.name;
        EXPECT_EQ(FileTimeTicksFromUnixSeconds(c.seconds), c.ticks - c.ticks % 10'000'000)
            << c.name;
        EXPECT_EQ(MicrosFromFileTimeTicks(c.microTicks), c.micros) << c.name;
        EXPECT_EQ(UnixSecondsFromFileTimeTicks(FileTimeTicksFromUnixSeconds(c.seconds)), c.seconds)
            << c.name;
    }
}

}  // namespace
}  // namespace horolux
