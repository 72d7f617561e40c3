#include "core/service/allow_list.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/text/ascii.h"

namespace horolux::service {

namespace {

constexpr std::string_view kPageEntry = "page";
constexpr std::string_view kServerPrefix = "server";
constexpr std::string_view kWebPrefix = "web";

// ASCII only: a byte of the ANSI code page is compared as it is, whatever the locale.
void LowerAscii(std::string::iterator first, std::string::iterator last) {
    for (; first != last; ++first) *first = AsciiLower(*first);
}

// A server as the list keeps it: the text read as host[:port], the host in lower case.
std::optional<ServerAddress> ServerKey(std::string_view text) {
    std::optional<ServerAddress> server = ParseServerText(text);
    if (server) LowerAscii(server->host.begin(), server->host.end());
    return server;
}

// A URL as the list keeps it: scheme and host in lower case, the rest as written. Nothing for a
// URL the program would not use. The host is found the way UrlHost finds it.
std::optional<std::string> UrlKey(std::string_view url) {
    if (!UrlHost(url)) return std::nullopt;
    std::string key(url);
    const std::size_t schemeEnd = key.find("://");
    LowerAscii(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(schemeEnd));
    const std::size_t start = schemeEnd + 3;
    const std::size_t end = std::min(key.find_first_of("/?#", start), key.size());
    const std::size_t at = std::string_view(key).substr(start, end - start).rfind('@');
    const std::size_t hostStart = at == std::string_view::npos ? start : start + at + 1;
    const std::size_t hostEnd =
        key[hostStart] == '[' ? key.find(']', hostStart) : std::min(key.find(':', hostStart), end);
    LowerAscii(key.begin() + static_cast<std::ptrdiff_t>(hostStart),
               key.begin() + static_cast<std::ptrdiff_t>(hostEnd));
    return key;
}

bool SameServer(const ServerAddress& a, const ServerAddress& b) {
    return a.host == b.host && a.port == b.port;
}

// The request's text under the program's rules for its stored values (SanitiseTimeSource).
std::optional<ServerAddress> RequestServer(const SyncRequest& request) {
    if (request.source != TimeSource::TimeServer || request.text.empty()) return std::nullopt;
    return ParseServerText(request.text);
}

std::optional<std::string> RequestUrl(const SyncRequest& request) {
    if (request.source != TimeSource::WebServer || !UrlHost(request.text)) return std::nullopt;
    return request.text;
}

}  // namespace

AllowListRead ParseAllowList(const std::vector<std::string>& entries) {
    AllowListRead read;
    for (const std::string& entry : entries) {
        const std::string_view text = TrimBlanks(entry);
        if (AsciiLower(text) == kPageEntry) {
            read.list.page = true;
            continue;
        }
        const std::size_t colon = text.find(':');
        const std::string prefix = colon == std::string_view::npos
                                       ? std::string()
                                       : AsciiLower(TrimBlanks(text.substr(0, colon)));
        const std::string_view value = colon == std::string_view::npos
                                           ? std::string_view()
                                           : TrimBlanks(text.substr(colon + 1));
        // An empty server text is the program's default server; an entry must name its host.
        if (prefix == kServerPrefix && !value.empty()) {
            if (auto server = ServerKey(value)) {
                read.list.servers.push_back(std::move(*server));
                continue;
            }
        } else if (prefix == kWebPrefix) {
            if (auto url = UrlKey(value)) {
                read.list.urls.push_back(std::move(*url));
                continue;
            }
        }
        read.ignored.push_back(entry);
    }
    return read;
}

bool IsAllowed(const AllowList& list, const SyncRequest& request) {
    switch (request.source) {
        case TimeSource::Page:
            return list.page && request.text.empty();
        case TimeSource::TimeServer: {
            if (!RequestServer(request)) return false;
            const std::optional<ServerAddress> server = ServerKey(request.text);
            return std::any_of(list.servers.begin(), list.servers.end(),
                               [&](const ServerAddress& s) { return SameServer(s, *server); });
        }
        case TimeSource::WebServer: {
            if (!RequestUrl(request)) return false;
            // Blanks after the URL are the only ones UrlHost lets through; entries drop them too.
            const std::optional<std::string> url = UrlKey(TrimBlanks(request.text));
            return url && std::find(list.urls.begin(), list.urls.end(), *url) != list.urls.end();
        }
    }
    return false;
}

std::vector<std::string> DefaultAllowList() {
    return {std::string(kPageEntry), std::string(kServerPrefix) + ':' + kDefaultTimeServerText,
            std::string(kWebPrefix) + ':' + kDefaultTimeWebUrl};
}

std::string AllowListEntry(const SyncRequest& request) {
    switch (request.source) {
        case TimeSource::Page:
            return request.text.empty() ? std::string(kPageEntry) : std::string();
        case TimeSource::TimeServer: {
            const std::optional<ServerAddress> server = RequestServer(request);
            if (!server) return {};
            // An IPv6 address goes in brackets, so that its last group is not taken for a port.
            const bool ipv6 = server->host.find(':') != std::string::npos;
            std::string entry =
                std::string(kServerPrefix) + ':' + (ipv6 ? '[' + server->host + ']' : server->host);
            if (ipv6 || server->port != kNtpPort) entry += ':' + std::to_string(server->port);
            return entry;
        }
        case TimeSource::WebServer: {
            const std::optional<std::string> url = RequestUrl(request);
            return url ? std::string(kWebPrefix) + ':' + *url : std::string();
        }
    }
    return {};
}

}  // namespace horolux::service
