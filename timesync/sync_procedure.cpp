#include "timesync/sync_procedure.h"

#include "core/sync/time_page.h"
#include "timesync/automatic_source.h"
#include "timesync/clock_setting.h"
#include "timesync/source_measure.h"

using horolux::SyncPhase;
using horolux::TimeMeasurement;
using horolux::service::SyncAnswer;
using horolux::service::SyncRequest;
using horolux::service::SyncStatus;

namespace {

void SetClock(SyncAnswer& answer, const ClockChange& change) {
    answer.status = change.set ? SyncStatus::Ok : SyncStatus::ClockRefused;
    answer.before = change.before;
    answer.after = change.after;
}

SyncAnswer SyncFromPage(const SyncSeams& seams) {
    const TimePage page = seams.http.FetchTimePage(seams.progress);
    if (page.outcome != horolux::TimePageOutcome::Ok)
        return horolux::EndedAnswer(horolux::PageFetchStatus(page.outcome));
    const horolux::UniversalTimeOfDay utc = horolux::ParseUniversalTime(page.text);
    if (utc.outcome != horolux::TimePageOutcome::Ok)
        return horolux::EndedAnswer(SyncStatus::NotRecognised, "The page shows no Universal Time");
    seams.progress(SyncPhase::Setting);
    SyncAnswer answer;
    SetClock(answer, SetClockToTimeOfDay(utc.utc));
    return answer;
}

SyncAnswer SyncFromSource(const SyncRequest& request, const SyncSeams& seams) {
    const auto eachStep = [&seams] { seams.progress(SyncPhase::Reading); };
    TimeMeasurement m;
    std::vector<horolux::service::SourceRow> rows;
    bool single = false;
    if (request.source == horolux::TimeSource::Automatic) {
        const AutomaticMeasurement a = MeasureAutomatic(horolux::SourceOf(request).autoSources,
                                                        seams.refused, seams.http, eachStep);
        m = a.combined;
        rows = horolux::SourceRows(a.answers);
        single = a.selection.outcome == horolux::Selection::Outcome::Single;
    } else {
        m = MeasureSource(horolux::SourceOf(request), seams.refused, eachStep, seams.http);
    }
    SyncAnswer answer = horolux::AnswerFrom(m);
    answer.sources = std::move(rows);
    if (m.outcome != TimeMeasurement::Outcome::Ok) return answer;
    // One source alone is trusted with a minute at most; a day or more is never done unasked.
    const bool large =
        horolux::IsLargeCorrection(m.offset) ||
        (single && (m.offset > kSingleSourceLimit || m.offset < -kSingleSourceLimit));
    if (large && !request.allowLargeCorrection &&
        !(seams.allowLargeCorrection && seams.allowLargeCorrection(m))) {
        answer.status = SyncStatus::LargeCorrection;
        return answer;
    }
    seams.progress(SyncPhase::Setting);
    SetClock(answer, CorrectClock(m.offset));
    return answer;
}

}  // namespace

SyncAnswer RunSyncRequest(const SyncRequest& request, const SyncSeams& seams) {
    SyncSeams reporting = seams;
    if (!reporting.progress) reporting.progress = [](SyncPhase) {};
    return request.source == horolux::TimeSource::Page ? SyncFromPage(reporting)
                                                       : SyncFromSource(request, reporting);
}
