#pragma once
// The SNTP packet (RFC 4330, RFC 5905): the 48-byte client request, the reading of a server's
// answer with every reason to refuse one, and the conversion between NTP timestamps and the
// program's time. Windows-free; the Win32 side only sends and receives the bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/timesource/unix_micros.h"

namespace horolux {

inline constexpr std::size_t kNtpPacketSize = 48;
inline constexpr std::uint16_t kNtpPort = 123;
inline constexpr char kDefaultTimeServer[] = "time.windows.com";

// Seconds from the start of NTP era 0 (1900-01-01) to the Unix epoch.
inline constexpr std::int64_t kNtpEpochToUnix = 2'208'988'800;
// Seconds in one NTP era: the 32-bit seconds field wraps on 2036-02-07 06:28:16 UTC.
inline constexpr std::int64_t kNtpEraSeconds = std::int64_t{1} << 32;

// The request's transmit timestamp carries T1 down to 1/256 s; its lower fraction bits are a
// random nonce, so that only an answer to this very request can echo it back.
inline constexpr int kNtpNonceBits = 24;

// NTP 64-bit timestamp: seconds of the era and binary fraction of a second.
struct NtpTimestamp {
    std::uint32_t seconds = 0;
    std::uint32_t fraction = 0;
    friend bool operator==(const NtpTimestamp&, const NtpTimestamp&) = default;
};

using NtpPacket = std::array<std::uint8_t, kNtpPacketSize>;

// The era folded away; the fraction is rounded down, so reading it back gives t again.
NtpTimestamp ToNtpTimestamp(UnixMicros t);

// Unix seconds of a 32-bit NTP seconds field, taken in the era that puts it nearest to
// nearUnixSeconds (the PC's clock). Exact for moments less than 68 years from it.
std::int64_t UnfoldNtpSeconds(std::uint32_t seconds, std::int64_t nearUnixSeconds);

// A timestamp as a moment, unfolded around near; the fraction rounded to the microsecond.
UnixMicros FromNtpTimestamp(NtpTimestamp t, UnixMicros near);

// NTP short format (16.16 unsigned seconds: root delay, root dispersion) in microseconds.
std::int64_t ShortFormatToMicros(std::uint32_t value);

// The transmit timestamp a request carries: t1 with its lowest kNtpNonceBits replaced by nonce.
NtpTimestamp RequestTransmitTimestamp(UnixMicros t1, std::uint32_t nonce);

// LI 0, VN 4, mode 3, everything else zero but the transmit timestamp.
NtpPacket BuildNtpRequest(NtpTimestamp transmit);

// Why an answer is not used; None for one that passes every check. Checked in this order.
enum class NtpRefusal {
    None,
    TooShort,           // fewer than 48 bytes
    NotServerMode,      // mode is not 4
    BadVersion,         // version is not 3 or 4
    OriginateMismatch,  // not an answer to the request sent: a stale or blindly spoofed packet
    KissOfDeath,        // stratum 0: the reference identifier carries a kiss code
    StratumTooHigh,     // stratum above 15
    Unsynchronised,     // leap indicator 3: the server's own clock is not set
    ZeroTransmit,       // no transmit timestamp
};

// The fields of an answer as sent; root delay and dispersion still in short format.
struct NtpAnswer {
    std::uint8_t leap = 0;
    std::uint8_t version = 0;
    std::uint8_t mode = 0;
    std::uint8_t stratum = 0;
    std::int8_t poll = 0;
    std::int8_t precision = 0;
    std::uint32_t rootDelay = 0;
    std::uint32_t rootDispersion = 0;
    std::array<char, 4> referenceId{};
    NtpTimestamp reference;
    NtpTimestamp originate;
    NtpTimestamp receive;   // T2
    NtpTimestamp transmit;  // T3
};

struct NtpReading {
    NtpRefusal refusal = NtpRefusal::TooShort;
    NtpAnswer answer;      // filled whenever 48 bytes arrived, refused or not
    std::string kissCode;  // the four characters of the reference identifier for a kiss
};

// Reads a datagram from the server; sent is the transmit timestamp of the request. Bytes past the
// first 48 (extension fields, a MAC) are ignored.
NtpReading ReadNtpAnswer(std::span<const std::uint8_t> datagram, NtpTimestamp sent);

// A name for logs and tests, e.g. "originate mismatch".
const char* NtpRefusalText(NtpRefusal refusal);

}  // namespace horolux
