#include "timesync/precise_clock.h"

namespace {

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kFileTimeToUnix = 116444736000000000LL;

using PreciseTimeFunction = VOID(WINAPI*)(LPFILETIME);

PreciseTimeFunction PreciseTime() {
    static const auto function = reinterpret_cast<PreciseTimeFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    return function;
}

}  // namespace

horolux::UnixMicros MicrosFromFileTime(const FILETIME& t) {
    const auto ticks = static_cast<std::int64_t>(
        static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime);
    return (ticks - kFileTimeToUnix) / 10;
}

FILETIME FileTimeFromMicros(horolux::UnixMicros t) {
    const auto ticks = static_cast<std::uint64_t>(t * 10 + kFileTimeToUnix);
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

horolux::UnixMicros PreciseNowMicros() {
    FILETIME now{};
    if (const PreciseTimeFunction precise = PreciseTime())
        precise(&now);
    else
        GetSystemTimeAsFileTime(&now);
    return MicrosFromFileTime(now);
}
