// The schedule's decisions for any interval text, unit, minute counter, now and chosen moment:
// the interval reads as atoi reads it (held at the int range), a tick counts and decides as the
// interval and the chosen moment say, and the next moment is now plus what is left of the
// interval, held at the ends of the 64-bit range.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "core/schedule/schedule.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using namespace horolux;
using fuzz::Check;

int ReadAsStrtoll(const std::string& text) {
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    ScheduleMinute m;
    m.intervalText = in.ConsumeRandomLengthString(64);
    // Mostly hours and days, now and then a unit the schedule idles on.
    m.unit = in.ConsumeBool() ? in.ConsumeIntegral<int>() : in.ConsumeIntegralInRange(0, 1);
    m.userChosen = in.ConsumeBool();
    m.now = in.ConsumeIntegral<std::int64_t>();
    m.chosen = in.ConsumeIntegral<std::int64_t>();
    const std::int32_t counter = in.ConsumeIntegral<std::int32_t>();

    const int interval = IntervalValue(m.intervalText);
    // strtoll stops at a NUL as the text's end; the interval's reading stops there too.
    Check(interval == ReadAsStrtoll(m.intervalText), "an interval reads as atoi reads it");
    const int anyInterval = in.ConsumeIntegral<int>();
    Check(IntervalValue(std::to_string(anyInterval)) == anyInterval,
          "an interval's text reads back");

    const bool known = m.unit == 0 || m.unit == 1;
    const std::int32_t perUnit = m.unit == 0 ? 60 : 60 * 24;
    const std::optional<int> elapsed = ElapsedUnits(m.unit, counter);
    Check(elapsed.has_value() == known, "units are hours or days");
    if (known) Check(*elapsed == counter / perUnit, "whole units of the counter");

    std::int32_t ticked = counter;
    const ScheduleTick tick = AdvanceSchedule(ticked, m);
    Check(ticked == (counter == INT32_MAX ? counter : counter + 1), "a tick counts one minute");
    if (!known) {
        Check(tick == ScheduleTick::Idle, "other units idle");
    } else {
        const bool due = ticked / perUnit >= interval || (m.userChosen && m.now >= m.chosen);
        Check(tick == (due ? ScheduleTick::Due : ScheduleTick::NotDue),
              "due when the interval is over or the chosen moment has come");
    }

    const std::optional<std::int64_t> next = NextSyncMoment(m.unit, m.intervalText, counter, m.now);
    Check(next.has_value() == known, "a next moment for hours and days");
    if (known) {
        const __int128 exact =
            __int128{m.now} + (__int128{interval} - counter / perUnit) * (perUnit * 60);
        const __int128 held = std::clamp<__int128>(exact, INT64_MIN, INT64_MAX);
        Check(*next == static_cast<std::int64_t>(held), "now plus what is left of the interval");
    }
    return 0;
}
