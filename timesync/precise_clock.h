#pragma once
// The PC's clock to the microsecond, for measuring and applying a time source's offset.
#include "core/timesource/unix_micros.h"
#include "platform/win32.h"

namespace timesync {

// Now, in microseconds since 1970 UTC: GetSystemTimePreciseAsFileTime where Windows has it (8 and
// later), else the coarser system time.
horolux::UnixMicros PreciseNowMicros();

horolux::UnixMicros MicrosFromFileTime(const FILETIME& t);
FILETIME FileTimeFromMicros(horolux::UnixMicros t);

}  // namespace timesync
