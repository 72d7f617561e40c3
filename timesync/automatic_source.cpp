#include "timesync/automatic_source.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "core/sync/time_limits.h"
#include "timesync/source_measure.h"

namespace timesync {

using horolux::SourceEntry;
using horolux::TimeMeasurement;

namespace {

// What the measuring threads hand back. A thread that is still measuring when the wait ends
// keeps this alive until it is done, so that it never writes into what the caller has freed.
struct Shared {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::optional<TimeMeasurement>> results;
    std::vector<horolux::RefusedServers> refused;  // each thread's own, from the caller's
    std::size_t finished = 0;
};

TimeMeasurement Measure(const SourceEntry& entry, horolux::RefusedServers& refused,
                        HttpStack& http) {
    if (entry.kind == horolux::TimeSource::Page) {
        TimeMeasurement m;  // the page tells no more than a whole second of the day
        m.outcome = TimeMeasurement::Outcome::Refused;
        m.failure = "Not a time server or web clock";
        return m;
    }
    return MeasureSource(entry, refused, {}, http, horolux::kAutomaticWaitMs);
}

}  // namespace

AutomaticMeasurement MeasureAutomatic(const std::vector<SourceEntry>& entries,
                                      horolux::RefusedServers& refused, HttpStack& http,
                                      const std::function<void()>& progress,
                                      bool requireAuthenticated) {
    const auto shared = std::make_shared<Shared>();
    shared->results.resize(entries.size());
    shared->refused.assign(entries.size(), refused);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(horolux::kAutomaticWaitMs);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::thread([shared, i, entry = entries[i], &http] {
            horolux::RefusedServers own;
            {
                const std::lock_guard<std::mutex> hold(shared->lock);
                own = shared->refused[i];
            }
            TimeMeasurement m = Measure(entry, own, http);
            const std::lock_guard<std::mutex> hold(shared->lock);
            shared->results[i] = std::move(m);
            shared->refused[i] = std::move(own);
            ++shared->finished;
            shared->changed.notify_all();
        }).detach();
    }

    AutomaticMeasurement result;
    {
        std::unique_lock<std::mutex> hold(shared->lock);
        while (shared->finished < entries.size() && std::chrono::steady_clock::now() < deadline) {
            shared->changed.wait_for(hold, std::chrono::milliseconds(50));
            hold.unlock();
            if (progress) progress();
            hold.lock();
        }
        for (std::size_t i = 0; i < entries.size(); ++i) {
            horolux::SourceAnswer answer;
            answer.entry = entries[i];
            if (shared->results[i]) {
                answer.measurement = *shared->results[i];
                const bool server = entries[i].kind == horolux::TimeSource::TimeServer ||
                                    entries[i].kind == horolux::TimeSource::NtsServer;
                if (server && shared->refused[i].IsRefused(entries[i].server))
                    refused.Refuse(entries[i].server);
            } else {
                answer.measurement.outcome = TimeMeasurement::Outcome::Unreachable;
                answer.measurement.failure = "No answer in time";
            }
            result.answers.push_back(std::move(answer));
        }
    }

    result.selection = horolux::SelectSources(result.answers, requireAuthenticated);
    TimeMeasurement& combined = result.combined;
    for (const horolux::SourceAnswer& a : result.answers)
        combined.requests += a.measurement.requests;
    switch (result.selection.outcome) {
        case horolux::Selection::Outcome::Agreed:
        case horolux::Selection::Outcome::Single:
            combined.outcome = TimeMeasurement::Outcome::Ok;
            combined.offset = result.selection.offset;
            combined.bound = result.selection.bound;
            combined.roundTrip = result.selection.roundTrip;
            combined.authenticated = result.selection.authenticated;
            break;
        case horolux::Selection::Outcome::Disagreed:
            combined.outcome = TimeMeasurement::Outcome::Refused;
            combined.failure = horolux::kSourcesDisagree;
            break;
        case horolux::Selection::Outcome::NoneAuthenticated:
            combined.outcome = TimeMeasurement::Outcome::Refused;
            combined.failure = horolux::kNoneAuthenticated;
            break;
        case horolux::Selection::Outcome::NoAnswer:
            combined.outcome = TimeMeasurement::Outcome::Unreachable;
            combined.failure = "No source answered";
            break;
    }
    return result;
}

}  // namespace timesync
