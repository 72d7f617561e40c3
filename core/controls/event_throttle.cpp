#include "core/controls/event_throttle.h"

namespace horolux {

EventThrottle::Step EventThrottle::Changed(std::int64_t nowMs) {
    if (m_held) return {};  // the held event will carry this change too
    if (!m_lastFired || nowMs - *m_lastFired >= m_periodMs) {
        m_lastFired = nowMs;
        return {true, 0};
    }
    m_held = true;
    return {false, *m_lastFired + m_periodMs - nowMs};
}

bool EventThrottle::PeriodOver(std::int64_t nowMs) {
    if (!m_held) return false;
    m_held = false;
    m_lastFired = nowMs;
    return true;
}

}  // namespace horolux
