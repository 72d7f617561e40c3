#pragma once
// The web-server clock source: the Date header of any http:// or https:// URL, read to a fraction
// of a second by timing requests so that the server's second changes between two of them.
#include <functional>
#include <string>

#include "core/timesource/time_source.h"
#include "timesync/http_stack.h"

namespace timesync {

// Measures the PC clock's offset against the clock of the web server of url: at most eight HEAD
// requests over one keep-alive connection of http, and eight more when the server's second jumped
// during the first eight. None is started after timeLimitMs: the offset is then bracketed as
// narrowly as the answers so far allow. progress is called after each request.
horolux::TimeMeasurement MeasureWebClock(const std::string& url,
                                         const std::function<void()>& progress, HttpStack& http,
                                         std::uint32_t timeLimitMs = horolux::kWebClockTimeMs);

}  // namespace timesync
