// SyncClock: fetch the time page, set the clock's time of day, report on the window and tray.
// It runs on the user-interface thread and blocks it, so it advances the tray animation itself.
#include "core/sync/clock_date.h"
#include "core/sync/clock_math.h"
#include "core/sync/time_page.h"
#include "framework/controls.h"
#include "framework/message_box.h"
#include "framework/wait_cursor.h"
#include "ui/mainwnd/main_dialog.h"
#include "ui/sync/time_client.h"

namespace {
constexpr char kSyncing[] = " Syncing... ";
constexpr char kSuccess[] = " PC clock changed successfully ";
constexpr char kConnectionError[] = " Sync error on connection to internet! ";
constexpr char kReadError[] = " URL reading error! Test internet connection and try again! ";
constexpr char kNotRecognised[] = " Unrecognized communication error! ";
constexpr char kClockRefused[] = " PC clock could not be set! ";
constexpr char kTipSyncing[] = "Horolux - Syncing...";
constexpr char kTipError[] = "Horolux - Sync error!";
}  // namespace

void CHoroluxDlg::PlaySyncClip() {
    fw::Animation(GetDlgItem(IDC_SYNC_ANIMATION))
        .Play(fw::Animation::kForever, 0, fw::Animation::kLastFrame);
}

void CHoroluxDlg::StopSyncClip() {
    const fw::Animation clip(GetDlgItem(IDC_SYNC_ANIMATION));
    clip.Stop();
    clip.Play(0, 0, 0);  // rest on the first frame
}

void CHoroluxDlg::EndSyncWithError() {
    StopSyncClip();
    m_trayIcon.StopAnimation();
    m_trayIcon.SetTipText(kTipError);
    m_trayIcon.SetTrayIcon(IDI_SYNC_FRAME_FIRST);
}

void CHoroluxDlg::SyncClock() {
    fw::CWaitCursor wait;
    try {
        RunSync(wait);
    } catch (...) {
        fw::AppMessageBox("Unknown error in SyncClock()");
        // Neither the clip nor the tray should go on spinning after a fault.
        StopSyncClip();
        m_trayIcon.StopAnimation();
    }
}

void CHoroluxDlg::RunSync(fw::CWaitCursor& wait) {
    SetStatusText(kSyncing);
    m_trayIcon.SetTipText(kTipSyncing);
    m_trayIcon.SetFrameIcons(IDI_SYNC_FRAME_FIRST, IDI_SYNC_FRAME_LAST);
    m_trayIcon.StartAnimation(50, -1);
    AdvanceTray();
    PlaySyncClip();
    AdvanceTray();
    AdvanceTray();

    const TimePage page = FetchTimePage([this] { AdvanceTray(); });
    if (page.outcome != horolux::TimePageOutcome::Ok) {
        // Also when WinINet cannot even start: the user must not be left with " Syncing... ".
        SetStatusText(page.outcome == horolux::TimePageOutcome::ReadFailed ? kReadError
                                                                           : kConnectionError);
        return EndSyncWithError();
    }
    const horolux::UniversalTimeOfDay utc = horolux::ParseUniversalTime(page.text);
    if (utc.outcome != horolux::TimePageOutcome::Ok) {
        fw::AppMessageBox("Unrecognized communication error!", MB_OK | MB_ICONHAND);
        wait.Restore();
        SetStatusText(kNotRecognised);
        return EndSyncWithError();
    }

    AdvanceTray();
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const horolux::SystemTime before = ToPortableTime(now);
    horolux::SystemTime after = before;
    AdvanceTray();
    AdvanceTray();
    horolux::UtcToLocalTimeOfDay(utc.utc, CurrentTimeZone(), after);
    horolux::MoveToNearestDay(before, after);
    AdvanceTray();

    const SYSTEMTIME newTime = ToSystemTime(after);
    if (!SetLocalTime(&newTime)) {
        // No right to set the clock, or digits out of range: the last success stays on show.
        SetStatusText(kClockRefused);
        return EndSyncWithError();
    }

    const std::string afterText = horolux::FormatTimeText(after);
    SetOldTimeText(horolux::FormatTimeText(before));
    SetNewTimeText(afterText);
    SetLastSyncText(afterText);
    AdvanceTray();
    SetStatusText(kSuccess);
    AdvanceTray();
    if (m_model.settings.exitAfterSync) PostQuitMessage(0);

    StopSyncClip();
    m_trayIcon.StopAnimation();
    m_trayIcon.SetTrayIcon(IDR_MAINFRAME);
    m_trayIcon.SetTipText(SyncTipText().c_str());
    RedrawNow();
}
