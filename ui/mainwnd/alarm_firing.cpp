// The alarm tick: every live alarm counts a minute; one whose count reaches its interval rings
// and shows its popup, from which the user may delete or snooze it. A warning balloon comes a
// chosen number of minutes before, and nothing rings into a full-screen program: the alarm
// waits until the user is back.
#include "core/alarms/alarm_store.h"
#include "framework/guard.h"
#include "platform/text.h"
#include "ui/alarms/alarm_popup_dialog.h"
#include "ui/alarms/alarm_sound.h"
#include "ui/alarms/alarms_dialog.h"
#include "ui/alarms/user_busy.h"
#include "ui/mainwnd/main_dialog.h"

namespace ui {

namespace {

constexpr UINT kHeldCheckMs = 2000;
constexpr UINT kPopupBusyRetryMs = 1000;

std::int64_t SteadyNow() {
    return static_cast<std::int64_t>(GetTickCount64());
}

}  // namespace

void CHoroluxDlg::FireAlarms() {
    horolux::AlarmDataArray& alarms = m_model.Alarms();
    // The size is read anew each step: a popup's modal loop may run other handlers meanwhile.
    for (std::size_t i = 0; i < alarms.GetSize(); ++i) {
        horolux::AlarmData* alarm = alarms.GetAt(i);
        if (!alarm) continue;
        const bool fires = horolux::CountAlarmMinute(*alarm);
        SetAlarmClockText();
        if (fires) {
            alarm->count = 0;
            alarm->snoozeDue = 0;  // the regular ring takes the snooze's place
            KillTimer(m_hWnd, kTimerSnoozeFirst + i);
            RingOrHold(i);
        } else if (horolux::WarnsNow(*alarm) && !UserIsBusy()) {
            m_trayIcon.ShowBalloon("Horolux", horolux::WarningText(*alarm).c_str());
        }
    }
    SetAlarmClockText();
}

void CHoroluxDlg::RingOrHold(std::size_t slot) {
    horolux::AlarmData* alarm = m_model.Alarms().GetAt(slot);
    if (!alarm) return;
    if (!UserIsBusy()) {
        ShowAlarmPopup(slot);
        return;
    }
    // Held once, however many of its intervals pass: the popup says when it first came due.
    if (alarm->heldDueAt.empty()) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        alarm->heldDueAt = platform::Format("%02u:%02u", now.wHour, now.wMinute);
    }
    SetTimer(m_hWnd, kTimerHeldAlarms, kHeldCheckMs, nullptr);
}

void CHoroluxDlg::RingHeldAlarms() {
    if (m_popupsOpen > 0 || UserIsBusy()) return;  // the timer looks again
    KillTimer(m_hWnd, kTimerHeldAlarms);
    horolux::AlarmDataArray& alarms = m_model.Alarms();
    for (std::size_t i = 0; i < alarms.GetSize(); ++i) {
        horolux::AlarmData* alarm = alarms.GetAt(i);
        if (!alarm || alarm->heldDueAt.empty()) continue;
        ShowAlarmPopup(i);
    }
}

void CHoroluxDlg::ShowAlarmPopup(std::size_t slot) {
    horolux::AlarmData* alarm = m_model.Alarms().GetAt(slot);
    CAlarmPopupDlg popup;
    popup.m_message = alarm->message;
    if (!alarm->heldDueAt.empty()) popup.m_message += " (due at " + alarm->heldDueAt + ")";
    alarm->heldDueAt.clear();  // shown once
    m_sounds.PlayAlarmSound(alarm->sound);
    ++m_popupsOpen;
    const INT_PTR answer = popup.DoModal();
    --m_popupsOpen;
    // The record may be gone when the popup returns (deleted in the Alarms window meanwhile).
    if (!m_model.Alarms().GetAt(slot)) return;
    if (answer == IDCANCEL) {
        KillTimer(m_hWnd, kTimerSnoozeFirst + slot);
        m_model.Alarms().EmptySlot(slot);
        m_model.SaveAlarms();
    } else if (answer == IDC_POPUP_SNOOZE) {
        Snooze(slot);
    }
}

void CHoroluxDlg::Snooze(std::size_t slot) {
    const int minutes = horolux::SnoozeMinutesValue(m_model.settings.snoozeMinutes);
    m_model.Alarms().GetAt(slot)->snoozeDue = SteadyNow() + std::int64_t{minutes} * 60000;
    SetTimer(m_hWnd, kTimerSnoozeFirst + slot, static_cast<UINT>(minutes) * 60000u, nullptr);
    SetAlarmClockText();
}

void CHoroluxDlg::OnSnoozeOver(std::size_t slot) {
    KillTimer(m_hWnd, kTimerSnoozeFirst + slot);
    horolux::AlarmData* alarm = m_model.Alarms().GetAt(slot);
    if (!alarm || alarm->snoozeDue == 0) return;  // deleted, edited or rung meanwhile
    if (m_popupsOpen > 0) {                       // one popup at a time: a moment later
        SetTimer(m_hWnd, kTimerSnoozeFirst + slot, kPopupBusyRetryMs, nullptr);
        return;
    }
    alarm->snoozeDue = 0;
    RingOrHold(slot);
    SetAlarmClockText();
}

void CHoroluxDlg::OnTraySetAlarm() {
    fw::CatchAll("CHoroluxDlg::OnTraySetAlarm()", [&] {
        CAlarmsDlg alarms(m_model.Alarms(), m_sounds, m_hWnd, [this] { OnAlarmsChanged(); });
        alarms.m_snoozeMinutes = m_model.settings.snoozeMinutes;
        alarms.DoModal();
        if (alarms.m_snoozeMinutes != m_model.settings.snoozeMinutes) {
            m_model.settings.snoozeMinutes = alarms.m_snoozeMinutes;
            m_model.SaveSnoozeMinutes();
        }
        SetAlarmClockText();
    });
}

void CHoroluxDlg::OnAlarmsChanged() {
    m_model.SaveAlarms();
    if (!m_alarmTimerOn) StartAlarmTimer();
    SetAlarmClockText();
}

}  // namespace ui
