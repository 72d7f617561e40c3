#pragma once
// The UDP side of the time server sources (SNTP and NTS): a socket connected to the server and
// the wait for its next datagram.
// clang-format off
#include "platform/sockets.h"  // Winsock: before any other Windows header
// clang-format on
#include <cstdint>
#include <optional>
#include <vector>

#include "core/timesource/ntp_exchange.h"
#include "core/timesource/unix_micros.h"

namespace timesync {

// A UDP socket connected to the server, so only its datagrams arrive; none when the name does
// not resolve or no address can be used.
platform::Socket ConnectUdp(const horolux::ServerAddress& server);

// Waits up to waitMicros for a datagram; its bytes, or nothing.
std::optional<std::vector<std::uint8_t>> ReceiveDatagram(SOCKET s, horolux::UnixMicros waitMicros);

}  // namespace timesync
