#include "core/timesource/page_offset.h"

namespace horolux {

namespace {

constexpr std::int64_t kDayMicros = 86400LL * kMicrosPerSecond;

std::int64_t MicrosOfDay(UnixMicros t) {
    const std::int64_t r = t % kDayMicros;
    return r < 0 ? r + kDayMicros : r;
}

}  // namespace

OffsetEstimate PageOffset(int hour, int minute, int second, UnixMicros sent, UnixMicros answered) {
    const std::int64_t shown = (hour * 3600LL + minute * 60LL + second) * kMicrosPerSecond;
    const std::int64_t low = shown - MicrosOfDay(answered);
    std::int64_t high = shown + kMicrosPerSecond - MicrosOfDay(sent);
    if (high < low) high += kDayMicros;  // midnight passed during the fetch
    std::int64_t middle = low + (high - low) / 2;
    if (middle >= kDayMicros / 2) {
        middle -= kDayMicros;
    } else if (middle < -kDayMicros / 2) {
        middle += kDayMicros;
    }
    return {middle, (high - low + 1) / 2};
}

}  // namespace horolux
