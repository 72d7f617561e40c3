#pragma once
// What a sync reports while it runs and how its ends are put into words, the same for the program
// and the time service: how a measurement or a page fetch ends a sync, and the copies between a
// source choice, a sync request, a sync answer and a measurement.
#include <optional>
#include <string>

#include "core/sync/sync_request.h"
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
SyncStatus PageFetchStatus(TimePageOutcome outcome);
// A measurement that did not end Ok: Unreachable is ConnectFailed, Refused NotRecognised.
SyncStatus MeasurementStatus(TimeMeasurement::Outcome outcome);

// The request that syncs from the chosen source; Automatic's with the choice's requirement of
// authenticated answers, which means nothing to one source.
SyncRequest SyncRequestFor(const TimeSourceChoice& choice);
// The source a request names as the history and the Test line name it (SourceName).
std::string SourceName(const SyncRequest& request);

// An answer that ends with status and nothing measured or set.
SyncAnswer EndedAnswer(SyncStatus status, std::string failure = {});
// An answer carrying what m found: Ok measurements as measured (the status is the caller's to
// decide), failures with their status and words.
SyncAnswer AnswerFrom(const TimeMeasurement& m);
// Several sources' answers as an answer reports them: the name, the measurement and the verdict.
std::vector<SourceRow> SourceRows(const std::vector<SourceAnswer>& answers);

}  // namespace horolux
