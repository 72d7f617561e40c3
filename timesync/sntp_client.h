#pragma once
// The Internet time server source: an SNTP client over UDP (RFC 4330), through Winsock.
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "core/timesource/ntp_exchange.h"
#include "core/timesource/time_source.h"

namespace timesync {

// Measures the PC clock's offset against the server named by serverText ("host" or "host:port"):
// up to four exchanges within two seconds, the one with the shortest round trip kept. A server
// that sent "RATE" or "DENY" is put in refused and not asked again. progress is called after each
// exchange, so a waiting window can show that it is alive.
horolux::TimeMeasurement MeasureTimeServer(const std::string& serverText,
                                           horolux::RefusedServers& refused,
                                           const std::function<void()>& progress = {});
horolux::TimeMeasurement MeasureTimeServer(const horolux::ServerAddress& server,
                                           horolux::RefusedServers& refused,
                                           const std::function<void()>& progress = {});

// What a time server source's exchanges found: the one with the shortest round trip, or, of none,
// the last refusal (Refused) or no answer (Unreachable).
horolux::TimeMeasurement MeasurementOf(std::span<const horolux::NtpExchange> exchanges,
                                       const std::string& lastRefusal);

// The refusal of a server that said "RATE" or "DENY" this session; nothing for one that may be
// asked.
std::optional<horolux::TimeMeasurement> SilencedByKiss(const horolux::ServerAddress& server,
                                                       const horolux::RefusedServers& refused);

horolux::TimeMeasurement FailedMeasurement(horolux::TimeMeasurement::Outcome outcome,
                                           std::string failure);

// "The server's answer was refused (WHY)"; a kiss-o'-death says its code instead.
std::string AnswerRefusalText(horolux::NtpRefusal refusal, const std::string& kissCode);
std::string AnswerRefusalText(const std::string& why);

}  // namespace timesync
