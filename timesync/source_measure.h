#pragma once
// A measurement of the sources a sync request names, without setting the clock: the time source
// window's Test, and the sync.
#include <cstdint>
#include <functional>
#include <vector>

#include "core/sync/sync_outcome.h"
#include "core/sync/sync_request.h"
#include "core/sync/time_limits.h"
#include "core/sync/time_page.h"
#include "core/timesource/ntp_exchange.h"
#include "core/timesource/time_source.h"
#include "core/timesource/unix_micros.h"
#include "timesync/http_stack.h"

namespace timesync {

// The time page fetched and its Universal time read: Ok, NotRecognised when the page shows none,
// or how the fetch failed; sent and answered are the moments around the fetch.
struct PageReading {
    horolux::TimePageOutcome outcome = horolux::TimePageOutcome::NotRecognised;
    horolux::SystemTime utc;
    horolux::UnixMicros sent = 0, answered = 0;
};
PageReading ReadTimePage(HttpStack& http, const std::function<void(horolux::SyncPhase)>& progress);

// The page tells whole seconds of the day only; its offset is taken modulo a day, within half a
// day of nil, and its bound covers the second and the fetch. progress is called at each phase
// of the fetch.
horolux::TimeMeasurement MeasureTimePage(const std::function<void()>& progress, HttpStack& http);

// One source: the page and web clocks go over http, Internet time servers over UDP whatever http
// is. A web clock is given webTimeLimitMs. progress is called after each request.
horolux::TimeMeasurement MeasureSource(const horolux::SourceEntry& source,
                                       horolux::RefusedServers& refused,
                                       const std::function<void()>& progress, HttpStack& http,
                                       std::uint32_t webTimeLimitMs = horolux::kWebClockTimeMs);

// What the sources of a request were found to be: the measurement to set the clock by, and of
// several sources each one's row, how many were used and whether only one answered.
struct RequestMeasurement {
    horolux::TimeMeasurement combined;
    std::vector<horolux::SourceRow> sources;
    int used = 0;
    bool single = false;
    int authenticatedOperators = 0;  // of the used authenticated sources
};
RequestMeasurement MeasureRequest(const horolux::SyncRequest& request,
                                  horolux::RefusedServers& refused, HttpStack& http,
                                  const std::function<void()>& progress);

}  // namespace timesync
