// SyncClock: measure the chosen source (the time page's time of day, an Internet time server or a
// web server's clock), set the clock, report on the window and tray, and note it in the history.
// It runs on the user-interface thread and blocks it, so it advances the tray animation itself.
#include "core/sync/clock_date.h"
#include "core/sync/clock_math.h"
#include "core/sync/sync_outcome.h"
#include "core/tray/sync_frames.h"
#include "framework/controls.h"
#include "framework/message_box.h"
#include "framework/wait_cursor.h"
#include "platform/text.h"
#include "timesync/sync_procedure.h"
#include "timesync/system_time.h"
#include "ui/mainwnd/main_dialog.h"
#include "ui/sync/time_service_client.h"

namespace ui {

using horolux::SyncAnswer;
using horolux::SyncRequest;
using horolux::SyncStatus;

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
    // Any sync makes up for one that a resume would catch up.
    KillTimer(m_hWnd, kTimerResumeSync);
    fw::CWaitCursor wait;
    std::optional<SyncAnswer> answer;
    try {
        BeginSync();
        SyncRequest request = horolux::SyncRequestFor(m_model.timeSource);
        request.userStarted = userStarted;
        // The time service, where it is installed, holds the right to set the clock that a
        // normally started program lacks.
        answer = SyncThroughService(request, wait, userStarted);
        if (!answer) answer = SyncHere(request, wait, userStarted);
        ShowSyncAnswer(*answer, wait);
        if (!userStarted) m_catchUp.AutomaticSyncEnded(answer->status == SyncStatus::ConnectFailed);
    } catch (...) {
        fw::AppMessageBox("Unknown error in SyncClock()");
        // Neither the clip nor the tray should go on spinning after a fault.
        StopSyncClip();
        m_trayIcon.StopAnimation();
    }
    RecordSync(answer ? &*answer : nullptr);
}

void CHoroluxDlg::RecordSync(const SyncAnswer* answer) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    horolux::SyncRecord record;
    record.when = horolux::FormatTimeText(timesync::ToPortableTime(now));
    record.source = horolux::SourceName(m_model.timeSource);
    record.outcome = m_statusText;
    if (answer) {
        // A result that no one on the path could have forged says so after the source's name.
        if (answer->measured && answer->authenticated) record.source += " (authenticated)";
        // Several sources: each one's verdict after the name, "a.org used, b.org disagrees".
        for (std::size_t i = 0; i < answer->sources.size(); ++i)
            record.source += (i == 0 ? ": " : ", ") + answer->sources[i].name + ' ' +
                             horolux::VerdictText(answer->sources[i]);
        if (answer->measured) {  // only a measurement that succeeded is kept
            record.offset = answer->offset;
            record.bound = answer->bound;
        }
        // The several sources' own ends say more than the status line.
        for (const char* words : {horolux::kSourcesDisagree, horolux::kNoneAuthenticated,
                                  horolux::kUnauthenticatedLimit, horolux::kHealed})
            if (answer->failure == words) record.outcome = words;
    }
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
        platform::Format("The PC clock is %s off the time source.\nSet it anyway?",
                         horolux::OffsetText(offset, bound).c_str());
    const bool yes = fw::AppMessageBox(question, MB_YESNO | MB_ICONQUESTION) == IDYES;
    wait.Restore();
    return yes;
}

SyncAnswer CHoroluxDlg::SyncHere(const SyncRequest& request, fw::CWaitCursor& wait,
                                 bool userStarted) {
    const bool page = request.source == horolux::TimeSource::Page;
    std::optional<horolux::SyncPhase> reached;  // the last phase the sync reported
    timesync::SyncSeams seams{timesync::WinInetStack(), m_model.refusedServers,
                              [&](const horolux::TimeMeasurement& m) {
                                  return ConfirmLargeCorrection(m.offset, m.bound, userStarted,
                                                                wait);
                              },
                              [this, page, &reached](horolux::SyncPhase phase) {
                                  reached = phase;
                                  AdvanceTray(horolux::SyncPhaseFrames(page, phase));
                              }};
    SyncAnswer answer = timesync::RunSyncRequest(request, seams);
    // The steps of a page fetch that ended early still count.
    if (answer.status != SyncStatus::Ok) AdvanceTray(horolux::SyncFailureFrames(page, reached));
    return answer;
}

std::optional<SyncAnswer> CHoroluxDlg::SyncThroughService(const SyncRequest& request,
                                                          fw::CWaitCursor& wait, bool userStarted) {
    const auto progress = [this] { AdvanceTray(); };
    auto answer = AskTimeService(request, progress);
    if (answer && answer->status == SyncStatus::LargeCorrection &&
        ConfirmLargeCorrection(answer->offset, answer->bound, userStarted, wait)) {
        SyncRequest allowed = request;
        allowed.allowLargeCorrection = true;
        answer = AskTimeService(allowed, progress);
    }
    // No service, or one that may not or cannot serve this source: the program tries itself.
    if (!answer || answer->status == SyncStatus::NotAllowed ||
        answer->status == SyncStatus::BadRequest || answer->status == SyncStatus::Busy)
        return std::nullopt;
    return answer;
}

void CHoroluxDlg::ShowSyncAnswer(const SyncAnswer& answer, fw::CWaitCursor& wait) {
    if (answer.status == SyncStatus::Ok) return EndSyncWithSuccess(answer.before, answer.after);
    // A correction of a day or more that was not allowed: the clock was not set.
    EndSyncWithFailure(
        answer.status == SyncStatus::LargeCorrection ? SyncStatus::ClockRefused : answer.status,
        wait);
}

}  // namespace ui
