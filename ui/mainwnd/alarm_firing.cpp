// The alarm tick: every live alarm counts a minute; one whose count reaches its interval rings
// and shows its popup, from which the user may delete it.
#include "core/alarms/alarm_store.h"
#include "framework/guard.h"
#include "ui/alarms/alarm_popup_dialog.h"
#include "ui/alarms/alarm_sound.h"
#include "ui/alarms/alarms_dialog.h"
#include "ui/mainwnd/main_dialog.h"

void CHoroluxDlg::FireAlarms() {
    horolux::AlarmDataArray& alarms = m_model.Alarms();
    // The size is read anew each step: a popup's modal loop may run other handlers meanwhile.
    for (std::size_t i = 0; i < alarms.GetSize(); ++i) {
        horolux::AlarmData* alarm = alarms.GetAt(i);
        if (!alarm) continue;
        const bool fires = horolux::CountAlarmMinute(*alarm);
        SetAlarmClockText();
        if (fires) ShowAlarmPopup(i);
    }
    SetAlarmClockText();
}

void CHoroluxDlg::ShowAlarmPopup(std::size_t slot) {
    horolux::AlarmData* alarm = m_model.Alarms().GetAt(slot);
    alarm->count = 0;
    CAlarmPopupDlg popup;
    popup.m_message = alarm->message;
    m_sounds.PlayAlarmSound(alarm->sound);
    // The record may be gone when the popup returns (deleted in the Alarms window meanwhile).
    if (popup.DoModal() == IDCANCEL) {
        m_model.Alarms().EmptySlot(slot);
        m_model.SaveAlarms();
    }
}

void CHoroluxDlg::OnTraySetAlarm() {
    fw::CatchAll("CHoroluxDlg::OnTraySetAlarm()", [&] {
        CAlarmsDlg alarms(m_model.Alarms(), m_sounds, m_hWnd, [this] { OnAlarmsChanged(); });
        alarms.DoModal();
        SetAlarmClockText();
    });
}

void CHoroluxDlg::OnAlarmsChanged() {
    m_model.SaveAlarms();
    if (!m_alarmTimerOn) StartAlarmTimer();
    SetAlarmClockText();
}
