#pragma once
// Setting the PC clock from a measurement: the one place that does it, for the program (when it
// may) and for the time service.
#include <cstdint>

#include "core/sync/clock_math.h"

namespace timesync {

struct ClockChange {
    bool set = false;                   // the system took the new time
    horolux::SystemTime before, after;  // local times: the clock as read, and as set
};

// The page's Universal time of day as local time on the day nearest the clock's, set with
// SetLocalTime.
ClockChange SetClockToTimeOfDay(const horolux::SystemTime& utcTimeOfDay);

// The clock's precise time of this moment moved by offsetMicros, set with SetSystemTime, so the
// time spent since measuring does not count.
ClockChange CorrectClock(std::int64_t offsetMicros);

}  // namespace timesync
