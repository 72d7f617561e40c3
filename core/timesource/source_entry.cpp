#include "core/timesource/source_entry.h"

#include <algorithm>
#include <cstdint>

#include "core/text/ascii.h"
#include "core/timesource/http_url.h"
#include "core/timesource/nts_ke.h"
#include "core/timesource/time_source.h"

namespace horolux {

namespace {

constexpr std::string_view kPageEntry = "page";
constexpr std::string_view kServerPrefix = "server";
constexpr std::string_view kNtsPrefix = "nts";
constexpr std::string_view kWebPrefix = "web";

// ASCII only: a byte of the ANSI code page is compared as it is, whatever the locale.
void LowerAscii(std::string::iterator first, std::string::iterator last) {
    for (; first != last; ++first) *first = AsciiLower(*first);
}

std::optional<ServerAddress> CanonicalServer(std::string_view text, std::uint16_t defaultPort) {
    std::optional<ServerAddress> server = ParseServerText(text, defaultPort);
    if (server) LowerAscii(server->host.begin(), server->host.end());
    return server;
}

bool IsIpv6(const std::string& host) {
    return host.find(':') != std::string::npos;
}

// "HOST" or "HOST:PORT", the port only when it is not the kind's own; an IPv6 address goes in
// brackets, always with its port, so that its last group is not taken for one.
std::string ServerValue(const ServerAddress& server, std::uint16_t defaultPort) {
    const bool ipv6 = IsIpv6(server.host);
    std::string text = ipv6 ? '[' + server.host + ']' : server.host;
    if (ipv6 || server.port != defaultPort) text += ':' + std::to_string(server.port);
    return text;
}

// The host, with its port only when it is not the kind's own.
std::string ServerName(const ServerAddress& server, std::uint16_t defaultPort) {
    if (server.port == defaultPort) return server.host;
    return (IsIpv6(server.host) ? '[' + server.host + ']' : server.host) + ':' +
           std::to_string(server.port);
}

// Scheme and host in lower case, the rest as written; nothing for a URL the program would not
// use. The host is found the way UrlHost finds it.
std::optional<std::string> CanonicalUrl(std::string_view url) {
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
    // A blank means the same encoded, and a list of entries on one line is split at blanks.
    for (std::size_t blank; (blank = key.find(' ')) != std::string::npos;)
        key.replace(blank, 1, "%20");
    return key;
}

SourceEntry Server(TimeSource kind, ServerAddress server) {
    SourceEntry entry;
    entry.kind = kind;
    entry.server = std::move(server);
    return entry;
}

SourceEntry Web(std::string url) {
    SourceEntry entry;
    entry.kind = TimeSource::WebServer;
    entry.url = std::move(url);
    return entry;
}

}  // namespace

bool SourceEntry::operator==(const SourceEntry& other) const {
    if (kind != other.kind) return false;
    switch (kind) {
        case TimeSource::TimeServer:
        case TimeSource::NtsServer:
            return server.host == other.server.host && server.port == other.server.port;
        case TimeSource::WebServer:
            return url == other.url;
        default:
            return true;
    }
}

std::optional<SourceEntry> ReadSourceEntry(std::string_view entryText) {
    const std::string_view text = TrimBlanks(entryText);
    if (AsciiLower(text) == kPageEntry) return SourceEntry{};
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string prefix = AsciiLower(TrimBlanks(text.substr(0, colon)));
    const std::string_view value = TrimBlanks(text.substr(colon + 1));
    // An empty server text is the program's default server; an entry must name its host.
    if (prefix == kServerPrefix && !value.empty()) {
        if (auto server = CanonicalServer(value, kNtpPort))
            return Server(TimeSource::TimeServer, std::move(*server));
    } else if (prefix == kNtsPrefix && !value.empty()) {
        if (auto server = CanonicalServer(value, kNtsKePort))
            return Server(TimeSource::NtsServer, std::move(*server));
    } else if (prefix == kWebPrefix) {
        if (auto url = CanonicalUrl(value)) return Web(std::move(*url));
    }
    return std::nullopt;
}

std::optional<SourceEntry> SourceEntryOf(TimeSource source, std::string_view text) {
    switch (source) {
        case TimeSource::Page:
            if (text.empty()) return SourceEntry{};
            return std::nullopt;
        case TimeSource::TimeServer:
            // The program's rule for its stored values: the default server only when empty.
            if (text.empty()) return std::nullopt;
            if (auto server = CanonicalServer(text, kNtpPort))
                return Server(TimeSource::TimeServer, std::move(*server));
            return std::nullopt;
        case TimeSource::WebServer:
            // Blanks after the URL are the only ones UrlHost lets through; entries drop them too.
            if (!UrlHost(text)) return std::nullopt;
            if (auto url = CanonicalUrl(TrimBlanks(text))) return Web(std::move(*url));
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::string SourceEntryValue(const SourceEntry& entry) {
    switch (entry.kind) {
        case TimeSource::TimeServer:
            return ServerValue(entry.server, kNtpPort);
        case TimeSource::NtsServer:
            return ServerValue(entry.server, kNtsKePort);
        case TimeSource::WebServer:
            return entry.url;
        default:
            return {};
    }
}

std::string SourceEntryText(const SourceEntry& entry) {
    switch (entry.kind) {
        case TimeSource::TimeServer:
            return std::string(kServerPrefix) + ':' + SourceEntryValue(entry);
        case TimeSource::NtsServer:
            return std::string(kNtsPrefix) + ':' + SourceEntryValue(entry);
        case TimeSource::WebServer:
            return std::string(kWebPrefix) + ':' + SourceEntryValue(entry);
        default:
            return std::string(kPageEntry);
    }
}

SourceEntriesRead ReadSourceEntries(const std::vector<std::string>& texts) {
    SourceEntriesRead read;
    for (const std::string& text : texts) {
        if (auto entry = ReadSourceEntry(text))
            read.entries.push_back(std::move(*entry));
        else
            read.ignored.push_back(text);
    }
    return read;
}

std::vector<std::string> SourceEntryTexts(const std::vector<SourceEntry>& entries) {
    std::vector<std::string> texts;
    for (const SourceEntry& entry : entries) texts.push_back(SourceEntryText(entry));
    return texts;
}

std::string SourceEntryName(const SourceEntry& entry) {
    switch (entry.kind) {
        case TimeSource::TimeServer:
            return ServerName(entry.server, kNtpPort);
        case TimeSource::NtsServer:
            return ServerName(entry.server, kNtsKePort);
        case TimeSource::WebServer: {
            const auto parts = SplitHttpUrl(entry.url);
            if (!parts) return entry.url;
            const std::string host(parts->host);
            if (parts->port.empty()) return host;
            return (IsIpv6(host) ? '[' + host + ']' : host) + ':' + std::string(parts->port);
        }
        default:
            return kTimePageHostName;
    }
}

}  // namespace horolux
