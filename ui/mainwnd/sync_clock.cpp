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
#include "timesync/clock_setting.h"
#include "timesync/source_measure.h"
#include "timesync/time_client.h"
#include "ui/mainwnd/main_dialog.h"
#include "ui/sync/time_service_client.h"

using horolux::service::SyncStatus;

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
        BeginSync();
        // The time service, where it is installed, holds the right to set the clock that a
        // normally started program lacks.
        if (!RunServiceSync(wait, userStarted)) {
            if (m_model.timeSource.source == horolux::TimeSource::Page)
                RunSync(wait);
            else
                RunSourceSync(wait, userStarted);
        }
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
    const TimePage page = FetchTimePage([this] { AdvanceTray(); });
    // Also when WinINet cannot even start: the user must not be left with " Syncing... ".
    if (page.outcome != horolux::TimePageOutcome::Ok)
        return EndSyncWithFailure(page.outcome == horolux::TimePageOutcome::ReadFailed
                                      ? SyncStatus::ReadFailed
                                      : SyncStatus::ConnectFailed,
                                  wait);
    const horolux::UniversalTimeOfDay utc = horolux::ParseUniversalTime(page.text);
    if (utc.outcome != horolux::TimePageOutcome::Ok)
        return EndSyncWithFailure(SyncStatus::NotRecognised, wait);
    const ClockChange change = SetClockToTimeOfDay(utc.utc, [this] { AdvanceTray(); });
    // No right to set the clock, or digits out of range: the last success stays on show.
    if (!change.set) return EndSyncWithFailure(SyncStatus::ClockRefused, wait);
    EndSyncWithSuccess(change.before, change.after);
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

void CHoroluxDlg::EndSyncWithFailure(SyncStatus status, fw::CWaitCursor& wait) {
    switch (status) {
        case SyncStatus::ConnectFailed:
            SetStatusText(kConnectionError);
            break;
        case SyncStatus::ReadFailed:
            SetStatusText(kReadError);
            break;
        case SyncStatus::NotRecognised:
            fw::AppMessageBox("Unrecognized communication error!", MB_OK | MB_ICONHAND);
            wait.Restore();
            SetStatusText(kNotRecognised);
            break;
        default:
            SetStatusText(kClockRefused);
            break;
    }
    EndSyncWithError();
}

bool CHoroluxDlg::ConfirmLargeCorrection(std::int64_t offset, std::int64_t bound, bool userStarted,
                                         fw::CWaitCursor& wait) {
    // A day or more is asked about when the user is there to answer, and never done unasked.
    if (!userStarted) return false;
    const std::string question =
        fw::Format("The PC clock is %s off the time source.\nSet it anyway?",
                   horolux::OffsetText(offset, bound).c_str());
    const bool yes = fw::AppMessageBox(question, MB_YESNO | MB_ICONQUESTION) == IDYES;
    wait.Restore();
    return yes;
}

void CHoroluxDlg::RunSourceSync(fw::CWaitCursor& wait, bool userStarted) {
    const horolux::TimeMeasurement m =
        MeasureSource(m_model.timeSource, m_model.refusedServers, [this] { AdvanceTray(); });
    m_lastMeasurement = m;
    if (m.outcome == horolux::TimeMeasurement::Outcome::Unreachable)
        return EndSyncWithFailure(SyncStatus::ConnectFailed, wait);
    if (m.outcome == horolux::TimeMeasurement::Outcome::Refused)
        return EndSyncWithFailure(SyncStatus::NotRecognised, wait);
    if (horolux::IsLargeCorrection(m.offset) &&
        !ConfirmLargeCorrection(m.offset, m.bound, userStarted, wait))
        return EndSyncWithFailure(SyncStatus::ClockRefused, wait);
    AdvanceTray();
    const ClockChange change = CorrectClock(m.offset);
    if (!change.set) return EndSyncWithFailure(SyncStatus::ClockRefused, wait);
    EndSyncWithSuccess(change.before, change.after);
}

bool CHoroluxDlg::RunServiceSync(fw::CWaitCursor& wait, bool userStarted) {
    horolux::service::SyncRequest request;
    request.source = m_model.timeSource.source;
    if (request.source == horolux::TimeSource::TimeServer) request.text = m_model.timeSource.server;
    if (request.source == horolux::TimeSource::WebServer) request.text = m_model.timeSource.webUrl;
    const auto progress = [this] { AdvanceTray(); };
    auto answer = AskTimeService(request, progress);
    if (answer && answer->status == SyncStatus::LargeCorrection &&
        ConfirmLargeCorrection(answer->offset, answer->bound, userStarted, wait)) {
        request.allowLargeCorrection = true;
        answer = AskTimeService(request, progress);
    }
    // No service, or one that may not or cannot serve this source: the program tries itself.
    if (!answer || answer->status == SyncStatus::NotAllowed ||
        answer->status == SyncStatus::BadRequest || answer->status == SyncStatus::Busy)
        return false;
    if (answer->measured) {
        horolux::TimeMeasurement m;
        m.outcome = horolux::TimeMeasurement::Outcome::Ok;
        m.offset = answer->offset;
        m.bound = answer->bound;
        m.roundTrip = answer->roundTrip;
        m.requests = answer->requests;
        m_lastMeasurement = m;
    }
    if (answer->status == SyncStatus::Ok)
        EndSyncWithSuccess(answer->before, answer->after);
    else
        EndSyncWithFailure(answer->status == SyncStatus::LargeCorrection ? SyncStatus::ClockRefused
                                                                         : answer->status,
                           wait);
    return true;
}
