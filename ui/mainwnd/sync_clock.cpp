// SyncClock: measure the chosen source (the time page's time of day, an Internet time server or a
// web server's clock), set the clock, report on the window and tray, and note it in the history.
// It runs on the user-interface thread and blocks it, so it advances the tray animation itself.
#include "core/sync/clock_date.h"
#include "core/sync/clock_math.h"
#include "core/sync/time_page.h"
#include "framework/controls.h"
#include "framework/message_box.h"
#include "framework/text.h"
#include "framework/wait_cursor.h"
#include "timesync/precise_clock.h"
#include "timesync/source_measure.h"
#include "timesync/time_client.h"
#include "ui/mainwnd/main_dialog.h"

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

void CHoroluxDlg::SyncClock(bool userStarted) {
    fw::CWaitCursor wait;
    m_lastMeasurement.reset();
    try {
        if (m_model.timeSource.source == horolux::TimeSource::Page)
            RunSync(wait);
        else
            RunSourceSync(wait, userStarted);
    } catch (...) {
        fw::AppMessageBox("Unknown error in SyncClock()");
        // Neither the clip nor the tray should go on spinning after a fault.
        StopSyncClip();
        m_trayIcon.StopAnimation();
    }
    RecordSync();
}

void CHoroluxDlg::RecordSync() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    horolux::SyncRecord record;
    record.when = horolux::FormatTimeText(ToPortableTime(now));
    record.source = horolux::SourceName(m_model.timeSource);
    if (m_lastMeasurement && m_lastMeasurement->outcome == horolux::TimeMeasurement::Outcome::Ok) {
        record.offset = m_lastMeasurement->offset;
        record.bound = m_lastMeasurement->bound;
    }
    record.outcome = m_statusText;
    m_model.RecordSync(record);
}

void CHoroluxDlg::BeginSync() {
    SetStatusText(kSyncing);
    m_trayIcon.SetTipText(kTipSyncing);
    m_trayIcon.SetFrameIcons(IDI_SYNC_FRAME_FIRST, IDI_SYNC_FRAME_LAST);
    m_trayIcon.StartAnimation(50, -1);
    AdvanceTray();
    PlaySyncClip();
    AdvanceTray();
    AdvanceTray();
}

void CHoroluxDlg::RunSync(fw::CWaitCursor& wait) {
    BeginSync();

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

    EndSyncWithSuccess(before, after);
}

void CHoroluxDlg::EndSyncWithSuccess(const horolux::SystemTime& before,
                                     const horolux::SystemTime& after) {
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

namespace {

// A moment of the PC's clock as the local time it shows, with milliseconds.
horolux::SystemTime LocalTimeOf(horolux::UnixMicros moment) {
    const FILETIME utc = FileTimeFromMicros(moment);
    SYSTEMTIME utcParts{}, local{};
    FileTimeToSystemTime(&utc, &utcParts);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utcParts, &local)) local = utcParts;
    return ToPortableTime(local);
}

}  // namespace

void CHoroluxDlg::RunSourceSync(fw::CWaitCursor& wait, bool userStarted) {
    BeginSync();
    const horolux::TimeMeasurement m =
        MeasureSource(m_model.timeSource, m_model.refusedServers, [this] { AdvanceTray(); });
    m_lastMeasurement = m;
    if (m.outcome == horolux::TimeMeasurement::Outcome::Unreachable) {
        SetStatusText(kConnectionError);
        return EndSyncWithError();
    }
    if (m.outcome == horolux::TimeMeasurement::Outcome::Refused) {
        fw::AppMessageBox("Unrecognized communication error!", MB_OK | MB_ICONHAND);
        wait.Restore();
        SetStatusText(kNotRecognised);
        return EndSyncWithError();
    }
    // A day or more is asked about when the user is there to answer, and never done unasked.
    if (horolux::IsLargeCorrection(m.offset)) {
        const std::string question =
            fw::Format("The PC clock is %s off the time source.\nSet it anyway?",
                       horolux::OffsetText(m.offset, m.bound).c_str());
        if (!userStarted || fw::AppMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            wait.Restore();
            SetStatusText(kClockRefused);
            return EndSyncWithError();
        }
        wait.Restore();
    }
    AdvanceTray();
    // The correction goes onto the clock's precise time of this moment, so the time spent since
    // measuring does not count.
    const horolux::UnixMicros now = PreciseNowMicros();
    const horolux::UnixMicros corrected = now + m.offset;
    const FILETIME correctedFileTime = FileTimeFromMicros(corrected);
    SYSTEMTIME newUtc{};
    if (!FileTimeToSystemTime(&correctedFileTime, &newUtc) || !SetSystemTime(&newUtc)) {
        SetStatusText(kClockRefused);
        return EndSyncWithError();
    }
    EndSyncWithSuccess(LocalTimeOf(now), LocalTimeOf(corrected));
}
