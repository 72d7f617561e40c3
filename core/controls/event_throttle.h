#pragma once
// Lets an event through at most once a period: the first at once; the ones that follow within
// the period are held and go as one when the period is over. Times are milliseconds on any
// steady clock.
#include <cstdint>
#include <optional>

namespace horolux {

class EventThrottle {
public:
    explicit EventThrottle(std::int64_t periodMs) : m_periodMs(periodMs) {}

    struct Step {
        bool fireNow = false;
        std::int64_t holdMs = 0;  // > 0: start a timer of this length, PeriodOver at its end
    };
    Step Changed(std::int64_t nowMs);
    // The timer ran out: true when the held event is to go now.
    bool PeriodOver(std::int64_t nowMs);

private:
    std::int64_t m_periodMs;
    std::optional<std::int64_t> m_lastFired;
    bool m_held = false;
};

}  // namespace horolux
