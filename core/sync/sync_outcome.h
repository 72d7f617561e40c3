#pragma once
// What a sync reports while it runs and how its ends are put into words, the same for the program
// and the time service: how a measurement or a page fetch ends a sync, and the copies between a
// source choice, a sync request, a sync answer and a measurement.
#include <cstdint>
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

// A single source of the Automatic list, the others silent, and the Automatic list without an
// authenticated answer are trusted with no more than this without a question.
inline constexpr std::int64_t kSingleSourceLimit = 60LL * 1000000;
// A correction of a day or more that started by itself is made without a question when
// authenticated sources of this many operators agree on it: a PC whose clock is years off heals.
inline constexpr int kBootstrapOperators = 2;

// What a measured correction is to be made on.
struct CorrectionFacts {
    std::int64_t offset = 0;
    bool several = false;        // the Automatic source
    bool single = false;         // of several, one alone answered
    bool authenticated = false;  // the offset rests on authenticated answers
    int authenticatedOperators = 0;
    bool userStarted = false;
};
enum class Correction {
    Make,                // at once
    Heal,                // at once, a day or more on the word of two authenticated operators
    AskLarge,            // asked first where someone can answer, else not made
    AskUnauthenticated,  // the same, for over a minute from unauthenticated sources alone
};
Correction JudgeCorrection(const CorrectionFacts& facts);

}  // namespace horolux
