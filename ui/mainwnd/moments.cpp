#include "ui/mainwnd/moments.h"

namespace {
// FILETIME counts 100 ns steps from 1601; the Unix epoch is this many seconds later.
constexpr std::int64_t kEpochDifference = 11644473600LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;

std::int64_t UnixFromFileTime(const FILETIME& ft) {
    const std::int64_t ticks =
        (static_cast<std::int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return ticks / kTicksPerSecond - kEpochDifference;
}
}  // namespace

std::int64_t UnixNow() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return UnixFromFileTime(ft);
}

SYSTEMTIME LocalFromUnix(std::int64_t seconds) {
    const std::uint64_t ticks =
        static_cast<std::uint64_t>(seconds + kEpochDifference) * kTicksPerSecond;
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{}, local{};
    FileTimeToSystemTime(&ft, &utc);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
    return local;
}

std::int64_t UnixFromLocal(const SYSTEMTIME& local) {
    SYSTEMTIME utc{};
    FILETIME ft{};
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !SystemTimeToFileTime(&utc, &ft))
        return 0;
    return UnixFromFileTime(ft);
}
