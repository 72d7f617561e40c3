#include "timesync/sync_procedure.h"

#include "timesync/clock_setting.h"
#include "timesync/source_measure.h"

namespace timesync {

using horolux::SyncAnswer;
using horolux::SyncPhase;
using horolux::SyncRequest;
using horolux::SyncStatus;
using horolux::TimeMeasurement;

namespace {

void SetClock(SyncAnswer& answer, const ClockChange& change) {
    answer.status = change.set ? SyncStatus::Ok : SyncStatus::ClockRefused;
    answer.before = change.before;
    answer.after = change.after;
}

SyncAnswer SyncFromPage(const SyncSeams& seams) {
    const PageReading page = ReadTimePage(seams.http, seams.progress);
    if (page.outcome == horolux::TimePageOutcome::NotRecognised)
        return horolux::EndedAnswer(SyncStatus::NotRecognised, "The page shows no Universal Time");
    if (page.outcome != horolux::TimePageOutcome::Ok)
        return horolux::EndedAnswer(horolux::PageFetchStatus(page.outcome));
    seams.progress(SyncPhase::Setting);
    SyncAnswer answer;
    SetClock(answer, SetClockToTimeOfDay(page.utc));
    return answer;
}

SyncAnswer SyncFromSource(const SyncRequest& request, const SyncSeams& seams) {
    const auto eachStep = [&seams] { seams.progress(SyncPhase::Reading); };
    RequestMeasurement measured = MeasureRequest(request, seams.refused, seams.http, eachStep);
    const TimeMeasurement& m = measured.combined;
    SyncAnswer answer = horolux::AnswerFrom(m);
    answer.sources = std::move(measured.sources);
    if (m.outcome != TimeMeasurement::Outcome::Ok) return answer;
    // One source alone, or several none of whom proved who they are, are trusted with a minute
    // at most; a day or more is never done unasked, unless the clock is healing by itself on
    // the word of two authenticated operators.
    const bool several = request.source == horolux::TimeSource::Automatic;
    const bool beyondMinute = m.offset > kSingleSourceLimit || m.offset < -kSingleSourceLimit;
    const bool unauthenticated = several && !m.authenticated && beyondMinute;
    const bool healing = !request.userStarted && m.authenticated &&
                         measured.authenticatedOperators >= kBootstrapOperators;
    const bool large = (horolux::IsLargeCorrection(m.offset) && !healing) ||
                       (measured.single && beyondMinute) || unauthenticated;
    if (large && !request.allowLargeCorrection &&
        !(seams.allowLargeCorrection && seams.allowLargeCorrection(m))) {
        answer.status = SyncStatus::LargeCorrection;
        if (unauthenticated) answer.failure = horolux::kUnauthenticatedLimit;
        return answer;
    }
    if (healing && horolux::IsLargeCorrection(m.offset)) answer.failure = horolux::kHealed;
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

}  // namespace timesync
