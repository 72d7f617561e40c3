#include "core/sync/sync_outcome.h"

#include <algorithm>

#include "core/timesource/source_entry.h"

namespace horolux {

using service::SyncAnswer;
using service::SyncRequest;
using service::SyncStatus;

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
    if (choice.source == TimeSource::TimeServer) request.text = choice.server;
    if (choice.source == TimeSource::WebServer) request.text = choice.webUrl;
    if (choice.source == TimeSource::Automatic) {
        for (const SourceEntry& entry : ReadSourceEntries(choice.autoSources).entries) {
            if (!request.text.empty()) request.text += ' ';
            std::string text = SourceEntryText(entry);
            // A blank would split the entry: in a URL's path it means the same encoded.
            for (std::size_t at; (at = text.find(' ')) != std::string::npos;)
                text.replace(at, 1, "%20");
            request.text += text;
        }
    }
    return request;
}

TimeSourceChoice SourceOf(const SyncRequest& request) {
    TimeSourceChoice choice;
    choice.source = request.source;
    if (request.source == TimeSource::TimeServer) choice.server = request.text;
    if (request.source == TimeSource::WebServer) choice.webUrl = request.text;
    if (request.source == TimeSource::Automatic) {
        choice.autoSources.clear();
        std::size_t start = 0;
        while (start < request.text.size()) {
            const std::size_t end = std::min(request.text.find(' ', start), request.text.size());
            if (end > start) choice.autoSources.push_back(request.text.substr(start, end - start));
            start = end + 1;
        }
    }
    return choice;
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
    return answer;
}

std::vector<service::SourceRow> SourceRows(const std::vector<SourceAnswer>& answers) {
    std::vector<service::SourceRow> rows;
    for (const SourceAnswer& a : answers) {
        service::SourceRow row;
        row.name = SourceEntryName(a.entry);
        row.measured = a.measurement.outcome == TimeMeasurement::Outcome::Ok;
        row.offset = a.measurement.offset;
        row.bound = a.measurement.bound;
        row.roundTrip = a.measurement.roundTrip;
        row.verdict = VerdictText(a);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::optional<TimeMeasurement> MeasurementOf(const SyncAnswer& answer) {
    if (!answer.measured) return std::nullopt;
    TimeMeasurement m;
    m.outcome = TimeMeasurement::Outcome::Ok;
    m.offset = answer.offset;
    m.bound = answer.bound;
    m.roundTrip = answer.roundTrip;
    m.requests = answer.requests;
    return m;
}

}  // namespace horolux
