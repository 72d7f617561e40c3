#pragma once
// A measurement of whichever source is chosen, without setting the clock: the time source
// window's Test, and the sync.
#include <functional>

#include "core/timesource/ntp_exchange.h"
#include "core/timesource/time_source.h"
#include "timesync/http_stack.h"

// The page tells whole seconds of the day only; its offset is taken modulo a day, within half a
// day of nil, and its bound covers the second and the fetch. progress is called at each phase
// of the fetch.
horolux::TimeMeasurement MeasureTimePage(const std::function<void()>& progress, HttpStack& http);

// The page and web clocks go over http; Internet time servers over UDP whatever http is.
// progress is called after each request.
horolux::TimeMeasurement MeasureSource(const horolux::TimeSourceChoice& choice,
                                       horolux::RefusedServers& refused,
                                       const std::function<void()>& progress, HttpStack& http);
