#include "timesync/source_measure.h"

#include "core/sync/time_page.h"
#include "core/timesource/page_offset.h"
#include "timesync/automatic_source.h"
#include "timesync/precise_clock.h"
#include "timesync/sntp_client.h"
#include "timesync/web_clock.h"

using horolux::TimeMeasurement;

TimeMeasurement MeasureTimePage(const std::function<void()>& progress, HttpStack& http) {
    TimeMeasurement m;
    const horolux::UnixMicros sent = PreciseNowMicros();
    const TimePage page = http.FetchTimePage([&progress](horolux::SyncPhase) {
        if (progress) progress();
    });
    const horolux::UnixMicros answered = PreciseNowMicros();
    m.requests = 1;
    m.roundTrip = answered - sent;
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
    const horolux::OffsetEstimate estimate =
        horolux::PageOffset(utc.utc.wHour, utc.utc.wMinute, utc.utc.wSecond, sent, answered);
    m.outcome = TimeMeasurement::Outcome::Ok;
    m.offset = estimate.offset;
    m.bound = estimate.bound;
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
        case horolux::TimeSource::Automatic:
            return MeasureAutomatic(choice.autoSources, refused, http, progress).combined;
        case horolux::TimeSource::Page:
        default:
            return MeasureTimePage(progress, http);
    }
}
