#include "timesync/web_clock.h"

#include "core/timesource/date_bracket.h"
#include "core/timesource/http_date.h"
#include "core/timesource/http_url.h"
#include "platform/win32.h"
#include "timesync/precise_clock.h"

namespace timesync {

using horolux::TimeMeasurement;
using horolux::UnixMicros;

namespace {

TimeMeasurement Failed(TimeMeasurement::Outcome outcome, std::string failure, int requests = 0) {
    TimeMeasurement m;
    m.outcome = outcome;
    m.failure = std::move(failure);
    m.requests = requests;
    return m;
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

// A server that refreshes a cached Date on its own schedule may step its second once while it is
// bracketed; it is measured once more from scratch before it is refused.
constexpr int kMaxAttempts = 2;
constexpr char kClockJumped[] = "The server's clock jumped while it was measured";

constexpr char kNotSecure[] = "The answer did not come from the server over a secure connection";
constexpr char kCertificateChanged[] = "The server's certificate changed while it was measured";

// One bracketing of the server's second over connection, at most DateBracket::kMaxRequests
// requests, none sent after lastSend (the interval is then as narrow as the answers made it);
// Refused with kClockJumped when the answers contradict each other. Over https every answer must
// have come over a secure connection with one and the same certificate, which certificates keeps.
TimeMeasurement BracketOnce(HttpConnection& connection, const std::string& path, bool secure,
                            UnixMicros lastSend, const std::function<void()>& progress,
                            CertificateChain& certificates) {
    horolux::DateBracket bracket;
    UnixMicros shortest = -1;
    while (bracket.Status() == horolux::BracketStatus::Measuring) {
        const UnixMicros send = bracket.NextSendTime(PreciseNowMicros());
        // Out of time: what the answers so far bracket is still true, only wider.
        if (send > lastSend && bracket.Requests() == 0)
            return Failed(TimeMeasurement::Outcome::Unreachable, "The server answers too slowly");
        if (send > lastSend) break;
        WaitUntil(send);
        const auto answer = connection.Head(path);
        if (progress) progress();
        if (!answer)
            return Failed(TimeMeasurement::Outcome::Unreachable, "Cannot reach the server",
                          bracket.Requests() + 1);
        if (secure && answer->certificates.empty())
            return Failed(TimeMeasurement::Outcome::Refused, kNotSecure, bracket.Requests() + 1);
        if (secure && !certificates.empty() && answer->certificates != certificates)
            return Failed(TimeMeasurement::Outcome::Refused, kCertificateChanged,
                          bracket.Requests() + 1);
        if (secure) certificates = std::move(answer->certificates);
        const auto value = horolux::FindDateHeader(answer->headers);
        if (!value)
            return Failed(TimeMeasurement::Outcome::Refused, "The server sends no Date header",
                          bracket.Requests() + 1);
        const auto second =
            horolux::ParseHttpDate(*value, answer->answered / horolux::kMicrosPerSecond);
        if (!second)
            return Failed(TimeMeasurement::Outcome::Refused,
                          "The server's Date header is unreadable", bracket.Requests() + 1);
        const UnixMicros roundTrip = answer->answered - answer->sent;
        if (shortest < 0 || roundTrip < shortest) shortest = roundTrip;
        bracket.Take(answer->sent, *second, answer->answered);
    }
    if (bracket.Status() == horolux::BracketStatus::Inconsistent)
        return Failed(TimeMeasurement::Outcome::Refused, kClockJumped, bracket.Requests());
    TimeMeasurement m;
    m.outcome = TimeMeasurement::Outcome::Ok;
    m.offset = bracket.Offset();
    m.bound = bracket.Bound();
    m.roundTrip = shortest;
    m.requests = bracket.Requests();
    return m;
}

}  // namespace

TimeMeasurement MeasureWebClock(const std::string& url, const std::function<void()>& progress,
                                HttpStack& http, std::uint32_t timeLimitMs) {
    const auto parts = horolux::ParseHttpUrl(url);
    if (!parts)
        return Failed(TimeMeasurement::Outcome::Refused, "Not an http:// or https:// address");
    const auto connection = http.Connect(*parts);
    if (!connection)
        return Failed(TimeMeasurement::Outcome::Unreachable, "Cannot reach the server");

    const UnixMicros lastSend =
        PreciseNowMicros() + timeLimitMs * (horolux::kMicrosPerSecond / 1000);
    int requests = 0;
    for (int attempt = 1;; ++attempt) {
        CertificateChain certificates;
        TimeMeasurement m =
            BracketOnce(*connection, parts->path, parts->secure, lastSend, progress, certificates);
        requests += m.requests;
        m.requests = requests;
        if (m.failure == kClockJumped && attempt < kMaxAttempts) continue;
        if (m.outcome != TimeMeasurement::Outcome::Ok || !parts->secure) return m;
        // Judged once the server's time is known: the PC's clock may be the one that is wrong.
        if (auto refusal = TimeSourceCertificateRefusal(certificates, parts->host, m.offset))
            return Failed(TimeMeasurement::Outcome::Refused, *refusal, requests);
        m.authenticated = true;
        return m;
    }
}

}  // namespace timesync
