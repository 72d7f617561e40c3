#include "timesync/sntp_client.h"

#include <optional>
#include <random>
#include <vector>

#include "platform/sockets.h"  // first: Winsock before the other Windows headers
#include "timesync/precise_clock.h"

namespace timesync {

using horolux::NtpExchange;
using horolux::NtpRefusal;
using horolux::TimeMeasurement;
using horolux::UnixMicros;

namespace {

TimeMeasurement Failed(TimeMeasurement::Outcome outcome, std::string failure) {
    TimeMeasurement m;
    m.outcome = outcome;
    m.failure = std::move(failure);
    return m;
}

// A UDP socket connected to the server, so only its datagrams arrive; none when the name does
// not resolve or no address can be used.
platform::Socket ConnectTo(const horolux::ServerAddress& server) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    platform::AddressList addresses;
    const std::string port = std::to_string(server.port);
    if (getaddrinfo(server.host.c_str(), port.c_str(), &hints, addresses.Receive()) != 0) return {};
    for (const addrinfo* a = addresses.Get(); a; a = a->ai_next) {
        platform::Socket s(socket(a->ai_family, a->ai_socktype, a->ai_protocol));
        if (s && connect(s.Get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) return s;
    }
    return {};
}

// Waits up to waitMicros for a datagram; its bytes, or nothing.
std::optional<std::vector<std::uint8_t>> Receive(SOCKET s, UnixMicros waitMicros) {
    if (waitMicros <= 0) return std::nullopt;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait{static_cast<long>(waitMicros / 1000000), static_cast<long>(waitMicros % 1000000)};
    if (select(0, &readable, nullptr, nullptr, &wait) != 1) return std::nullopt;
    std::vector<std::uint8_t> datagram(512);
    const int got =
        recv(s, reinterpret_cast<char*>(datagram.data()), static_cast<int>(datagram.size()), 0);
    // A closed port answers with an ICMP message, which Winsock reports here.
    if (got < 0) return std::nullopt;
    datagram.resize(static_cast<std::size_t>(got));
    return datagram;
}

std::string RefusalText(NtpRefusal refusal, const std::string& kissCode) {
    if (refusal == NtpRefusal::KissOfDeath)
        return "The server refused to answer (kiss-o'-death " + kissCode + ")";
    return std::string("The server's answer was refused (") + horolux::NtpRefusalText(refusal) +
           ")";
}

}  // namespace

TimeMeasurement MeasureTimeServer(const std::string& serverText, horolux::RefusedServers& refused,
                                  const std::function<void()>& progress) {
    const auto server = horolux::ParseServerText(serverText);
    if (!server) return Failed(TimeMeasurement::Outcome::Refused, "Not a time server name");
    return MeasureTimeServer(*server, refused, progress);
}

TimeMeasurement MeasureTimeServer(const horolux::ServerAddress& server,
                                  horolux::RefusedServers& refused,
                                  const std::function<void()>& progress) {
    if (refused.IsRefused(server))
        return Failed(TimeMeasurement::Outcome::Refused,
                      "The server asked not to be queried again (kiss-o'-death)");

    const platform::WinsockSession winsock;
    if (!winsock)
        return Failed(TimeMeasurement::Outcome::Unreachable, "The network cannot be used");
    const platform::Socket socket = ConnectTo(server);
    if (!socket) return Failed(TimeMeasurement::Outcome::Unreachable, "Cannot find the server");

    std::random_device random;
    std::vector<NtpExchange> exchanges;
    std::string lastRefusal;
    const UnixMicros deadline = PreciseNowMicros() + horolux::kNtpExchangeWindow;
    for (int sent = 0; sent < horolux::kMaxNtpExchanges && PreciseNowMicros() < deadline; ++sent) {
        const UnixMicros t1 = PreciseNowMicros();
        const horolux::NtpTimestamp transmit = horolux::RequestTransmitTimestamp(t1, random());
        const horolux::NtpPacket request = horolux::BuildNtpRequest(transmit);
        if (send(socket.Get(), reinterpret_cast<const char*>(request.data()),
                 static_cast<int>(request.size()), 0) != static_cast<int>(request.size()))
            break;
        // Answers to an earlier request or from a blind spoofer are passed over, not waited out.
        while (auto datagram = Receive(socket.Get(), deadline - PreciseNowMicros())) {
            const UnixMicros t4 = PreciseNowMicros();
            const horolux::NtpReading reading = horolux::ReadNtpAnswer(*datagram, transmit);
            if (reading.refusal == NtpRefusal::OriginateMismatch) continue;
            if (reading.refusal == NtpRefusal::None) {
                exchanges.push_back(horolux::MakeNtpExchange(t1, reading.answer, t4));
                break;
            }
            lastRefusal = RefusalText(reading.refusal, reading.kissCode);
            if (reading.refusal == NtpRefusal::KissOfDeath &&
                horolux::KissStopsQuerying(reading.kissCode)) {
                refused.Refuse(server);
                return Failed(TimeMeasurement::Outcome::Refused, lastRefusal);
            }
            break;
        }
        if (progress) progress();
    }

    const auto best = horolux::BestNtpExchange(exchanges);
    if (!best) {
        if (!lastRefusal.empty()) return Failed(TimeMeasurement::Outcome::Refused, lastRefusal);
        return Failed(TimeMeasurement::Outcome::Unreachable, "No answer from the server");
    }
    const horolux::NtpEstimate estimate = horolux::EstimateNtp(exchanges[*best]);
    TimeMeasurement m;
    m.outcome = TimeMeasurement::Outcome::Ok;
    m.offset = estimate.offset;
    m.bound = estimate.bound;
    m.roundTrip = estimate.delay;
    m.requests = static_cast<int>(exchanges.size());
    return m;
}

}  // namespace timesync
