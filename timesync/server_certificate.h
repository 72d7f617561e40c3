#pragma once
// A TLS server's certificate judged by Windows: its chain built by the chain engine from the
// system's stores (so an enterprise's own roots and policy-distributed CAs count as for any
// Windows program) and checked with the SSL policy for the host name the user gave.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace timesync {

// chain: the certificates the server sent, DER-encoded, its own first. Nothing when Windows
// accepts it for host; otherwise why not, in words.
std::optional<std::string> ServerCertificateRefusal(
    const std::vector<std::vector<std::uint8_t>>& chain, const std::string& host);

}  // namespace timesync
