#pragma once
// FILETIME and Unix time as plain arithmetic, so that the conversions run natively: the Win32 side
// passes a FILETIME as its 64-bit count of 100 ns ticks since 1601-01-01 00:00:00 UTC. Ticks are
// read as the signed count the Win32 code has always made of them; a FILETIME at or above 2^63 is
// no valid time anyway.
#include <cstdint>

#include "core/timesource/unix_micros.h"

namespace horolux {

// Ticks from 1601-01-01 to 1970-01-01.
inline constexpr std::int64_t kFileTimeUnixEpoch = 116444736000000000LL;

// Cut toward zero: a moment before 1970 comes out at the microsecond after it.
UnixMicros MicrosFromFileTimeTicks(std::uint64_t ticks);
std::uint64_t FileTimeTicksFromMicros(UnixMicros t);

// Whole seconds since 1601 cut down, then moved to 1970: a moment before 1970 comes out at the
// second before it, unlike MicrosFromFileTimeTicks.
std::int64_t UnixSecondsFromFileTimeTicks(std::uint64_t ticks);
std::uint64_t FileTimeTicksFromUnixSeconds(std::int64_t seconds);

}  // namespace horolux
