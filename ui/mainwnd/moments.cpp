#include "ui/mainwnd/moments.h"

#include "core/sync/file_time.h"

namespace ui {

namespace {
std::int64_t UnixFromFileTime(const FILETIME& ft) {
    return horolux::UnixSecondsFromFileTimeTicks(
        static_cast<std::uint64_t>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime);
}
}  // namespace

std::int64_t UnixNow() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return UnixFromFileTime(ft);
}

SYSTEMTIME LocalFromUnix(std::int64_t seconds) {
    const std::uint64_t ticks = horolux::FileTimeTicksFromUnixSeconds(seconds);
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

}  // namespace ui
