#pragma once
// The arithmetic of SNTP exchanges (RFC 5905): offset, round-trip delay and error bound of one
// exchange, the choice among a sync's exchanges, and the servers a kiss-o'-death has silenced.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "core/timesource/ntp_packet.h"

namespace horolux {

// A sync sends at most this many requests to a server, all within the window.
inline constexpr int kMaxNtpExchanges = 4;
inline constexpr UnixMicros kNtpExchangeWindow = 2 * kMicrosPerSecond;

// The four moments of one exchange: t1 and t4 on the PC's clock, t2 and t3 on the server's.
struct NtpExchange {
    UnixMicros t1 = 0;                // request sent
    UnixMicros t2 = 0;                // request received by the server
    UnixMicros t3 = 0;                // answer sent by the server
    UnixMicros t4 = 0;                // answer received
    std::int64_t rootDelay = 0;       // microseconds, of the server's own sync
    std::int64_t rootDispersion = 0;  // microseconds
};

// An accepted answer's exchange: t2 and t3 unfolded into the NTP era nearest to t1. The client
// keeps its own exact t1; the request carried it only to 1/256 s.
NtpExchange MakeNtpExchange(UnixMicros t1, const NtpAnswer& answer, UnixMicros t4);

// All in microseconds; offset is the server's clock minus the PC's.
struct NtpEstimate {
    std::int64_t offset = 0;
    std::int64_t delay = 0;
    std::int64_t bound = 0;
};

// theta = ((t2 - t1) + (t3 - t4)) / 2
std::int64_t NtpOffset(const NtpExchange& e);
// delta = (t4 - t1) - (t3 - t2), never below zero (a server's slow clock or a PC clock step).
std::int64_t NtpDelay(const NtpExchange& e);
// delta / 2 + root dispersion + root delay / 2, halves rounded up.
std::int64_t NtpBound(const NtpExchange& e);
NtpEstimate EstimateNtp(const NtpExchange& e);

// Index of the exchange with the smallest delay (the first of equals); nothing for none.
std::optional<std::size_t> BestNtpExchange(std::span<const NtpExchange> exchanges);

// "RATE" and "DENY" ask the client to stop; other codes only refuse the one answer.
bool KissStopsQuerying(std::string_view code);

// The time server as the user writes it: a host name or address, an optional ":port".
struct ServerAddress {
    std::string host;
    std::uint16_t port = kNtpPort;
};

// Blanks around the text are ignored; an empty text is the default server. An IPv6 address with
// a port goes in brackets ("[::1]:123"); without one it may stand bare. A bad port, an empty host
// or blanks inside give nothing.
std::optional<ServerAddress> ParseServerText(std::string_view text);
// The same for a service whose port is not NTP's: defaultPort when the text gives none.
std::optional<ServerAddress> ParseServerText(std::string_view text, std::uint16_t defaultPort);

// The servers that sent "RATE" or "DENY" this session, keyed by lower-case host and port so
// that "Time.Windows.com" and "time.windows.com:123" are one server.
class RefusedServers {
public:
    void Refuse(const ServerAddress& server);
    bool IsRefused(const ServerAddress& server) const;
    std::size_t Count() const { return keys_.size(); }

private:
    static std::string Key(const ServerAddress& server);
    std::set<std::string> keys_;
};

}  // namespace horolux
