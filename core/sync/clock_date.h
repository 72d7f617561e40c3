#pragma once
// Keeping the date right when a sync crosses midnight: the page gives only a time of day, and
// the clock's own date may belong to the other side of midnight.
#include "core/sync/clock_math.h"

namespace horolux {

// after holds before's date with the new time of day. When that time of day lies more than
// twelve hours away from before, the nearer moment is on the neighbouring day: the date (and day
// of week) of after move one day that way. A time of day out of range leaves after as it is.
void MoveToNearestDay(const SystemTime& before, SystemTime& after);

}  // namespace horolux
