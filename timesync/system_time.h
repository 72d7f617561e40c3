#pragma once
// The Win32 edges of the clock arithmetic: SYSTEMTIME and the time zone as portable records.
#include "core/sync/clock_math.h"
#include "platform/win32.h"

namespace timesync {

// The system's time zone as GetTimeZoneInformation reports it at this moment.
horolux::TimeZoneRecord CurrentTimeZone();

horolux::SystemTime ToPortableTime(const SYSTEMTIME& t);
SYSTEMTIME ToSystemTime(const horolux::SystemTime& t);

}  // namespace timesync
