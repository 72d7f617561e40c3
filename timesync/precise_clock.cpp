#include "timesync/precise_clock.h"

#include "core/sync/file_time.h"

namespace timesync {

namespace {

using PreciseTimeFunction = VOID(WINAPI*)(LPFILETIME);

PreciseTimeFunction PreciseTime() {
    static const auto function = reinterpret_cast<PreciseTimeFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemTimePreciseAsFileTime")));
    return function;
}

}  // namespace

horolux::UnixMicros MicrosFromFileTime(const FILETIME& t) {
    return horolux::MicrosFromFileTimeTicks(static_cast<std::uint64_t>(t.dwHighDateTime) << 32 |
                                            t.dwLowDateTime);
}

FILETIME FileTimeFromMicros(horolux::UnixMicros t) {
    const std::uint64_t ticks = horolux::FileTimeTicksFromMicros(t);
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

}  // namespace timesync
