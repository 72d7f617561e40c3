#include "service/sync_requests.h"

#include "core/service/allow_list.h"
#include "core/sync/clock_math.h"
#include "core/sync/sync_outcome.h"
#include "service/allowed_sources.h"
#include "service/service_log.h"
#include "timesync/http_stack.h"
#include "timesync/sync_procedure.h"

using horolux::service::SyncAnswer;
using horolux::service::SyncStatus;

namespace service {

std::vector<std::uint8_t> AnswerSyncRequest(std::span<const std::uint8_t> bytes) {
    const horolux::service::RequestRead read = horolux::service::ReadRequest(bytes);
    if (!read.request) {
        const char* why = horolux::service::ReadErrorText(read.error);
        RecordEvent(ServiceEvent::RequestRefused, std::string("unreadable (") + why + ")");
        return EncodeAnswer(horolux::EndedAnswer(SyncStatus::BadRequest, why));
    }
    const std::string source = horolux::SourceName(horolux::SourceOf(*read.request));
    // Of several sources, those on the list are measured and the others named in the answer.
    const horolux::service::AllowedRequest allowed =
        horolux::service::AllowedPart(ReadAllowListInForce().list, *read.request);
    if (!allowed.request) {
        RecordEvent(ServiceEvent::RequestRefused, "not allowed: " + source);
        return EncodeAnswer(horolux::EndedAnswer(SyncStatus::NotAllowed,
                                                 "The time service may not sync from this source"));
    }
    // A server that said "RATE" or "DENY" is not asked again while the service runs. Large
    // corrections are made only when the request allows them: nobody is there to ask.
    static horolux::RefusedServers refused;
    SyncAnswer answer = RunSyncRequest(*allowed.request, {WinHttpStack(), refused, {}, {}});
    for (const std::string& name : allowed.notAllowed) {
        horolux::service::SourceRow row;
        row.name = name;
        row.verdict = "not allowed";
        answer.sources.push_back(std::move(row));
    }
    if (answer.status == SyncStatus::Ok)
        RecordEvent(ServiceEvent::ClockSet, source + ": " + horolux::FormatTimeText(answer.before) +
                                                " -> " + horolux::FormatTimeText(answer.after));
    else
        RecordEvent(ServiceEvent::SyncFailed,
                    source + ": status " + std::to_string(static_cast<int>(answer.status)) +
                        (answer.failure.empty() ? "" : ", ") + answer.failure);
    return EncodeAnswer(answer);
}

}  // namespace service
