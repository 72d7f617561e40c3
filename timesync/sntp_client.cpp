#include "timesync/sntp_client.h"

// clang-format off
#include "timesync/udp_exchange.h"  // Winsock: before any other Windows header
// clang-format on

#include <optional>
#include <random>
#include <vector>

#include "timesync/precise_clock.h"

namespace timesync {

using horolux::NtpExchange;
using horolux::NtpRefusal;
using horolux::TimeMeasurement;
using horolux::UnixMicros;

TimeMeasurement FailedMeasurement(TimeMeasurement::Outcome outcome, std::string failure) {
    TimeMeasurement m;
    m.outcome = outcome;
    m.failure = std::move(failure);
    return m;
}

std::string AnswerRefusalText(NtpRefusal refusal, const std::string& kissCode) {
    if (refusal == NtpRefusal::KissOfDeath)
        return "The server refused to answer (kiss-o'-death " + kissCode + ")";
    return AnswerRefusalText(horolux::NtpRefusalText(refusal));
}

std::string AnswerRefusalText(const std::string& why) {
    return "The server's answer was refused (" + why + ")";
}

std::optional<TimeMeasurement> SilencedByKiss(const horolux::ServerAddress& server,
                                              const horolux::RefusedServers& refused) {
    if (!refused.IsRefused(server)) return std::nullopt;
    return FailedMeasurement(TimeMeasurement::Outcome::Refused,
                             "The server asked not to be queried again (kiss-o'-death)");
}

TimeMeasurement MeasurementOf(std::span<const NtpExchange> exchanges,
                              const std::string& lastRefusal) {
    const auto best = horolux::BestNtpExchange(exchanges);
    if (!best) {
        if (!lastRefusal.empty())
            return FailedMeasurement(TimeMeasurement::Outcome::Refused, lastRefusal);
        return FailedMeasurement(TimeMeasurement::Outcome::Unreachable,
                                 "No answer from the server");
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

TimeMeasurement MeasureTimeServer(const std::string& serverText, horolux::RefusedServers& refused,
                                  const std::function<void()>& progress) {
    const auto server = horolux::ParseServerText(serverText);
    if (!server)
        return FailedMeasurement(TimeMeasurement::Outcome::Refused, "Not a time server name");
    return MeasureTimeServer(*server, refused, progress);
}

TimeMeasurement MeasureTimeServer(const horolux::ServerAddress& server,
                                  horolux::RefusedServers& refused,
                                  const std::function<void()>& progress) {
    if (auto silenced = SilencedByKiss(server, refused)) return *silenced;
    const platform::WinsockSession winsock;
    if (!winsock)
        return FailedMeasurement(TimeMeasurement::Outcome::Unreachable,
                                 "The network cannot be used");
    const platform::Socket socket = ConnectUdp(server);
    if (!socket)
        return FailedMeasurement(TimeMeasurement::Outcome::Unreachable, "Cannot find the server");

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
        while (auto datagram = ReceiveDatagram(socket.Get(), deadline - PreciseNowMicros())) {
            const UnixMicros t4 = PreciseNowMicros();
            const horolux::NtpReading reading = horolux::ReadNtpAnswer(*datagram, transmit);
            if (reading.refusal == NtpRefusal::OriginateMismatch) continue;
            if (reading.refusal == NtpRefusal::None) {
                exchanges.push_back(horolux::MakeNtpExchange(t1, reading.answer, t4));
                break;
            }
            lastRefusal = AnswerRefusalText(reading.refusal, reading.kissCode);
            if (reading.refusal == NtpRefusal::KissOfDeath &&
                horolux::KissStopsQuerying(reading.kissCode)) {
                refused.Refuse(server);
                return FailedMeasurement(TimeMeasurement::Outcome::Refused, lastRefusal);
            }
            break;
        }
        if (progress) progress();
    }

    return MeasurementOf(exchanges, lastRefusal);
}

}  // namespace timesync
