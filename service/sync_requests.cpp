#include "service/sync_requests.h"

#include "core/service/allow_list.h"
#include "core/service/service_names.h"
#include "core/sync/time_page.h"
#include "framework/handles.h"
#include "framework/registry_profile.h"
#include "timesync/clock_setting.h"
#include "timesync/http_stack.h"
#include "timesync/source_measure.h"

using horolux::TimeMeasurement;
using horolux::service::SyncAnswer;
using horolux::service::SyncRequest;
using horolux::service::SyncStatus;

namespace service {

namespace {

// WinINet is not for services: the service measures over WinHTTP, with the machine's proxy.

// Read at every request, so an administrator's change counts without a restart.
horolux::service::AllowList AllowedSources() {
    fw::RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey, 0, KEY_QUERY_VALUE,
                      key.Receive()) != ERROR_SUCCESS)
        return {};
    return horolux::service::ParseAllowList(
               fw::ReadTextListValue(key.Get(), horolux::service::kAllowedSourcesValue))
        .list;
}

SyncAnswer Ended(SyncStatus status, std::string failure = {}) {
    SyncAnswer answer;
    answer.status = status;
    answer.failure = std::move(failure);
    return answer;
}

SyncAnswer SyncFromPage() {
    const TimePage page = WinHttpStack().FetchTimePage([] {});
    if (page.outcome != horolux::TimePageOutcome::Ok)
        return Ended(page.outcome == horolux::TimePageOutcome::ReadFailed
                         ? SyncStatus::ReadFailed
                         : SyncStatus::ConnectFailed);
    const horolux::UniversalTimeOfDay utc = horolux::ParseUniversalTime(page.text);
    if (utc.outcome != horolux::TimePageOutcome::Ok)
        return Ended(SyncStatus::NotRecognised, "The page shows no Universal Time");
    const ClockChange change = SetClockToTimeOfDay(utc.utc);
    SyncAnswer answer = Ended(change.set ? SyncStatus::Ok : SyncStatus::ClockRefused);
    answer.before = change.before;
    answer.after = change.after;
    return answer;
}

SyncAnswer SyncFromSource(const SyncRequest& request) {
    // A server that said "RATE" or "DENY" is not asked again while the service runs.
    static horolux::RefusedServers refused;
    horolux::TimeSourceChoice choice;
    choice.source = request.source;
    (request.source == horolux::TimeSource::TimeServer ? choice.server : choice.webUrl) =
        request.text;
    const TimeMeasurement m = MeasureSource(choice, refused, {}, WinHttpStack());
    SyncAnswer answer;
    answer.measured = m.outcome == TimeMeasurement::Outcome::Ok;
    answer.offset = m.offset;
    answer.bound = m.bound;
    answer.roundTrip = m.roundTrip;
    answer.requests = m.requests;
    answer.failure = m.failure;
    if (m.outcome == TimeMeasurement::Outcome::Unreachable) {
        answer.status = SyncStatus::ConnectFailed;
    } else if (m.outcome == TimeMeasurement::Outcome::Refused) {
        answer.status = SyncStatus::NotRecognised;
    } else if (horolux::IsLargeCorrection(m.offset) && !request.allowLargeCorrection) {
        answer.status = SyncStatus::LargeCorrection;
    } else {
        const ClockChange change = CorrectClock(m.offset);
        answer.status = change.set ? SyncStatus::Ok : SyncStatus::ClockRefused;
        answer.before = change.before;
        answer.after = change.after;
    }
    return answer;
}

}  // namespace

std::vector<std::uint8_t> AnswerSyncRequest(std::span<const std::uint8_t> bytes) {
    const horolux::service::RequestRead read = horolux::service::ReadRequest(bytes);
    if (!read.request)
        return EncodeAnswer(
            Ended(SyncStatus::BadRequest, horolux::service::ReadErrorText(read.error)));
    const SyncRequest& request = *read.request;
    if (!horolux::service::IsAllowed(AllowedSources(), request))
        return EncodeAnswer(
            Ended(SyncStatus::NotAllowed, "The time service may not sync from this source"));
    return EncodeAnswer(request.source == horolux::TimeSource::Page ? SyncFromPage()
                                                                    : SyncFromSource(request));
}

}  // namespace service
