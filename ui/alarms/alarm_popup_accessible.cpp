// CAlarmPopupDlg to screen readers. The popup comes up without the focus, so a reader would not
// notice it: it says it is an alert dialog and announces itself as it appears.
#include <oleacc.h>

#include "framework/data_exchange.h"
#include "ui/alarms/alarm_popup_dialog.h"

namespace ui {

namespace {

constexpr char kName[] = "Alarm";
constexpr char kBellName[] = "Alarm bell";
constexpr fw::ControlName kReaderNames[] = {{IDC_POPUP_MESSAGE, "Alarm message"}};

}  // namespace

LRESULT CAlarmPopupDlg::OnGetObject(WPARAM wp, LPARAM lp) {
    return m_accessible.Answer(m_hWnd, wp, lp, [this] { return Default(); });
}

fw::AccessibleFacts CAlarmPopupDlg::Describe() const {
    fw::AccessibleFacts facts;
    facts.role = ROLE_SYSTEM_DIALOG;
    facts.name = kName;
    facts.description = fw::GetWindowTextString(GetDlgItem(IDC_POPUP_MESSAGE));
    facts.states = STATE_SYSTEM_ALERT_HIGH;
    return facts;
}

void CAlarmPopupDlg::AnnounceToReaders() {
    fw::SetAccessibleNames(m_hWnd, kReaderNames);
    m_picture.SetReaderName(kBellName);
    NotifyWinEvent(EVENT_SYSTEM_DIALOGSTART, m_hWnd, OBJID_WINDOW, CHILDID_SELF);
    NotifyWinEvent(EVENT_SYSTEM_ALERT, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
}

}  // namespace ui
