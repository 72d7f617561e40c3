#pragma once
// Network Time Security key establishment (RFC 8915, section 4): the records a client sends over
// TLS to ask for NTPv4 with AEAD_AES_SIV_CMAC_256, and the strict reader of the server's answer.
// The TLS session itself, the exported keys and the NTP exchange are the caller's.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace horolux {

inline constexpr std::uint16_t kNtsKePort = 4460;
inline constexpr char kNtsKeAlpn[] = "ntske/1";
inline constexpr std::uint16_t kNtsNextProtocolNtpV4 = 0;
inline constexpr std::uint16_t kAeadAesSivCmac256 = 15;
inline constexpr std::size_t kAeadAesSivCmac256KeySize = 32;
// The TLS exporter's label; its context is NtsExporterContext.
inline constexpr char kNtsExporterLabel[] = "EXPORTER-network-time-security";

// An answer longer than this is not read: a server has no reason to send more.
inline constexpr std::size_t kMaxNtsKeAnswer = 16384;
// Cookies kept of one answer, and the largest one taken.
inline constexpr std::size_t kMaxNtsCookies = 8;
inline constexpr std::size_t kMaxNtsCookieSize = 1024;

// Next Protocol NTPv4, AEAD Algorithm AES-SIV-CMAC-256 and End of Message, each critical.
std::vector<std::uint8_t> NtsKeRequest();

// The exporter's context for the client-to-server key (false) or the server-to-client key (true):
// the next protocol, the AEAD algorithm, then 0 or 1.
std::array<std::uint8_t, 5> NtsExporterContext(bool serverToClient);

struct NtsKeAnswer {
    enum class Outcome {
        Ok,          // the server agreed and gave cookies
        Incomplete,  // no End of Message yet: more bytes may come
        Refused,     // not an answer to use; failure says why
    };
    Outcome outcome = Outcome::Incomplete;
    std::vector<std::vector<std::uint8_t>> cookies;  // at most kMaxNtsCookies
    std::string server;                              // empty: the key establishment's host
    std::uint16_t port = 123;                        // the NTP port to ask
    std::string failure;                             // in words, when Refused
};

// Reads the records of bytes up to End of Message; what follows it is not read. Refused: an Error
// or Warning record (with its code in words), an unknown critical record, a Next Protocol other
// than NTPv4 alone, an AEAD algorithm other than AES-SIV-CMAC-256 alone, either missing or given
// twice, a server name that is empty or not printable ASCII, a port record not of two bytes, a
// cookie that is empty or over kMaxNtsCookieSize, no cookie, or more than kMaxNtsKeAnswer bytes
// without an End of Message.
NtsKeAnswer ReadNtsKeAnswer(std::span<const std::uint8_t> bytes);

}  // namespace horolux
