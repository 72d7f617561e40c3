#pragma once
// The NTS source: NTPv4 exchanges protected by Network Time Security (RFC 8915), their keys and
// cookies from the server's key establishment.
#include <functional>

#include "core/timesource/ntp_exchange.h"
#include "core/timesource/nts_session.h"
#include "core/timesource/time_source.h"

namespace timesync {

// Measures the PC clock's offset as MeasureTimeServer does (up to four exchanges within two
// seconds, the shortest round trip kept), with only answers whose authenticator verifies counted.
// server is the key-establishment server. Its cookies are kept for the process's next
// measurement; a key establishment is made when none are left, and its time is not part of any
// round trip. An Ok measurement is authenticated.
horolux::TimeMeasurement MeasureNtsServer(const horolux::ServerAddress& server,
                                          horolux::RefusedServers& refused,
                                          const std::function<void()>& progress = {});

// The keys and cookies this process holds, per key-establishment server.
horolux::NtsCookieJar& NtsSessions();

}  // namespace timesync
