#pragma once
// The Internet time server source: an SNTP client over UDP (RFC 4330), through Winsock.
#include <functional>
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

}  // namespace timesync
