#pragma once
// Clock arithmetic of a sync: Universal Time of day to local time of day with the bias the
// system reports, and the text the windows show for a moment. Windows-free so it runs natively;
// the Win32 side copies SYSTEMTIME and TIME_ZONE_INFORMATION into these records.
#include <cstdint>
#include <string>

namespace horolux {

// Field for field the platform's SYSTEMTIME, 16-bit unsigned like it, so stored values wrap alike.
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
    bool operator==(const SystemTime&) const = default;
};

// What GetTimeZoneInformation returns: which part of the year is in effect.
inline constexpr std::uint32_t kTimeZoneIdUnknown = 0;
inline constexpr std::uint32_t kTimeZoneIdStandard = 1;
inline constexpr std::uint32_t kTimeZoneIdDaylight = 2;
inline constexpr std::uint32_t kTimeZoneIdInvalid = 0xFFFFFFFF;  // the call failed

// The parts of TIME_ZONE_INFORMATION the conversion reads, plus the call's return value.
struct TimeZoneRecord {
    std::int32_t bias = 0;  // minutes, UTC = local + bias
    std::int32_t standardBias = 0;
    std::int32_t daylightBias = 0;
    std::uint32_t zoneId = kTimeZoneIdUnknown;
};

// Bias in minutes in effect now: Bias plus the bias of the part of the year the system names.
int EffectiveBias(const TimeZoneRecord& zone);

// Replaces local's hour, minute and second by the Universal time of day in utc moved by the bias,
// wrapped into one day. The date and the milliseconds stay as local had them.
void UtcToLocalTimeOfDay(const SystemTime& utc, const TimeZoneRecord& zone, SystemTime& local);

inline constexpr char kTimeTextFormat[] = " %04d-%02d-%02d  %02d:%02d:%02d";

// The last, old, new and next sync times as shown, e.g. " 2003-01-07  09:05:03".
std::string FormatTimeText(const SystemTime& t);

}  // namespace horolux
