#include "core/tray/tray_animation.h"

namespace horolux {
namespace {

constexpr double kHalfSecondInDays = 1.0 / 172800.0;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar (month 1 to 12).
long DaysFromCivil(long y, long m, long d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

}  // namespace

double DateTimeDays(int year, int month, int day, int hour, int minute, int second,
                    int millisecond) {
    constexpr long kEpochOffset = 25569;  // 1899-12-30 to 1970-01-01
    const double seconds = hour * 3600.0 + minute * 60.0 + second + millisecond / 1000.0;
    return static_cast<double>(DaysFromCivil(year, month, day) + kEpochOffset) + seconds / 86400.0;
}

long WholeSecondsBetween(double startDays, double nowDays) {
    const double span = nowDays - startDays;
    const double rounded = span + (span < 0 ? -kHalfSecondInDays : kHalfSecondInDays);
    return static_cast<long>(rounded * 86400.0);
}

bool AnimationPeriodOver(double startDays, double nowDays, int periodSeconds) {
    return periodSeconds > 0 && WholeSecondsBetween(startDays, nowDays) > periodSeconds;
}

}  // namespace horolux
