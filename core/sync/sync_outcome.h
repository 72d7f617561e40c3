#pragma once
// What a sync reports while it runs and how its ends are put into words, the same for the program
// and the time service: how a measurement or a page fetch ends a sync, and the copies between a
// source choice, a sync request, a sync answer and a measurement.
#include <optional>
#include <string>

#include "core/service/service_protocol.h"
#include "core/sync/time_page.h"
#include "core/timesource/source_selection.h"
#include "core/timesource/time_source.h"

namespace horolux {

// Where a sync stands, reported as it moves on so that a waiting window can show it is alive.
enum class SyncPhase {
    Connecting,  // the network library is ready and the source is being reached
    Reading,     // an answer came and is being read (each request of a measured source)
    Setting,     // the source's time is known and the clock is being set
};

// A page fetch that failed: a read cut short is ReadFailed, anything before it ConnectFailed.
service::SyncStatus PageFetchStatus(TimePageOutcome outcome);
// A measurement that did not end Ok: Unreachable is ConnectFailed, Refused NotRecognised.
service::SyncStatus MeasurementStatus(TimeMeasurement::Outcome outcome);

// The request that syncs from the chosen source.
service::SyncRequest SyncRequestFor(const TimeSourceChoice& choice);
// The source a request names; the fields it does not name keep their defaults.
TimeSourceChoice SourceOf(const service::SyncRequest& request);

// An answer that ends with status and nothing measured or set.
service::SyncAnswer EndedAnswer(service::SyncStatus status, std::string failure = {});
// An answer carrying what m found: Ok measurements as measured (the status is the caller's to
// decide), failures with their status and words.
service::SyncAnswer AnswerFrom(const TimeMeasurement& m);
// Several sources' answers as an answer reports them: the name, the measurement and the verdict.
std::vector<service::SourceRow> SourceRows(const std::vector<SourceAnswer>& answers);

// What an answer says was measured; nothing when it measured nothing.
std::optional<TimeMeasurement> MeasurementOf(const service::SyncAnswer& answer);

}  // namespace horolux
