#pragma once
// The Automatic source: several time servers and web clocks measured at once, judged together.
#include <functional>
#include <vector>

#include "core/timesource/source_selection.h"
#include "timesync/http_stack.h"

namespace timesync {

struct AutomaticMeasurement {
    std::vector<horolux::SourceAnswer> answers;  // one per entry, in order, with its verdict
    horolux::Selection selection;
    // What the sources agree on: Ok with the common part's middle and half-width; Refused with
    // kSourcesDisagree; Unreachable when none answered.
    horolux::TimeMeasurement combined;
};

// Measures every entry at once, time servers over UDP and web clocks over http, and judges the
// answers that came within kAutomaticWaitMs: a source still measuring by then is left out as
// giving no answer. A time server that said "RATE" or "DENY" joins refused. progress is called
// about every 50 ms while the sources are measured. With requireAuthenticated only authenticated
// answers are judged (SelectSources). The combined measurement is authenticated when its result
// rests on authenticated answers.
AutomaticMeasurement MeasureAutomatic(const std::vector<horolux::SourceEntry>& entries,
                                      horolux::RefusedServers& refused, HttpStack& http,
                                      const std::function<void()>& progress,
                                      bool requireAuthenticated = false);

}  // namespace timesync
