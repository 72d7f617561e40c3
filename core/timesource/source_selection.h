#pragma once
// The Automatic source's judgement of several measurements made at once: each answer gives an
// interval [offset - bound, offset + bound] that holds the true offset if its source is right.
// With the interval-intersection selection of NTP, the part of the line where a majority of the
// intervals overlap is found (allowing as few wrong sources as it can); the sources whose
// intervals meet it are taken as right, the others as wrong, and the clock is set from the middle
// of that part, only when those sources are run by more than one operator.
#include <cstdint>
#include <string>
#include <vector>

#include "core/timesource/source_entry.h"
#include "core/timesource/time_source.h"

namespace horolux {

// Who runs a source: its registrable domain ("example.com" of "a.example.com", "example.co.uk" of
// "ntp.example.co.uk"); a source given as an IP address is an operator of its own.
std::string OperatorOf(const SourceEntry& entry);

// NotAllowed: the time service may not ask this source (its allow-list does not name it).
enum class SourceVerdict { Used, Disagrees, NoAnswer, Refused, NotAllowed };

struct SourceAnswer {
    SourceEntry entry;
    TimeMeasurement measurement;
    SourceVerdict verdict = SourceVerdict::NoAnswer;  // filled in by SelectSources
};

// "used", "used (NTS)" for a used source whose answer was authenticated, "disagrees", "no
// answer", "refused: REASON" or "not allowed".
std::string VerdictText(SourceVerdict verdict, const std::string& reason, bool authenticated);
inline std::string VerdictText(const SourceAnswer& answer) {
    return VerdictText(answer.verdict, answer.measurement.failure,
                       answer.measurement.authenticated);
}

struct Selection {
    enum class Outcome {
        Agreed,     // two or more answered and a majority agrees
        Single,     // exactly one answered: its own measurement
        Disagreed,  // two or more answered and no majority agrees
        NoAnswer,   // none answered
    };
    Outcome outcome = Outcome::NoAnswer;
    std::int64_t offset = 0, bound = 0;  // Agreed and Single: the true offset within these
    std::int64_t roundTrip = 0;          // the shortest of the sources used
    int used = 0, answered = 0;
};

// Judges the answers and sets each one's verdict.
Selection SelectSources(std::vector<SourceAnswer>& answers);

// Test's line for several sources: "Offset +0.734 s \xB1 4 ms from 4 of 5 sources", or the
// failure in words: "sources disagree (several time sources)".
std::string SeveralSourcesLine(const TimeMeasurement& combined, int used, std::size_t sources);

// The history's and Test's words for a refusal for want of a majority.
inline constexpr char kSourcesDisagree[] = "sources disagree";

}  // namespace horolux
