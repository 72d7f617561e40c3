#include "core/sync/clock_date.h"

#include <cstdint>

#include "core/calendar/civil_date.h"

namespace horolux {
namespace {

int SecondOfDay(const SystemTime& t) {
    return t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
}

bool ValidDate(const SystemTime& t) {
    return t.wYear >= 1601 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 && t.wDay <= 31;
}

}  // namespace

void MoveToNearestDay(const SystemTime& before, SystemTime& after) {
    if (after.wHour > 23 || after.wMinute > 59 || after.wSecond > 59 || !ValidDate(after)) return;
    constexpr int kHalfDay = 12 * 3600;
    const int shift = SecondOfDay(after) - SecondOfDay(before);
    int days = 0;
    if (shift > kHalfDay)
        days = -1;  // e.g. 00:00:02 read as 23:59:59: yesterday
    else if (shift < -kHalfDay)
        days = 1;  // e.g. 23:59:58 read as 00:00:03: tomorrow
    if (days == 0) return;

    const std::int64_t day = DaysFromCivil(after.wYear, after.wMonth, after.wDay) + days;
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(day, y, m, d);
    after.wYear = static_cast<std::uint16_t>(y);
    after.wMonth = static_cast<std::uint16_t>(m);
    after.wDay = static_cast<std::uint16_t>(d);
    after.wDayOfWeek = static_cast<std::uint16_t>((after.wDayOfWeek + 7 + days) % 7);
}

}  // namespace horolux
