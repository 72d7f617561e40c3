#include "timesync/system_time.h"

namespace timesync {

horolux::TimeZoneRecord CurrentTimeZone() {
    TIME_ZONE_INFORMATION info{};
    DWORD id = GetTimeZoneInformation(&info);
    return {info.Bias, info.StandardBias, info.DaylightBias, id};
}

horolux::SystemTime ToPortableTime(const SYSTEMTIME& t) {
    return {t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
            t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
}

SYSTEMTIME ToSystemTime(const horolux::SystemTime& t) {
    return {t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
            t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
}

}  // namespace timesync
