#include "core/timesource/ntp_exchange.h"

#include <algorithm>

#include "core/text/ascii.h"
#include "core/timesource/http_url.h"

namespace horolux {

namespace {

std::int64_t HalfUp(std::int64_t v) {
    return v / 2 + v % 2;
}

bool HostCharactersAllowed(std::string_view host) {
    return !host.empty() && std::none_of(host.begin(), host.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '[' || c == ']' || c == '/' ||
               c == '@' || c == 0x7F;
    });
}

}  // namespace

NtpExchange MakeNtpExchange(UnixMicros t1, const NtpAnswer& answer, UnixMicros t4) {
    NtpExchange e;
    e.t1 = t1;
    e.t2 = FromNtpTimestamp(answer.receive, t1);
    e.t3 = FromNtpTimestamp(answer.transmit, t1);
    e.t4 = t4;
    e.rootDelay = ShortFormatToMicros(answer.rootDelay);
    e.rootDispersion = ShortFormatToMicros(answer.rootDispersion);
    return e;
}

std::int64_t NtpOffset(const NtpExchange& e) {
    return ((e.t2 - e.t1) + (e.t3 - e.t4)) / 2;
}

std::int64_t NtpDelay(const NtpExchange& e) {
    return std::max<std::int64_t>(0, (e.t4 - e.t1) - (e.t3 - e.t2));
}

std::int64_t NtpBound(const NtpExchange& e) {
    return HalfUp(NtpDelay(e)) + e.rootDispersion + HalfUp(e.rootDelay);
}

NtpEstimate EstimateNtp(const NtpExchange& e) {
    return {NtpOffset(e), NtpDelay(e), NtpBound(e)};
}

std::optional<std::size_t> BestNtpExchange(std::span<const NtpExchange> exchanges) {
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < exchanges.size(); ++i) {
        if (!best || NtpDelay(exchanges[i]) < NtpDelay(exchanges[*best])) best = i;
    }
    return best;
}

bool KissStopsQuerying(std::string_view code) {
    return code == "RATE" || code == "DENY";
}

std::optional<ServerAddress> ParseServerText(std::string_view text) {
    return ParseServerText(text, kNtpPort);
}

std::optional<ServerAddress> ParseServerText(std::string_view text, std::uint16_t defaultPort) {
    text = TrimBlanks(text);
    ServerAddress server;
    server.port = defaultPort;
    if (text.empty()) {
        server.host = kDefaultTimeServer;
        return server;
    }
    std::string_view host = text;
    std::string_view port;
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = text.substr(1, close - 1);
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return std::nullopt;
            port = rest.substr(1);
            if (port.empty()) return std::nullopt;
        }
        if (host.find(':') == std::string_view::npos) return std::nullopt;  // brackets are IPv6's
    } else if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
        // More than one colon without brackets: a bare IPv6 address, no port.
        if (text.find(':', colon + 1) == std::string_view::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            if (port.empty()) return std::nullopt;
        }
    }
    if (!HostCharactersAllowed(host)) return std::nullopt;
    if (!port.empty()) {
        std::optional<std::uint16_t> number = ReadPort(port);
        if (!number) return std::nullopt;
        server.port = *number;
    }
    server.host.assign(host);
    return server;
}

void RefusedServers::Refuse(const ServerAddress& server) {
    keys_.insert(Key(server));
}

bool RefusedServers::IsRefused(const ServerAddress& server) const {
    return keys_.count(Key(server)) != 0;
}

std::string RefusedServers::Key(const ServerAddress& server) {
    std::string key = AsciiLower(server.host);
    if (!key.empty() && key.back() == '.') key.pop_back();  // the root's dot names the same host
    return key + '/' + std::to_string(server.port);
}

}  // namespace horolux
