#include "core/sync/sync_outcome.h"

#include <algorithm>

#include "core/timesource/source_entry.h"

namespace horolux {

SyncStatus PageFetchStatus(TimePageOutcome outcome) {
    return outcome == TimePageOutcome::ReadFailed ? SyncStatus::ReadFailed
                                                  : SyncStatus::ConnectFailed;
}

SyncStatus MeasurementStatus(TimeMeasurement::Outcome outcome) {
    switch (outcome) {
        case TimeMeasurement::Outcome::Ok:
            return SyncStatus::Ok;
        case TimeMeasurement::Outcome::Refused:
            return SyncStatus::NotRecognised;
        case TimeMeasurement::Outcome::Unreachable:
        default:
            return SyncStatus::ConnectFailed;
    }
}

SyncRequest SyncRequestFor(const TimeSourceChoice& choice) {
    SyncRequest request;
    request.source = choice.source;
    std::optional<SourceEntry> entry;
    if (choice.source == TimeSource::TimeServer)
        entry = SourceEntryOf(choice.source, choice.server);
    if (choice.source == TimeSource::WebServer) entry = SourceEntryOf(choice.source, choice.webUrl);
    if (entry) request.sources.push_back(std::move(*entry));
    if (choice.source == TimeSource::Automatic) {
        request.sources = choice.autoSources;
        request.requireAuthenticated = choice.requireAuthenticated;
    }
    return request;
}

std::string SourceName(const SyncRequest& request) {
    if (request.source == TimeSource::Automatic) return "several time sources";
    if (request.sources.empty() || request.source == TimeSource::Page) return kTimePageHostName;
    return SourceEntryName(request.sources.front());
}

SyncAnswer EndedAnswer(SyncStatus status, std::string failure) {
    SyncAnswer answer;
    answer.status = status;
    answer.failure = std::move(failure);
    return answer;
}

SyncAnswer AnswerFrom(const TimeMeasurement& m) {
    SyncAnswer answer;
    answer.status = MeasurementStatus(m.outcome);
    answer.measured = m.outcome == TimeMeasurement::Outcome::Ok;
    answer.offset = m.offset;
    answer.bound = m.bound;
    answer.roundTrip = m.roundTrip;
    answer.requests = m.requests;
    answer.failure = m.failure;
    answer.authenticated = answer.measured && m.authenticated;
    return answer;
}

std::vector<SourceRow> SourceRows(const std::vector<SourceAnswer>& answers) {
    std::vector<SourceRow> rows;
    for (const SourceAnswer& a : answers) {
        SourceRow row;
        row.name = SourceEntryName(a.entry);
        row.measured = a.measurement.outcome == TimeMeasurement::Outcome::Ok;
        row.offset = a.measurement.offset;
        row.bound = a.measurement.bound;
        row.roundTrip = a.measurement.roundTrip;
        row.verdict = a.verdict;
        // As the pipe carries it: in the verdict's words, which say it of a judged source only.
        row.authenticated =
            (a.verdict == SourceVerdict::Used || a.verdict == SourceVerdict::Disagrees) &&
            a.measurement.authenticated;
        if (a.verdict == SourceVerdict::Refused) row.reason = a.measurement.failure;
        rows.push_back(std::move(row));
    }
    return rows;
}

Correction JudgeCorrection(const CorrectionFacts& f) {
    const bool large = IsLargeCorrection(f.offset);
    const bool beyondMinute = f.offset > kSingleSourceLimit || f.offset < -kSingleSourceLimit;
    if (large && !f.userStarted && f.authenticated &&
        f.authenticatedOperators >= kBootstrapOperators)
        return Correction::Heal;
    if (large || (f.several && f.single && beyondMinute)) return Correction::AskLarge;
    if (f.several && !f.authenticated && beyondMinute) return Correction::AskUnauthenticated;
    return Correction::Make;
}

}  // namespace horolux
