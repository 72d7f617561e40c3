#include "core/schedule/catch_up.h"

namespace horolux {

bool CatchUp::Resumed(std::int64_t now, bool scheduleOn, std::optional<std::int64_t> nextMoment) {
    const std::optional<std::int64_t> asleepSince = awake_;
    awake_ = now;
    if (!scheduleOn || !asleepSince) return false;
    const bool longSleep = now - *asleepSince > kLongSleepSeconds;
    const bool momentMissed = nextMoment && *asleepSince < *nextMoment && *nextMoment <= now;
    return longSleep || momentMissed;
}

bool CatchUp::NetworkUp(std::int64_t now) {
    if (!retryWanted_) return false;
    if (lastRetry_ && now - *lastRetry_ < kNetworkRetrySeconds) return false;
    lastRetry_ = now;
    retryWanted_ = false;
    return true;
}

}  // namespace horolux
