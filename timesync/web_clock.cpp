#include "timesync/web_clock.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/timesource/date_bracket.h"
#include "core/timesource/http_date.h"
#include "framework/handles.h"  // brings <wininet.h>
#include "timesync/precise_clock.h"
#include "timesync/time_client.h"

using horolux::TimeMeasurement;
using horolux::UnixMicros;

namespace {

constexpr char kAgentName[] = "Horolux";

TimeMeasurement Failed(TimeMeasurement::Outcome outcome, std::string failure, int requests = 0) {
    TimeMeasurement m;
    m.outcome = outcome;
    m.failure = std::move(failure);
    m.requests = requests;
    return m;
}

struct UrlParts {
    bool secure = false;
    std::string host, path;
    INTERNET_PORT port = 0;
};

std::optional<UrlParts> CrackUrl(const std::string& url) {
    char host[256] = {}, path[2048] = {}, extra[2048] = {};
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts))
        return std::nullopt;
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)
        return std::nullopt;
    UrlParts u;
    u.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    u.host = host;
    u.port = parts.nPort;
    u.path = std::string(path) + extra;
    if (u.path.empty()) u.path = "/";
    if (u.host.empty()) return std::nullopt;
    return u;
}

// Waits until the PC's clock reads moment: sleeps most of the way, then spins, because a request
// sent late widens what its answer can tell.
void WaitUntil(UnixMicros moment) {
    for (;;) {
        const UnixMicros left = moment - PreciseNowMicros();
        if (left <= 0) return;
        if (left > 20000)
            Sleep(static_cast<DWORD>((left - 15000) / 1000));
        else
            SwitchToThread();
    }
}

struct Answer {
    enum class Kind { Ok, NoAnswer, NoDate, BadDate } kind = Kind::NoAnswer;
    UnixMicros t0 = 0, t2 = 0;
    std::int64_t second = 0;
};

Answer Ask(HINTERNET connection, const UrlParts& url) {
    const char* accept[] = {"*/*", nullptr};
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI;
    if (url.secure) flags |= INTERNET_FLAG_SECURE;
    const fw::InternetHandle request(
        HttpOpenRequestA(connection, "HEAD", url.path.c_str(), nullptr, nullptr, accept, flags, 0));
    Answer a;
    if (!request) return a;
    a.t0 = PreciseNowMicros();
    const BOOL sent = HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0);
    a.t2 = PreciseNowMicros();
    if (!sent) return a;
    std::string headers(16384, '\0');
    DWORD size = static_cast<DWORD>(headers.size());
    if (!HttpQueryInfoA(request.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &size,
                        nullptr)) {
        a.kind = Answer::Kind::NoDate;
        return a;
    }
    headers.resize(std::min<std::size_t>(size, headers.size()));
    const auto value = horolux::FindDateHeader(headers);
    if (!value) {
        a.kind = Answer::Kind::NoDate;
        return a;
    }
    const auto second = horolux::ParseHttpDate(*value, a.t2 / horolux::kMicrosPerSecond);
    if (!second) {
        a.kind = Answer::Kind::BadDate;
        return a;
    }
    a.kind = Answer::Kind::Ok;
    a.second = *second;
    return a;
}

}  // namespace

TimeMeasurement MeasureWebClock(const std::string& url, const std::function<void()>& progress) {
    const auto parts = CrackUrl(url);
    if (!parts)
        return Failed(TimeMeasurement::Outcome::Refused, "Not an http:// or https:// address");
    // PRECONFIG: the system's proxy settings decide the route, as for any page the user opens.
    const fw::InternetHandle root(
        InternetOpenA(kAgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!root)
        return Failed(TimeMeasurement::Outcome::Unreachable, "The Internet functions cannot start");
    BoundInternetWaits(root.Get());
    const fw::InternetHandle connection(InternetConnectA(root.Get(), parts->host.c_str(),
                                                         parts->port, nullptr, nullptr,
                                                         INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
        return Failed(TimeMeasurement::Outcome::Unreachable, "Cannot reach the server");
    BoundInternetWaits(connection.Get());

    horolux::DateBracket bracket;
    UnixMicros shortest = -1;
    while (bracket.Status() == horolux::BracketStatus::Measuring) {
        WaitUntil(bracket.NextSendTime(PreciseNowMicros()));
        const Answer a = Ask(connection.Get(), *parts);
        if (progress) progress();
        switch (a.kind) {
            case Answer::Kind::NoAnswer:
                return Failed(TimeMeasurement::Outcome::Unreachable, "Cannot reach the server",
                              bracket.Requests() + 1);
            case Answer::Kind::NoDate:
                return Failed(TimeMeasurement::Outcome::Refused, "The server sends no Date header",
                              bracket.Requests() + 1);
            case Answer::Kind::BadDate:
                return Failed(TimeMeasurement::Outcome::Refused,
                              "The server's Date header is unreadable", bracket.Requests() + 1);
            case Answer::Kind::Ok:
                break;
        }
        const UnixMicros roundTrip = a.t2 - a.t0;
        if (shortest < 0 || roundTrip < shortest) shortest = roundTrip;
        bracket.Take(a.t0, a.second, a.t2);
    }
    if (bracket.Status() == horolux::BracketStatus::Inconsistent)
        return Failed(TimeMeasurement::Outcome::Refused,
                      "The server's clock jumped while it was measured", bracket.Requests());
    TimeMeasurement m;
    m.outcome = TimeMeasurement::Outcome::Ok;
    m.offset = bracket.Offset();
    m.bound = bracket.Bound();
    m.roundTrip = shortest;
    m.requests = bracket.Requests();
    return m;
}
