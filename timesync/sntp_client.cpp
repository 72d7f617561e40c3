#include "timesync/sntp_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <optional>
#include <random>
#include <vector>

#include "timesync/precise_clock.h"

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

// Winsock for the length of one measurement.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data{};
        ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinsockSession() {
        if (ok_) WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    explicit operator bool() const { return ok_; }

private:
    bool ok_ = false;
};

class Socket {
public:
    explicit Socket(SOCKET s) : s_(s) {}
    ~Socket() {
        if (s_ != INVALID_SOCKET) closesocket(s_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET Get() const { return s_; }
    explicit operator bool() const { return s_ != INVALID_SOCKET; }

private:
    SOCKET s_;
};

struct AddressList {
    addrinfo* head = nullptr;
    ~AddressList() {
        if (head) freeaddrinfo(head);
    }
};

// A UDP socket connected to the server, so only its datagrams arrive; invalid when the name does
// not resolve or no address can be used.
SOCKET ConnectTo(const horolux::ServerAddress& server) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    hints.ai_protocol = IPPROTO_UDP;
    AddressList addresses;
    const std::string port = std::to_string(server.port);
    if (getaddrinfo(server.host.c_str(), port.c_str(), &hints, &addresses.head) != 0)
        return INVALID_SOCKET;
    for (const addrinfo* a = addresses.head; a; a = a->ai_next) {
        SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) continue;
        if (connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0) return s;
        closesocket(s);
    }
    return INVALID_SOCKET;
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
    if (refused.IsRefused(*server))
        return Failed(TimeMeasurement::Outcome::Refused,
                      "The server asked not to be queried again (kiss-o'-death)");

    WinsockSession winsock;
    if (!winsock)
        return Failed(TimeMeasurement::Outcome::Unreachable, "The network cannot be used");
    Socket socket(ConnectTo(*server));
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
                refused.Refuse(*server);
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
