#include "timesync/source_measure.h"

#include "core/sync/sync_outcome.h"
#include "core/timesource/page_offset.h"
#include "timesync/automatic_source.h"
#include "timesync/nts_client.h"
#include "timesync/precise_clock.h"
#include "timesync/sntp_client.h"
#include "timesync/web_clock.h"

namespace timesync {

using horolux::TimeMeasurement;

PageReading ReadTimePage(HttpStack& http, const std::function<void(horolux::SyncPhase)>& progress) {
    PageReading reading;
    reading.sent = PreciseNowMicros();
    const TimePage page = http.FetchTimePage(progress);
    reading.answered = PreciseNowMicros();
    reading.outcome = page.outcome;
    if (page.outcome != horolux::TimePageOutcome::Ok) return reading;
    const horolux::UniversalTimeOfDay utc = horolux::ParseUniversalTime(page.text);
    reading.outcome = utc.outcome;
    reading.utc = utc.utc;
    return reading;
}

TimeMeasurement MeasureTimePage(const std::function<void()>& progress, HttpStack& http) {
    TimeMeasurement m;
    const PageReading page = ReadTimePage(http, [&progress](horolux::SyncPhase) {
        if (progress) progress();
    });
    m.requests = 1;
    m.roundTrip = page.answered - page.sent;
    switch (page.outcome) {
        case horolux::TimePageOutcome::Ok:
            break;
        case horolux::TimePageOutcome::NotRecognised:
            m.outcome = TimeMeasurement::Outcome::Refused;
            m.failure = "The page shows no Universal Time";
            return m;
        case horolux::TimePageOutcome::ReadFailed:
            m.outcome = TimeMeasurement::Outcome::Unreachable;
            m.failure = "The page could not be read";
            return m;
        default:
            m.outcome = TimeMeasurement::Outcome::Unreachable;
            m.failure = "Cannot reach the page";
            return m;
    }
    const horolux::OffsetEstimate estimate = horolux::PageOffset(
        page.utc.wHour, page.utc.wMinute, page.utc.wSecond, page.sent, page.answered);
    m.outcome = TimeMeasurement::Outcome::Ok;
    m.offset = estimate.offset;
    m.bound = estimate.bound;
    return m;
}

TimeMeasurement MeasureSource(const horolux::SourceEntry& source, horolux::RefusedServers& refused,
                              const std::function<void()>& progress, HttpStack& http,
                              std::uint32_t webTimeLimitMs) {
    switch (source.kind) {
        case horolux::TimeSource::TimeServer:
            return MeasureTimeServer(source.server, refused, progress);
        case horolux::TimeSource::WebServer:
            return MeasureWebClock(source.url, progress, http, webTimeLimitMs);
        case horolux::TimeSource::NtsServer:
            return MeasureNtsServer(source.server, refused, progress);
        case horolux::TimeSource::Page:
        default:
            return MeasureTimePage(progress, http);
    }
}

RequestMeasurement MeasureRequest(const horolux::SyncRequest& request,
                                  horolux::RefusedServers& refused, HttpStack& http,
                                  const std::function<void()>& progress) {
    RequestMeasurement result;
    if (request.source == horolux::TimeSource::Automatic) {
        const AutomaticMeasurement a = MeasureAutomatic(request.sources, refused, http, progress,
                                                        request.requireAuthenticated);
        result.combined = a.combined;
        result.sources = horolux::SourceRows(a.answers);
        result.used = a.selection.used;
        result.single = a.selection.outcome == horolux::Selection::Outcome::Single;
        result.authenticatedOperators = a.selection.authenticatedOperators;
    } else {
        result.combined = MeasureSource(
            request.sources.empty() ? horolux::SourceEntry{} : request.sources.front(), refused,
            progress, http);
    }
    return result;
}

}  // namespace timesync
