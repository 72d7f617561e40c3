#pragma once
// A TLS server's certificate judged by Windows: its chain built by the chain engine from the
// system's stores (so an enterprise's own roots and policy-distributed CAs count as for any
// Windows program) and checked with the SSL policy for the host name the user gave.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/timesource/unix_micros.h"

struct _CERT_CONTEXT;
struct _CERT_CHAIN_CONTEXT;

namespace timesync {

using CertificateChain = std::vector<std::vector<std::uint8_t>>;  // DER, the server's own first

// chain: the certificates the server sent. Nothing when Windows accepts it for host with its
// validity dates judged at moment (or not judged at all); otherwise why not, in words.
std::optional<std::string> ServerCertificateRefusal(const CertificateChain& chain,
                                                    const std::string& host,
                                                    std::optional<horolux::UnixMicros> moment);

// The rule for the validity dates of a time source's certificate, whose source found the PC's
// clock offset off: they are judged at the time the source vouches for, never at the PC's clock
// alone, because the PC's clock may be the very thing that is wrong (a PC whose battery died boots
// years behind and could otherwise never heal). A correction of a day or more is made only as
// every such correction is: asked, or on the word of authenticated sources of two operators. A
// smaller one must suit the PC's clock as well, so that a key stolen after its certificate ran
// out cannot move the clock unasked.
std::optional<std::string> TimeSourceCertificateRefusal(const CertificateChain& chain,
                                                        const std::string& host,
                                                        horolux::UnixMicros offset);

// The certificates of a chain that an HTTP stack hands out (WinINet), or of a server's certificate
// and the store it came in (WinHTTP), in the order ServerCertificateRefusal takes them.
CertificateChain CertificatesOf(const _CERT_CHAIN_CONTEXT* chain);
CertificateChain CertificatesOf(const _CERT_CONTEXT* serverCertificate);

}  // namespace timesync
