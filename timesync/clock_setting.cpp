#include "timesync/clock_setting.h"

#include "core/sync/clock_date.h"
#include "timesync/precise_clock.h"
#include "timesync/system_time.h"

namespace timesync {

namespace {

// A moment of the PC's clock as the local time it shows, with milliseconds; all zero (no time)
// for a moment Windows cannot write as a date.
horolux::SystemTime LocalTimeOf(horolux::UnixMicros moment) {
    const FILETIME utc = FileTimeFromMicros(moment);
    SYSTEMTIME utcParts{}, local{};
    if (!FileTimeToSystemTime(&utc, &utcParts)) return {};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utcParts, &local)) local = utcParts;
    return ToPortableTime(local);
}

}  // namespace

ClockChange SetClockToTimeOfDay(const horolux::SystemTime& utcTimeOfDay) {
    ClockChange change;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    change.before = ToPortableTime(now);
    change.after = change.before;
    horolux::UtcToLocalTimeOfDay(utcTimeOfDay, CurrentTimeZone(), change.after);
    horolux::MoveToNearestDay(change.before, change.after);
    const SYSTEMTIME newTime = ToSystemTime(change.after);
    change.set = SetLocalTime(&newTime) != FALSE;
    return change;
}

ClockChange CorrectClock(std::int64_t offsetMicros) {
    ClockChange change;
    const horolux::UnixMicros now = PreciseNowMicros();
    const horolux::UnixMicros corrected = now + offsetMicros;
    const FILETIME correctedFileTime = FileTimeFromMicros(corrected);
    SYSTEMTIME newUtc{};
    change.set = FileTimeToSystemTime(&correctedFileTime, &newUtc) && SetSystemTime(&newUtc);
    change.before = LocalTimeOf(now);
    change.after = LocalTimeOf(corrected);
    return change;
}

}  // namespace timesync
