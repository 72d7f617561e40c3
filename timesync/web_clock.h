#pragma once
// The web-server clock source: the Date header of any http:// or https:// URL, read to a fraction
// of a second by timing requests so that the server's second changes between two of them.
#include <functional>
#include <string>

#include "core/timesource/time_source.h"

// Measures the PC clock's offset against the clock of the web server of url: at most eight HEAD
// requests over one keep-alive connection (WinINet, so proxies and TLS come from the system).
// progress is called after each request.
horolux::TimeMeasurement MeasureWebClock(const std::string& url,
                                         const std::function<void()>& progress = {});
