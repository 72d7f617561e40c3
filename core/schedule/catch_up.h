#pragma once
// Syncs that sleep or a missing network made the schedule miss, caught up: one after a long sleep
// (the schedule's minute count does not run while the PC sleeps), and one retry of an automatic
// sync that could not reach its source once a network comes up. Moments in seconds since 1970.
#include <cstdint>
#include <optional>

namespace horolux {

// A resume is caught up when the PC slept longer than this...
inline constexpr std::int64_t kLongSleepSeconds = 3600;
// ...this long after it, so that the network has a moment to come back.
inline constexpr unsigned kResumeSyncDelayMs = 10000;
// An unreachable automatic sync is tried again on a network coming up at most this often.
inline constexpr std::int64_t kNetworkRetrySeconds = 300;

class CatchUp {
public:
    // The PC was seen awake at now: a minute tick, or the suspend itself.
    void Awake(std::int64_t now) { awake_ = now; }

    // The PC resumed at now. True when a sync is due: a schedule of either kind is on and the PC
    // slept longer than kLongSleepSeconds, or the schedule's next moment passed while it slept.
    bool Resumed(std::int64_t now, bool scheduleOn, std::optional<std::int64_t> nextMoment);

    // An automatic sync (at start, scheduled, after a resume) ended; unreachable when it could not
    // reach its source.
    void AutomaticSyncEnded(bool unreachable) { retryWanted_ = unreachable; }
    // A network interface came up at now. True when the last automatic sync could not reach its
    // source and no retry was made in the last kNetworkRetrySeconds; the retry is then counted.
    bool NetworkUp(std::int64_t now);

private:
    std::optional<std::int64_t> awake_, lastRetry_;
    bool retryWanted_ = false;
};

}  // namespace horolux
