#include "core/sync/clock_date.h"

#include <cstdint>

namespace horolux {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back (Howard Hinnant's algorithms).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

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
