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
// NotAuthenticated: it answered, but only authenticated sources may be used.
enum class SourceVerdict { Used, Disagrees, NoAnswer, Refused, NotAllowed, NotAuthenticated };

struct SourceAnswer {
    SourceEntry entry;
    TimeMeasurement measurement;
    SourceVerdict verdict = SourceVerdict::NoAnswer;  // filled in by SelectSources
};

// "used", "disagrees", "no answer", "refused: REASON", "not allowed" or "not authenticated"; a
// used or disagreeing source whose answer was authenticated (NTS, or HTTPS with a certificate
// Windows accepts) says so: "used (authenticated)".
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
        // answers came, but none authenticated, and only authenticated sources may be used
        NoneAuthenticated,
    };
    Outcome outcome = Outcome::NoAnswer;
    std::int64_t offset = 0, bound = 0;  // Agreed and Single: the true offset within these
    std::int64_t roundTrip = 0;          // the shortest of the sources used
    int used = 0, answered = 0;
    // Agreed and Single: the result rests on authenticated sources, which are run by this many
    // operators.
    bool authenticated = false;
    int authenticatedOperators = 0;
};

// Judges the answers and sets each one's verdict. Authenticated answers, where there are any,
// are judged among themselves (one operator's are enough: no one on the path can forge them) and
// the result lies inside the interval of each of them used; an unauthenticated answer is then used
// only when it meets that result, majority or not. With requireAuthenticated the unauthenticated
// are "not authenticated" and play no part.
Selection SelectSources(std::vector<SourceAnswer>& answers, bool requireAuthenticated = false);

// Test's line for several sources: "Offset +0.734 s \xB1 4 ms from 4 of 5 sources", or the
// failure in words: "sources disagree (several time sources)".
std::string SeveralSourcesLine(const TimeMeasurement& combined, int used, std::size_t sources);

// The history's and Test's words for a refusal for want of a majority, and for want of an
// authenticated answer when only those may be used.
inline constexpr char kSourcesDisagree[] = "sources disagree";
inline constexpr char kNoneAuthenticated[] = "no authenticated source answered";
// The history's words for a correction of more than a minute from unauthenticated sources alone
// that was not made, and for one of a day or more made at once on the word of authenticated
// sources of two operators.
inline constexpr char kUnauthenticatedLimit[] =
    "not set: over a minute from unauthenticated sources alone";
inline constexpr char kHealed[] = "set by more than a day: authenticated sources of two operators";

}  // namespace horolux
