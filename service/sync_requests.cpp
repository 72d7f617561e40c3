#include "service/sync_requests.h"

#include "core/service/allow_list.h"
#include "core/service/service_names.h"
#include "core/service/status_report.h"
#include "core/settings/policy.h"
#include "core/sync/sync_outcome.h"
#include "core/timesource/source_entry.h"
#include "service/service_log.h"
#include "timesync/http_stack.h"
#include "timesync/sync_procedure.h"
#include "timesync/system_time.h"

using horolux::SyncAnswer;
using horolux::SyncStatus;

namespace timeservice {

namespace {

horolux::SystemTime UniversalNow() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return timesync::ToPortableTime(now);
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : ", ") + text;
    return joined;
}

// What a request asked for, as an administrator would allow it: the allow-list's entries.
std::string Asked(const horolux::SyncRequest& request) {
    if (request.source == horolux::TimeSource::Page) return horolux::SourceEntryText({});
    std::string asked;
    for (const horolux::SourceEntry& entry : request.sources)
        asked += (asked.empty() ? "" : " ") + horolux::SourceEntryText(entry);
    return asked;
}

std::string SourcesUsed(const SyncAnswer& answer, const std::string& source) {
    std::vector<std::string> used;
    for (const horolux::SourceRow& row : answer.sources)
        if (row.verdict == horolux::SourceVerdict::Used) used.push_back(row.name);
    return used.empty() ? source : Joined(used);
}

std::string Reason(const SyncAnswer& answer) {
    std::string reason = horolux::service::SyncStatusName(answer.status);
    if (!answer.failure.empty()) reason += ": " + answer.failure;
    std::vector<std::string> verdicts;
    for (const horolux::SourceRow& row : answer.sources)
        verdicts.push_back(row.name + " " + horolux::VerdictText(row));
    if (!verdicts.empty()) reason += " (" + Joined(verdicts) + ")";
    return reason;
}

std::vector<std::uint8_t> Refuse(std::size_t size, horolux::service::ReadError error,
                                 const std::string& client) {
    const char* why = horolux::service::ReadErrorText(error);
    RecordEvent(ServiceEvent::RequestMalformed, {client, why, std::to_string(size)});
    return horolux::service::EncodeAnswer(horolux::EndedAnswer(SyncStatus::BadRequest, why));
}

}  // namespace

Requests::Requests(const horolux::SystemTime& runningSince) : runningSince_(runningSince) {}

std::vector<std::uint8_t> Requests::Answer(std::span<const std::uint8_t> bytes,
                                           const std::string& client) {
    // Only a request that says it is a status request is read as one: every other reads as a
    // sync request did before there was a status request.
    if (horolux::service::RequestKind(bytes) == horolux::service::kKindStatusRequest) {
        const horolux::service::ReadError error = horolux::service::ReadStatusRequest(bytes);
        if (error != horolux::service::ReadError::None) return Refuse(bytes.size(), error, client);
        return AnswerStatus();
    }
    const horolux::service::RequestRead read = horolux::service::ReadRequest(bytes);
    if (!read.request) return Refuse(bytes.size(), read.error, client);
    return AnswerSync(*read.request, client);
}

AllowListInForce Requests::ReadAllowList() {
    AllowListInForce inForce = ReadAllowListInForce();
    const std::string place =
        std::string("HKEY_LOCAL_MACHINE\\") +
        (inForce.fromPolicy ? horolux::policy::kKey : horolux::service::kServiceKey) + "\\" +
        horolux::service::kAllowedSourcesValue;
    std::string fault;
    if (inForce.unreadable)
        fault = "unreadable " + place;
    else if (!inForce.ignored.empty())
        fault = "ignored " + place + ": " + Joined(inForce.ignored);
    if (fault != listFault_) {
        if (inForce.unreadable)
            RecordEvent(ServiceEvent::AllowListUnreadable, {place});
        else if (!inForce.ignored.empty())
            RecordEvent(ServiceEvent::AllowListEntriesIgnored, {place, Joined(inForce.ignored)});
    }
    listFault_ = fault;
    return inForce;
}

std::vector<std::uint8_t> Requests::AnswerSync(const horolux::SyncRequest& request,
                                               const std::string& client) {
    const std::string source = horolux::SourceName(request);
    // The administrators' requirement of authenticated answers holds whatever the client asked.
    horolux::SyncRequest inForce = request;
    if (PolicyRequiresAuthenticated()) inForce.requireAuthenticated = true;
    // Of several sources, those on the list are measured and the others named in the answer.
    const horolux::service::AllowedRequest allowed =
        horolux::service::AllowedPart(ReadAllowList().list, inForce);
    if (!allowed.request) {
        RecordEvent(ServiceEvent::RequestNotAllowed, {client, Asked(request)});
        return horolux::service::EncodeAnswer(horolux::EndedAnswer(
            SyncStatus::NotAllowed, "The time service may not sync from this source"));
    }
    // Large corrections are made only when the request allows them: nobody is there to ask.
    SyncAnswer answer =
        timesync::RunSyncRequest(*allowed.request, {timesync::WinHttpStack(), refused_, {}, {}});
    for (const std::string& name : allowed.notAllowed) {
        horolux::SourceRow row;
        row.name = name;
        row.verdict = horolux::SourceVerdict::NotAllowed;
        answer.sources.push_back(std::move(row));
    }
    if (answer.status == SyncStatus::Ok) {
        const std::string unknown = "unknown";
        RecordEvent(
            ServiceEvent::ClockSet,
            {horolux::service::MomentText(answer.before),
             horolux::service::MomentText(answer.after),
             answer.measured ? (answer.offset < 0 ? "" : "+") +
                                   horolux::service::ExactSeconds(answer.offset) + " s"
                             : unknown,
             answer.measured ? horolux::service::ExactSeconds(answer.bound) + " s" : unknown,
             SourcesUsed(answer, source) + (answer.authenticated ? " (authenticated)" : ""),
             client});
    } else {
        RecordEvent(ServiceEvent::SyncFailed, {source, Reason(answer), client});
    }
    lastSync_ = horolux::service::LastSync{UniversalNow(), client, source, answer};
    return horolux::service::EncodeAnswer(answer);
}

std::vector<std::uint8_t> Requests::AnswerStatus() {
    const AllowListInForce inForce = ReadAllowList();
    horolux::service::StatusAnswer status;
    status.runningSince = runningSince_;
    status.allowListFromPolicy = inForce.fromPolicy;
    status.allowListUnreadable = inForce.unreadable;
    status.allowList = inForce.entries;
    status.ignored = inForce.ignored;
    status.policy = ReadPolicyInForce();
    status.lastSync = lastSync_;
    return EncodeStatusAnswer(status);
}

}  // namespace timeservice
