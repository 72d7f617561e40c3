#pragma once
// One sync, the same wherever it runs: the program syncing by itself and the time service
// answering a request. Measure the request's source, set the clock, say how it went.
#include <functional>

#include "core/sync/sync_outcome.h"
#include "core/sync/sync_request.h"
#include "core/timesource/ntp_exchange.h"
#include "core/timesource/source_selection.h"
#include "timesync/http_stack.h"

namespace timesync {

// What differs between the program and the service.
struct SyncSeams {
    HttpStack& http;                   // WinINet in the program, WinHTTP in the service
    horolux::RefusedServers& refused;  // servers that said "RATE" or "DENY", not asked again
    // Asked, unless the request allows it already, before a correction of a day or more is made;
    // without it, or when it says no, the answer is LargeCorrection and nothing is set.
    std::function<bool(const horolux::TimeMeasurement&)> allowLargeCorrection;
    std::function<void(horolux::SyncPhase)> progress;  // may be empty
};

// The page's Universal time of day is set as the local time of day on the clock's nearest day;
// a measured source's offset, or the Automatic sources' common one, is added to the clock. The
// answer's status says how it ended; its failure says why in words where there are any; for
// several sources its rows give each one's measurement and verdict.
horolux::SyncAnswer RunSyncRequest(const horolux::SyncRequest& request, const SyncSeams& seams);

}  // namespace timesync
