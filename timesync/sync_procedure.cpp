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
    horolux::CorrectionFacts facts;
    facts.offset = m.offset;
    facts.several = request.source == horolux::TimeSource::Automatic;
    facts.single = measured.single;
    facts.authenticated = m.authenticated;
    facts.authenticatedOperators = measured.authenticatedOperators;
    facts.userStarted = request.userStarted;
    const horolux::Correction correction = horolux::JudgeCorrection(facts);
    const bool ask = correction == horolux::Correction::AskLarge ||
                     correction == horolux::Correction::AskUnauthenticated;
    if (ask && !request.allowLargeCorrection &&
        !(seams.allowLargeCorrection && seams.allowLargeCorrection(m))) {
        answer.status = SyncStatus::LargeCorrection;
        if (correction == horolux::Correction::AskUnauthenticated)
            answer.failure = horolux::kUnauthenticatedLimit;
        return answer;
    }
    if (correction == horolux::Correction::Heal) answer.failure = horolux::kHealed;
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
