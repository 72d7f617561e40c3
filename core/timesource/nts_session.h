#pragma once
// What key establishments gave, kept between NTS-protected exchanges: per key-establishment
// server, the two keys, the NTP server to ask and the cookies not used yet. A cookie is used once
// (a second use would let an observer link the requests), so each exchange takes one and an
// authentic answer brings fresh ones.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/timesource/ntp_packet.h"
#include "core/timesource/nts_ke.h"

namespace horolux {

// What one key establishment gave: the keys, the NTP server to ask, and the cookies left.
struct NtsSession {
    std::vector<std::uint8_t> clientToServer, serverToClient;
    std::string ntpHost;
    std::uint16_t ntpPort = kNtpPort;
    std::deque<std::vector<std::uint8_t>> cookies;
};

// One exchange's share of a session: a cookie no other exchange gets, and what goes with it.
struct NtsTicket {
    std::vector<std::uint8_t> cookie;
    std::vector<std::uint8_t> clientToServer, serverToClient;
    std::string ntpHost;
    std::uint16_t ntpPort = kNtpPort;
    // For BuildNtsRequest: with the cookie itself, enough to fill the jar to kMaxNtsCookies again.
    std::size_t placeholders = 0;

private:
    friend class NtsCookieJar;
    std::string key_;
    std::uint64_t session_ = 0;  // which Store under key_ it came from
};

// Sessions kept per key-establishment server ("host:port", host lower-cased), shared by every
// measurement of the process and safe to use from several threads.
class NtsCookieJar {
public:
    // After a key establishment: replaces what the server had (its newest kMaxNtsCookies kept).
    void Store(std::string_view host, std::uint16_t port, NtsSession session);
    // Before an exchange: the oldest cookie with its session's keys and NTP server; nothing when
    // no cookie is left, and then keys are to be established again.
    std::optional<NtsTicket> Take(std::string_view host, std::uint16_t port);
    // After an authentic answer: its fresh cookies, newest kept up to kMaxNtsCookies. Dropped when
    // the ticket's session has been replaced or forgotten since: they belong to the old keys.
    void Add(const NtsTicket& ticket, const std::vector<std::vector<std::uint8_t>>& cookies);
    // After an NTS NAK: the ticket's session is dropped, unless a newer one replaced it already.
    void Forget(const NtsTicket& ticket);
    std::size_t CookiesLeft(std::string_view host, std::uint16_t port) const;

private:
    struct Entry {
        std::uint64_t id = 0;
        NtsSession session;
    };
    static std::string Key(std::string_view host, std::uint16_t port);
    Entry* Find(const NtsTicket& ticket);

    mutable std::mutex mutex_;
    std::map<std::string, Entry, std::less<>> sessions_;
    std::uint64_t lastId_ = 0;
};

}  // namespace horolux
