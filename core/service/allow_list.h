#pragma once
// The sources the time service may sync from, as administrators write them in the registry
// (REG_MULTI_SZ, one entry per string):
//   "page"                              the time page
//   "server:HOST" or "server:HOST:PORT" an Internet time server (HOST as the user writes it, an
//                                       IPv6 address with a port in brackets; no port means 123)
//   "nts:HOST" or "nts:HOST:PORT"       a time server asked over Network Time Security (PORT
//                                       of its key establishment; no port means 4460)
//   "web:URL"                           a web-server clock (an http:// or https:// URL)
// Blanks around an entry, its prefix and its value are ignored; prefixes and host names compare
// case-insensitively; a URL's scheme and host compare case-insensitively and the rest exactly.
// The list keeps a program that may talk to the service from turning it against any host.
#include <optional>
#include <string>
#include <vector>

#include "core/sync/sync_request.h"
#include "core/timesource/ntp_exchange.h"

namespace horolux::service {

struct AllowList {
    bool page = false;
    std::vector<ServerAddress> servers;     // hosts in lower case
    std::vector<ServerAddress> ntsServers;  // the same, ports of their key establishment
    std::vector<std::string> urls;          // scheme and host in lower case
};

struct AllowListRead {
    AllowList list;
    std::vector<std::string> ignored;  // the entries that did not read, as written
};
AllowListRead ParseAllowList(const std::vector<std::string>& entries);

// Whether the service may sync from the one source the request names (the page, a server or a web
// clock).
bool IsAllowed(const AllowList& list, const SyncRequest& request);

// An Automatic request cut down to the sources the list allows (in the request's order), and the
// names of those it does not; nothing allowed when none is. Any other request is allowed whole or
// not at all, as IsAllowed says.
struct AllowedRequest {
    std::optional<SyncRequest> request;
    std::vector<std::string> notAllowed;  // SourceEntryName of each source left out
};
AllowedRequest AllowedPart(const AllowList& list, const SyncRequest& request);

// The entries the installer writes: the time page, the default time server and web clock, and
// the Automatic source's default list.
std::vector<std::string> DefaultAllowList();

// The entry that allows exactly this request's one source; empty for a request no entry allows.
std::string AllowListEntry(const SyncRequest& request);

}  // namespace horolux::service
