#pragma once
// CHoroluxDlg: the main window. It shows and changes the program's model (options, schedule,
// alarms), owns the tray icon, the floating clock and the sync texts, and lives as long as the
// program does.
#include <cstdint>
#include <optional>
#include <string>

#include "core/app/horolux_model.h"
#include "core/schedule/catch_up.h"
#include "core/service/service_protocol.h"
#include "core/sync/clock_math.h"
#include "core/sync/sync_outcome.h"
#include "framework/wait_cursor.h"
#include "res/resource.h"
#include "ui/alarms/alarm_sound.h"
#include "ui/clockwnd/alarm_clock_dialog.h"
#include "ui/controls/num_edit.h"
#include "ui/controls/num_spin.h"
#include "ui/controls/picture_dialog.h"
#include "ui/controls/policy_lock.h"
#include "ui/controls/shaded_button.h"
#include "ui/mainwnd/network_watch.h"
#include "ui/tray/system_tray.h"

namespace ui {

// The tray icon's callback message to its own window.
inline constexpr UINT kTrayCallbackMessage = WM_USER;

// Timers of the main window.
// Posted by a second instance to the running main window: show yourself.
inline constexpr UINT UWM_SHOW_MAIN = WM_USER + 101;
// Marks the main window, so a second start tells it from another program's "Horolux" window.
inline constexpr char kMainWindowProperty[] = "Horolux.MainWindow";

inline constexpr UINT_PTR kTimerInit = 999;      // once, 300 ms after start
inline constexpr UINT_PTR kTimerHourCount = 1;   // every minute: connection watch, schedule
inline constexpr UINT_PTR kTimerAlarm = 2;       // every minute after the last alarm tick
inline constexpr UINT_PTR kTimerResumeSync = 3;  // once, a while after a resume that missed syncs
inline constexpr UINT_PTR kTimerHeldAlarms = 5;  // every 2 s while alarms wait for the user
// A snoozed alarm's own timer: this plus its slot (slots are never reused while the program runs).
inline constexpr UINT_PTR kTimerSnoozeFirst = 0x1000;

class CHoroluxDlg : public CPictureDialog {
public:
    enum { IDD = IDD_HOROLUX_DIALOG };
    // model: the program's state, kept by the application; sounds: plays the alarm sounds.
    CHoroluxDlg(horolux::HoroluxModel& model, AlarmSoundPlayer& sounds);

    void LoadSettings() {
        m_model.Load();
        m_model.LoadTimeSource();
    }
    void SaveSettings() { m_model.Save(); }

    // Measures the chosen source, sets the clock and reports the outcome. userStarted: the user
    // asked for it (and may be asked about a correction of a day or more).
    void SyncClock(bool userStarted = false);
    // Recomputes and shows the next scheduled sync moment.
    void UpdateNextSync();

    // The sync texts; each is on screen before the call returns.
    void SetStatusText(const std::string& text);
    void SetLastSyncText(const std::string& text);
    void SetOldTimeText(const std::string& text);
    void SetNewTimeText(const std::string& text);
    void SetNextSyncText(const std::string& text);
    void RedrawNow();

    const CSystemTray& TrayIcon() const { return m_trayIcon; }

    // Frees every alarm and leaves the store without slots.
    void CleanAlarmDataArray();

    // Opens the Alarms window on the store; the floating clock shows the result.
    void OnTraySetAlarm();
    // After each change of the store: saves it, starts the alarm minute if it is not running
    // (a first alarm rings on time without a restart) and updates the floating clock.
    void OnAlarmsChanged();
    // The alarm tick: each live alarm counts a minute; those due ring and show their popup.
    void FireAlarms();

    // Replaces the floating clock with a new one, shown, with the alarms' minutes left.
    void OnTrayShowAlarmClock();
    // Gives the floating clock, if there is one, the minutes left of each alarm.
    void SetAlarmClockText();

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    // Window set-up
    void SetUpButtons();
    void SetUpScheduleControls();
    void EnableScheduleControls();
    void StartTimers();
    void StartAlarmTimer();

    // Commands and notifications
    void OnSyncClock() { SyncClock(true); }
    void OnTimeSource();
    // The welcome text's third line names the source, when it is not the page.
    void ShowSourceInWelcome();
    void OnExit();
    void OnTrayShow();
    void OnAbout();
    void OnAutostart();
    void OnSyncOnStart();
    void OnExitAfterSync();
    void OnScheduleSync();
    void OnScheduleChange();
    void OnSyncOnConnect();
    LRESULT OnPickerChange(NMHDR*);
    LRESULT OnShowMain(WPARAM, LPARAM);
    LRESULT OnSysCommand(WPARAM, LPARAM);
    LRESULT OnSize(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    LRESULT OnQueryEndSession(WPARAM, LPARAM);
    LRESULT OnEndSession(WPARAM, LPARAM);
    LRESULT OnLButtonDblClk(WPARAM, LPARAM);

    // Timers and the schedule
    LRESULT OnTimerMessage(WPARAM, LPARAM);
    LRESULT OnPowerBroadcast(WPARAM, LPARAM);
    LRESULT OnNetworkUp(WPARAM, LPARAM);
    bool OnTimer(UINT id);
    void OnInitTick();
    void OnMinuteTick();
    bool HasAlarmSlots() const { return m_model.Alarms().GetSize() > 0; }
    std::int64_t PickerMoment() const;
    void SetPickerMoment(std::int64_t moment);

    // An alarm rings: sound and popup, or held back while the user is busy (UserIsBusy).
    void RingOrHold(std::size_t slot);
    void ShowAlarmPopup(std::size_t slot);
    void Snooze(std::size_t slot);
    void OnSnoozeOver(std::size_t slot);
    void RingHeldAlarms();

    // The sync's steps
    void BeginSync();
    // The time service's answer; nothing when it is not there or may not serve this source.
    std::optional<horolux::SyncAnswer> SyncThroughService(const horolux::SyncRequest& request,
                                                          fw::CWaitCursor& wait, bool userStarted);
    horolux::SyncAnswer SyncHere(const horolux::SyncRequest& request, fw::CWaitCursor& wait,
                                 bool userStarted);
    void ShowSyncAnswer(const horolux::SyncAnswer& answer, fw::CWaitCursor& wait);
    bool ConfirmLargeCorrection(std::int64_t offset, std::int64_t bound, bool userStarted,
                                fw::CWaitCursor& wait);
    void EndSyncWithFailure(horolux::SyncStatus status, fw::CWaitCursor& wait);
    void EndSyncWithSuccess(const horolux::SystemTime& before, const horolux::SystemTime& after);
    // The sync in the history; answer is what it ended with, nothing after a fault.
    void RecordSync(const horolux::SyncAnswer* answer);
    void AdvanceTray(int frames = 1) {
        for (int i = 0; i < frames; ++i) m_trayIcon.NextFrame();
    }
    void PlaySyncClip();
    void StopSyncClip();
    void EndSyncWithError();

    // Status texts
    void ShowTextNow(std::string& member, int controlId, const std::string& text);
    std::string SyncTipText() const;

    horolux::HoroluxModel& m_model;
    horolux::CatchUp m_catchUp;  // syncs missed in sleep or offline
    NetworkWatch m_networkWatch;
    HWND m_welcome = nullptr;  // the welcome text
    AlarmSoundPlayer& m_sounds;
    int m_autostart = 1;  // shown ticked at every start; never stored
    std::string m_statusText, m_oldTimeText, m_newTimeText, m_nextSyncText;
    HICON m_hIcon = nullptr;
    int m_backgroundToggle = 0;  // 0: bitmap 163 stretched, 1: bitmap 166 tiled
    bool m_alarmTimerOn = false;
    int m_popupsOpen = 0;  // alarm popups on screen, one inside another's modal loop
    CShadedButton m_syncButton, m_closeButton, m_exitButton;
    CNumEdit m_intervalEdit;
    CNumSpinCtrl m_intervalSpin;
    CSystemTray m_trayIcon;
    CAlarmClockHolder m_alarmClock;
    PolicyLock m_policyLock;
};

}  // namespace ui
