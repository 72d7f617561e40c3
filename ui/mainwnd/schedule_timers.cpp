// The main window's timers: start-up actions, the minute tick with the connection watch and the
// periodic schedule, and the alarm tick; and the next-sync moment shown in the window and tray.

#include "core/schedule/schedule.h"
#include "core/sync/clock_math.h"
#include "framework/controls.h"
#include "framework/guard.h"
#include "framework/message_box.h"
#include "timesync/system_time.h"
#include "ui/mainwnd/connection_state.h"
#include "ui/mainwnd/main_dialog.h"
#include "ui/mainwnd/moments.h"

namespace ui {

void CHoroluxDlg::StartTimers() {
    if (!SetTimer(m_hWnd, kTimerInit, 300, nullptr))
        fw::AppMessageBox("Error when setting the init timer!");
    if (!SetTimer(m_hWnd, kTimerHourCount, 60000, nullptr))
        fw::AppMessageBox("Error when setting the houer count timer!");
    m_catchUp.Awake(UnixNow());
    m_networkWatch.Start(m_hWnd);
}

LRESULT CHoroluxDlg::OnPowerBroadcast(WPARAM event, LPARAM) {
    const std::int64_t now = UnixNow();
    if (event == PBT_APMSUSPEND) m_catchUp.Awake(now);
    if (event == PBT_APMRESUMEAUTOMATIC &&
        m_catchUp.Resumed(
            now, m_model.settings.scheduleSync != 0,
            m_model.settings.scheduleSync ? std::optional(PickerMoment()) : std::nullopt))
        SetTimer(m_hWnd, kTimerResumeSync, horolux::kResumeSyncDelayMs, nullptr);
    return TRUE;
}

LRESULT CHoroluxDlg::OnNetworkUp(WPARAM, LPARAM) {
    if (m_catchUp.NetworkUp(UnixNow())) SyncClock();
    return 0;
}

void CHoroluxDlg::StartAlarmTimer() {
    m_alarmTimerOn = SetTimer(m_hWnd, kTimerAlarm, 60000, nullptr) != 0;
    if (!m_alarmTimerOn) fw::AppMessageBox("Error when setting the alarm timer!");
}

LRESULT CHoroluxDlg::OnTimerMessage(WPARAM id, LPARAM) {
    bool handled = true;
    fw::CatchAll("CHoroluxDlg::OnTimer(UINT nIDEvent)",
                 [&] { handled = OnTimer(static_cast<UINT>(id)); });
    return handled ? 0 : Default();
}

bool CHoroluxDlg::OnTimer(UINT id) {
    switch (id) {
        case kTimerInit:
            OnInitTick();
            return true;
        case kTimerHourCount:
            OnMinuteTick();
            return true;
        case kTimerResumeSync:
            KillTimer(m_hWnd, kTimerResumeSync);
            m_model.ScheduleCaughtUp();
            SyncClock();
            UpdateNextSync();
            return true;
        case kTimerAlarm:
            // m_alarmTimerOn stays set: the tick restarts the timer below, and one started by a
            // change made from a popup meanwhile would tick into this one.
            KillTimer(m_hWnd, kTimerAlarm);
            FireAlarms();
            // The next tick comes a minute after this one ends, popups included.
            StartAlarmTimer();
            return true;
        case kTimerHeldAlarms:
            RingHeldAlarms();
            return true;
        default:
            if (id >= kTimerSnoozeFirst && id - kTimerSnoozeFirst < m_model.Alarms().GetSize()) {
                OnSnoozeOver(id - kTimerSnoozeFirst);
                return true;
            }
            return false;
    }
}

void CHoroluxDlg::OnInitTick() {
    KillTimer(m_hWnd, kTimerInit);
    if (!m_model.firstRun) ShowWindow(m_hWnd, SW_MINIMIZE);  // into the tray
    if (m_model.settings.syncOnStart) SyncClock();
    if (!m_model.nextSet) UpdateNextSync();
    if (HasAlarmSlots()) StartAlarmTimer();
}

void CHoroluxDlg::OnMinuteTick() {
    m_catchUp.Awake(UnixNow());
    if (m_model.settings.syncOnInternetConnect) {
        switch (m_model.WatchConnection(ReadConnectionState())) {
            case horolux::ConnectionWatch::EndTick:
                return;
            case horolux::ConnectionWatch::SyncAndEndTick:
                SyncClock();
                return;
            case horolux::ConnectionWatch::Continue:
                break;
        }
    }
    if (!m_model.ScheduleMinuteDue(UnixNow(), PickerMoment())) return;
    SyncClock();
    UpdateNextSync();
}

std::int64_t CHoroluxDlg::PickerMoment() const {
    SYSTEMTIME local{};
    if (fw::DateTimePicker(GetDlgItem(IDC_NEXT_START_PICKER)).GetSystemTime(local) != GDT_VALID)
        return 0;
    return UnixFromLocal(local);
}

void CHoroluxDlg::SetPickerMoment(std::int64_t moment) {
    SYSTEMTIME local = LocalFromUnix(moment);
    fw::DateTimePicker(GetDlgItem(IDC_NEXT_START_PICKER)).SetSystemTime(local);
}

void CHoroluxDlg::UpdateNextSync() {
    if (IsWindowVisible(m_hWnd)) UpdateData(true);  // a just-typed interval counts
    if (m_model.settings.scheduleSync) {
        const auto next = horolux::NextSyncMoment(m_model.settings.scheduleHourDaySync,
                                                  m_model.settings.scheduleInterval,
                                                  m_model.minuteCounter, UnixNow());
        if (next) {
            SetPickerMoment(*next);
            m_nextSyncText =
                horolux::FormatTimeText(timesync::ToPortableTime(LocalFromUnix(*next)));
        }
    } else {
        m_nextSyncText.clear();
    }
    m_trayIcon.SetTipText(SyncTipText().c_str());
    SetNextSyncText(m_nextSyncText);
}

}  // namespace ui
