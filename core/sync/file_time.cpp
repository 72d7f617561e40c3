#include "core/sync/file_time.h"

namespace horolux {

namespace {

constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicksPerMicro = kTicksPerSecond / kMicrosPerSecond;
constexpr std::int64_t kEpochSeconds = kFileTimeUnixEpoch / kTicksPerSecond;
static_assert(kEpochSeconds * kTicksPerSecond == kFileTimeUnixEpoch);

}  // namespace

// A sum that could overflow runs unsigned: it wraps where a signed one would be undefined and
// agrees with it everywhere else.

UnixMicros MicrosFromFileTimeTicks(std::uint64_t ticks) {
    return static_cast<std::int64_t>(ticks - static_cast<std::uint64_t>(kFileTimeUnixEpoch)) /
           kTicksPerMicro;
}

std::uint64_t FileTimeTicksFromMicros(UnixMicros t) {
    return static_cast<std::uint64_t>(t) * kTicksPerMicro +
           static_cast<std::uint64_t>(kFileTimeUnixEpoch);
}

std::int64_t UnixSecondsFromFileTimeTicks(std::uint64_t ticks) {
    return static_cast<std::int64_t>(ticks) / kTicksPerSecond - kEpochSeconds;
}

std::uint64_t FileTimeTicksFromUnixSeconds(std::int64_t seconds) {
    return (static_cast<std::uint64_t>(seconds) + kEpochSeconds) * kTicksPerSecond;
}

}  // namespace horolux
