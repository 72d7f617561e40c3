#include "core/sync/sync_outcome.h"

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
    return request;
}

TimeSourceChoice SourceOf(const SyncRequest& request) {
    TimeSourceChoice choice;
    choice.source = request.source;
    if (request.source == TimeSource::TimeServer) choice.server = request.text;
    if (request.source == TimeSource::WebServer) choice.webUrl = request.text;
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
