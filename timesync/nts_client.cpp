#include "timesync/nts_client.h"

// clang-format off
#include "timesync/udp_exchange.h"  // Winsock: before any other Windows header
// clang-format on

#include <openssl/rand.h>

#include <array>
#include <optional>
#include <random>
#include <vector>

#include "core/timesource/nts_ke.h"
#include "timesync/nts_cipher.h"
#include "timesync/nts_key_establishment.h"
#include "timesync/precise_clock.h"
#include "timesync/sntp_client.h"

namespace timesync {

using horolux::NtsRefusal;
using horolux::TimeMeasurement;
using horolux::UnixMicros;

namespace {

// A key establishment is a TCP connection and a TLS handshake: a few round trips.
constexpr std::uint32_t kKeyEstablishmentMs = 2000;

template <std::size_t N>
bool Random(std::array<std::uint8_t, N>& out) {
    return RAND_bytes(out.data(), static_cast<int>(out.size())) == 1;
}

std::string RefusalText(const horolux::NtsReading& reading) {
    if (reading.refusal == NtsRefusal::Ntp)
        return AnswerRefusalText(reading.ntp.refusal, reading.ntp.kissCode);
    return AnswerRefusalText(horolux::NtsRefusalText(reading.refusal));
}

}  // namespace

horolux::NtsCookieJar& NtsSessions() {
    // Never destroyed: a measurement of the Automatic source may still be running on its own
    // thread when the process ends.
    static horolux::NtsCookieJar* const jar = new horolux::NtsCookieJar;
    return *jar;
}

TimeMeasurement MeasureNtsServer(const horolux::ServerAddress& server,
                                 horolux::RefusedServers& refused,
                                 const std::function<void()>& progress) {
    if (auto silenced = SilencedByKiss(server, refused)) return *silenced;
    const platform::WinsockSession winsock;
    if (!winsock)
        return FailedMeasurement(TimeMeasurement::Outcome::Unreachable,
                                 "The network cannot be used");

    horolux::NtsCookieJar& jar = NtsSessions();
    std::optional<horolux::NtsTicket> ticket = jar.Take(server.host, server.port);
    // A new session's certificate, its dates judged once the exchanges found the time; a session
    // kept in the jar had its dates judged when it was made.
    std::optional<CertificateChain> certificates;
    if (!ticket) {
        NtsKeyEstablishment ke = EstablishNtsKeys(server, kKeyEstablishmentMs);
        if (ke.outcome != NtsKeyEstablishment::Outcome::Ok)
            return FailedMeasurement(ke.outcome == NtsKeyEstablishment::Outcome::Refused
                                         ? TimeMeasurement::Outcome::Refused
                                         : TimeMeasurement::Outcome::Unreachable,
                                     ke.failure);
        certificates = std::move(ke.certificates);
        jar.Store(server.host, server.port, std::move(ke.session));
        ticket = jar.Take(server.host, server.port);
        if (!ticket)
            return FailedMeasurement(TimeMeasurement::Outcome::Refused,
                                     "The time server gave no cookie");
    }
    const horolux::NtsTicket first = *ticket;
    // Every ticket of one session names the same server; the socket is made for the first.
    const platform::Socket socket = ConnectUdp({ticket->ntpHost, ticket->ntpPort});
    if (!socket)
        return FailedMeasurement(TimeMeasurement::Outcome::Unreachable, "Cannot find the server");

    AesSivCmac256 aead;
    std::random_device random;
    std::vector<horolux::NtpExchange> exchanges;
    std::string lastRefusal;
    std::optional<horolux::NtsTicket> refusedCookie;  // the ticket an NTS NAK answered
    const UnixMicros deadline = PreciseNowMicros() + horolux::kNtpExchangeWindow;
    for (int sent = 0; sent < horolux::kMaxNtpExchanges && PreciseNowMicros() < deadline; ++sent) {
        if (!ticket) ticket = jar.Take(server.host, server.port);
        if (!ticket) break;
        horolux::NtsUniqueId uniqueId{};
        std::array<std::uint8_t, horolux::kNtsNonceSize> nonce{};
        if (!Random(uniqueId) || !Random(nonce)) break;
        const UnixMicros t1 = PreciseNowMicros();
        const horolux::NtpTimestamp transmit = horolux::RequestTransmitTimestamp(t1, random());
        const auto request =
            horolux::BuildNtsRequest(transmit, uniqueId, ticket->cookie, ticket->placeholders,
                                     ticket->clientToServer, nonce, aead);
        if (!request ||
            send(socket.Get(), reinterpret_cast<const char*>(request->data()),
                 static_cast<int>(request->size()), 0) != static_cast<int>(request->size()))
            break;
        const horolux::NtsTicket used = std::move(*ticket);
        ticket.reset();  // a cookie is sent once
        // Only an authentic answer is the server's: anything else may be a forgery raced ahead of
        // it (a NAK too), so it is noted and the wait goes on.
        while (auto datagram = ReceiveDatagram(socket.Get(), deadline - PreciseNowMicros())) {
            const UnixMicros t4 = PreciseNowMicros();
            const horolux::NtsReading reading =
                horolux::ReadNtsAnswer(*datagram, transmit, uniqueId, used.serverToClient, aead);
            if (reading.authentic) jar.Add(used, reading.cookies);
            if (reading.refusal == NtsRefusal::None) {
                exchanges.push_back(horolux::MakeNtpExchange(t1, reading.ntp.answer, t4));
                break;
            }
            const bool stale = reading.refusal == NtsRefusal::UniqueIdMismatch ||
                               (reading.refusal == NtsRefusal::Ntp && !reading.authentic);
            if (stale) continue;
            lastRefusal = RefusalText(reading);
            if (reading.refusal == NtsRefusal::Nak) refusedCookie = used;
            if (!reading.authentic) continue;
            if (reading.ntp.refusal == horolux::NtpRefusal::KissOfDeath &&
                horolux::KissStopsQuerying(reading.ntp.kissCode)) {
                refused.Refuse(server);
                return FailedMeasurement(TimeMeasurement::Outcome::Refused, lastRefusal);
            }
            break;  // the server's own refusal of this request
        }
        if (progress) progress();
    }
    // A NAK that no authentic answer contradicted: the server no longer takes these cookies, so
    // the next sync establishes keys anew.
    if (refusedCookie && exchanges.empty()) jar.Forget(*refusedCookie);

    TimeMeasurement m = MeasurementOf(exchanges, lastRefusal);
    if (certificates) {
        // Only a session whose certificate the PC's clock accepts is kept for later syncs, which
        // judge no certificate.
        if (ServerCertificateRefusal(*certificates, server.host, PreciseNowMicros()))
            jar.Forget(first);
        const auto refusal =
            m.outcome == TimeMeasurement::Outcome::Ok
                ? TimeSourceCertificateRefusal(*certificates, server.host, m.offset)
                : std::nullopt;
        if (refusal) return FailedMeasurement(TimeMeasurement::Outcome::Refused, *refusal);
    }
    m.authenticated = m.outcome == TimeMeasurement::Outcome::Ok;
    return m;
}

}  // namespace timesync
