#pragma once
// The program's measure of a moment, in a header of its own for code that only passes times
// around and needs nothing of the NTP packet.
#include <cstdint>

namespace horolux {

// Microseconds since 1970-01-01 00:00:00 UTC, leap seconds not counted. Wide enough for any
// clock a PC can hold, fine enough for the millisecond a sync aims at.
using UnixMicros = std::int64_t;
inline constexpr UnixMicros kMicrosPerSecond = 1'000'000;

}  // namespace horolux
