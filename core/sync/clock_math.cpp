#include "core/sync/clock_math.h"

#include <cstdio>

namespace horolux {

namespace {
constexpr int kMinutesPerDay = 1440;
}

int EffectiveBias(const TimeZoneRecord& zone) {
    switch (zone.zoneId) {
        case kTimeZoneIdStandard:
            return zone.bias + zone.standardBias;
        case kTimeZoneIdDaylight:
            return zone.bias + zone.daylightBias;
        default:
            return zone.bias;
    }
}

void UtcToLocalTimeOfDay(const SystemTime& utc, const TimeZoneRecord& zone, SystemTime& local) {
    // Plain int: the page's fields may hold anything up to 65535, which still fits.
    int m = utc.wHour * 60 + utc.wMinute - EffectiveBias(zone);
    // One correction each way only: a time of day off by more than a day is left off.
    if (m < 0) m += kMinutesPerDay;
    if (m >= kMinutesPerDay) m -= kMinutesPerDay;
    local.wHour = static_cast<std::uint16_t>(m / 60);
    local.wMinute = static_cast<std::uint16_t>(m % 60);
    local.wSecond = utc.wSecond;
}

std::string FormatTimeText(const SystemTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, kTimeTextFormat, t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

}  // namespace horolux
