#include "core/service/allow_list.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/timesource/source_entry.h"

namespace horolux::service {

namespace {

bool Holds(const std::vector<ServerAddress>& servers, const ServerAddress& server) {
    return std::any_of(servers.begin(), servers.end(), [&](const ServerAddress& s) {
        return s.host == server.host && s.port == server.port;
    });
}

bool Allows(const AllowList& list, const SourceEntry& entry) {
    switch (entry.kind) {
        case TimeSource::Page:
            return list.page;
        case TimeSource::TimeServer:
            return Holds(list.servers, entry.server);
        case TimeSource::NtsServer:
            return Holds(list.ntsServers, entry.server);
        case TimeSource::WebServer:
            return std::find(list.urls.begin(), list.urls.end(), entry.url) != list.urls.end();
        default:
            return false;
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
        else if (entry->kind == TimeSource::NtsServer)
            read.list.ntsServers.push_back(entry->server);
        else
            read.list.urls.push_back(entry->url);
    }
    return read;
}

bool IsAllowed(const AllowList& list, const SyncRequest& request) {
    if (request.source == TimeSource::Page) return list.page && request.sources.empty();
    return request.source != TimeSource::Automatic && request.sources.size() == 1 &&
           request.sources[0].kind == request.source && Allows(list, request.sources[0]);
}

AllowedRequest AllowedPart(const AllowList& list, const SyncRequest& request) {
    AllowedRequest allowed;
    if (request.source != TimeSource::Automatic) {
        if (IsAllowed(list, request)) allowed.request = request;
        return allowed;
    }
    SyncRequest part = request;
    part.sources.clear();
    for (const SourceEntry& entry : request.sources) {
        // The page tells whole seconds only: it is not one of several sources.
        if (entry.kind != TimeSource::Page && Allows(list, entry))
            part.sources.push_back(entry);
        else
            allowed.notAllowed.push_back(SourceEntryName(entry));
    }
    if (!part.sources.empty()) allowed.request = std::move(part);
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
    if (request.source == TimeSource::Page && request.sources.empty()) return SourceEntryText({});
    if (request.source == TimeSource::Automatic || request.sources.size() != 1) return {};
    return SourceEntryText(request.sources[0]);
}

}  // namespace horolux::service
