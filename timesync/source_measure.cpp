#include "timesync/source_measure.h"

#include "core/sync/time_page.h"
#include "timesync/precise_clock.h"
#include "timesync/sntp_client.h"
#include "timesync/web_clock.h"

using horolux::TimeMeasurement;

namespace {

constexpr std::int64_t kDayMicros = 86400LL * horolux::kMicrosPerSecond;

std::int64_t MicrosOfDay(horolux::UnixMicros t) {
    const std::int64_t r = t % kDayMicros;
    return r < 0 ? r + kDayMicros : r;
}

}  // namespace

TimeMeasurement MeasureTimePage(const std::function<void()>& progress, HttpStack& http) {
    TimeMeasurement m;
    const horolux::UnixMicros t0 = PreciseNowMicros();
    const TimePage page = http.FetchTimePage(progress ? progress : [] {});
    const horolux::UnixMicros t2 = PreciseNowMicros();
    m.requests = 1;
    m.roundTrip = t2 - t0;
    if (page.outcome != horolux::TimePageOutcome::Ok) {
        m.outcome = TimeMeasurement::Outcome::Unreachable;
        m.failure = page.outcome == horolux::TimePageOutcome::ReadFailed
                        ? "The page could not be read"
                        : "Cannot reach the page";
        return m;
    }
    const horolux::UniversalTimeOfDay utc = horolux::ParseUniversalTime(page.text);
    if (utc.outcome != horolux::TimePageOutcome::Ok) {
        m.outcome = TimeMeasurement::Outcome::Refused;
        m.failure = "The page shows no Universal Time";
        return m;
    }
    // The page's second was read somewhere between sending and receiving: the offset lies in
    // [s - t2, s + 1 - t0], all as times of the day.
    const std::int64_t second =
        (utc.utc.wHour * 3600LL + utc.utc.wMinute * 60LL + utc.utc.wSecond) *
        horolux::kMicrosPerSecond;
    std::int64_t low = second - MicrosOfDay(t2);
    std::int64_t high = second + horolux::kMicrosPerSecond - MicrosOfDay(t0);
    if (high < low) high += kDayMicros;  // midnight passed during the fetch
    std::int64_t middle = low + (high - low) / 2;
    const std::int64_t shift =
        middle >= kDayMicros / 2 ? -kDayMicros : (middle < -kDayMicros / 2 ? kDayMicros : 0);
    middle += shift;
    m.outcome = TimeMeasurement::Outcome::Ok;
    m.offset = middle;
    m.bound = (high - low + 1) / 2;
    return m;
}

TimeMeasurement MeasureSource(const horolux::TimeSourceChoice& choice,
                              horolux::RefusedServers& refused,
                              const std::function<void()>& progress, HttpStack& http) {
    switch (choice.source) {
        case horolux::TimeSource::TimeServer:
            return MeasureTimeServer(choice.server, refused, progress);
        case horolux::TimeSource::WebServer:
            return MeasureWebClock(choice.webUrl, progress, http);
        case horolux::TimeSource::Page:
        default:
            return MeasureTimePage(progress, http);
    }
}
