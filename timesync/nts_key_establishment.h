#pragma once
// NTS key establishment (RFC 8915, section 4): TLS 1.3 with the server, ALPN "ntske/1", the
// server's certificate judged by Windows (its dates left to the caller), the request sent and the
// answer read, and the two keys exported from the TLS session.
#include <cstdint>
#include <string>

#include "core/timesource/ntp_exchange.h"
#include "core/timesource/nts_session.h"
#include "timesync/server_certificate.h"

namespace timesync {

struct NtsKeyEstablishment {
    enum class Outcome { Ok, Unreachable, Refused };
    Outcome outcome = Outcome::Unreachable;
    horolux::NtsSession session;  // Ok: the keys, the NTP server to ask and the cookies
    std::string failure;          // in words, when not Ok
    // Ok: the certificates the server sent, accepted for its name; their validity dates are for
    // the caller to judge at the time the exchanges find (TimeSourceCertificateRefusal).
    CertificateChain certificates;
};

// server: the key-establishment server's host and port. Gives up after timeLimitMs.
NtsKeyEstablishment EstablishNtsKeys(const horolux::ServerAddress& server,
                                     std::uint32_t timeLimitMs);

}  // namespace timesync
