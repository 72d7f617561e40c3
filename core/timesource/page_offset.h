#pragma once
// The offset (true time minus the PC's) that the time page's Universal Time of day gives. Only
// the time of day is known, so the offset is taken as the one within half a day of nil.
#include <cstdint>

#include "core/timesource/unix_micros.h"

namespace horolux {

// Microseconds: the true offset lies within offset +- bound.
struct OffsetEstimate {
    std::int64_t offset = 0;
    std::int64_t bound = 0;
};

// The page shows whole seconds of the day only: its second was read somewhere between sent and
// answered (the PC's clock), so the offset lies in [s - answered, s + 1 s - sent] as times of the
// day.
OffsetEstimate PageOffset(int hour, int minute, int second, UnixMicros sent, UnixMicros answered);

}  // namespace horolux
