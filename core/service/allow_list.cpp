#include "core/service/allow_list.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/sync/sync_outcome.h"
#include "core/timesource/source_entry.h"

namespace horolux::service {

namespace {

// The request's text under the program's rules for its stored values (SanitiseTimeSource), as
// written.
std::optional<ServerAddress> RequestServer(const SyncRequest& request) {
    if (request.source != TimeSource::TimeServer || request.text.empty()) return std::nullopt;
    return ParseServerText(request.text);
}

bool Allows(const AllowList& list, const SourceEntry& entry) {
    switch (entry.kind) {
        case TimeSource::Page:
            return list.page;
        case TimeSource::TimeServer:
            return std::any_of(
                list.servers.begin(), list.servers.end(), [&](const ServerAddress& s) {
                    return s.host == entry.server.host && s.port == entry.server.port;
                });
        default:
            return std::find(list.urls.begin(), list.urls.end(), entry.url) != list.urls.end();
    }
}

}  // namespace

AllowListRead ParseAllowList(const std::vector<std::string>& entries) {
    AllowListRead read;
    for (const std::string& text : entries) {
        const std::optional<SourceEntry> entry = ReadSourceEntry(text);
        if (!entry)
            read.ignored.push_back(text);
        else if (entry->kind == TimeSource::Page)
            read.list.page = true;
        else if (entry->kind == TimeSource::TimeServer)
            read.list.servers.push_back(entry->server);
        else
            read.list.urls.push_back(entry->url);
    }
    return read;
}

bool IsAllowed(const AllowList& list, const SyncRequest& request) {
    const std::optional<SourceEntry> entry = SourceEntryOf(request.source, request.text);
    return entry && Allows(list, *entry);
}

AllowedRequest AllowedPart(const AllowList& list, const SyncRequest& request) {
    AllowedRequest allowed;
    if (request.source != TimeSource::Automatic) {
        if (IsAllowed(list, request)) allowed.request = request;
        return allowed;
    }
    TimeSourceChoice part = SourceOf(request);
    const std::vector<std::string> asked = std::move(part.autoSources);
    part.autoSources.clear();
    for (const SourceEntry& entry : ReadSourceEntries(asked).entries) {
        // The page tells whole seconds only: it is not one of several sources.
        if (entry.kind != TimeSource::Page && Allows(list, entry))
            part.autoSources.push_back(SourceEntryText(entry));
        else
            allowed.notAllowed.push_back(SourceEntryName(entry));
    }
    if (part.autoSources.empty()) return allowed;
    allowed.request = SyncRequestFor(part);
    allowed.request->allowLargeCorrection = request.allowLargeCorrection;
    return allowed;
}

std::vector<std::string> DefaultAllowList() {
    std::vector<std::string> list = {"page", std::string("server:") + kDefaultTimeServerText,
                                     std::string("web:") + kDefaultTimeWebUrl};
    for (const std::string& entry : DefaultAutoSources())
        if (std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(entry);
    return list;
}

std::string AllowListEntry(const SyncRequest& request) {
    if (!SourceEntryOf(request.source, request.text)) return {};
    SourceEntry entry;  // as written, not in canonical form
    entry.kind = request.source;
    if (request.source == TimeSource::TimeServer) entry.server = *RequestServer(request);
    if (request.source == TimeSource::WebServer) entry.url = request.text;
    return SourceEntryText(entry);
}

}  // namespace horolux::service
