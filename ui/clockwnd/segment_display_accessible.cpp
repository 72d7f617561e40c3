// CSegmentDisplay to screen readers: the segments are drawn, so the display says itself what it
// shows, and tells readers when that changes, at most once a minute (the minutes count down
// every minute, and a reader that spoke each one would talk over everything else).
#include <oleacc.h>

#include "core/clockwnd/spoken_clock.h"
#include "ui/clockwnd/segment_display.h"

namespace ui {

namespace {
constexpr char kDescription[] = "Minutes left to each alarm";
}

std::string CSegmentDisplay::SpokenText() const {
    return horolux::SpokenClockText(m_text);
}

LRESULT CSegmentDisplay::OnGetObject(WPARAM wp, LPARAM lp) {
    return m_accessible.Answer(m_hWnd, wp, lp, [this] { return Default(); });
}

fw::AccessibleFacts CSegmentDisplay::Describe() const {
    fw::AccessibleFacts facts;
    facts.role = ROLE_SYSTEM_STATICTEXT;
    facts.name = SpokenText();
    facts.value = m_text;
    facts.description = kDescription;
    facts.states = STATE_SYSTEM_READONLY;
    return facts;
}

void CSegmentDisplay::TellReadersOfNewText() {
    // A reader meets a hidden display anew when it shows.
    if (!m_hWnd || !IsWindowVisible(m_hWnd)) return;
    const horolux::EventThrottle::Step step = m_nameChanges.Changed(GetTickCount64());
    if (step.fireNow)
        fw::NotifyNameChange(m_hWnd);
    else if (step.holdMs > 0)
        SetTimer(m_hWnd, kTimerReaderNameChange, static_cast<UINT>(step.holdMs), nullptr);
}

LRESULT CSegmentDisplay::OnTimer(WPARAM id, LPARAM) {
    if (id != kTimerReaderNameChange) return Default();
    KillTimer(m_hWnd, kTimerReaderNameChange);
    // The reader asks for the name when the event reaches it: the newest one.
    if (m_nameChanges.PeriodOver(GetTickCount64())) fw::NotifyNameChange(m_hWnd);
    return 0;
}

}  // namespace ui
