// CAlarmClockDlg to screen readers: a reader that lands on the clock hears what it shows.
#include "ui/clockwnd/alarm_clock_dialog.h"

namespace ui {

namespace {
constexpr char kName[] = "Horolux alarm clock";
}

LRESULT CAlarmClockDlg::OnGetObject(WPARAM wp, LPARAM lp) {
    return m_accessible.Answer(m_hWnd, wp, lp, [this] { return Default(); });
}

fw::AccessibleFacts CAlarmClockDlg::Describe() const {
    fw::AccessibleFacts facts;
    facts.name = kName;
    facts.description = m_display.SpokenText();
    return facts;
}

}  // namespace ui
