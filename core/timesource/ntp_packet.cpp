#include "core/timesource/ntp_packet.h"

namespace horolux {

namespace {

constexpr std::int64_t kHalfEra = kNtpEraSeconds / 2;
constexpr std::uint32_t kNonceMask = (std::uint32_t{1} << kNtpNonceBits) - 1;

// Byte offsets of the fields in the 48-byte header.
constexpr std::size_t kStratumAt = 1;
constexpr std::size_t kPollAt = 2;
constexpr std::size_t kPrecisionAt = 3;
constexpr std::size_t kRootDelayAt = 4;
constexpr std::size_t kRootDispersionAt = 8;
constexpr std::size_t kReferenceIdAt = 12;
constexpr std::size_t kReferenceAt = 16;
constexpr std::size_t kOriginateAt = 24;
constexpr std::size_t kReceiveAt = 32;
constexpr std::size_t kTransmitAt = 40;

constexpr std::uint8_t kModeClient = 3;
constexpr std::uint8_t kModeServer = 4;
constexpr std::uint8_t kVersion = 4;
constexpr std::uint8_t kLeapUnsynchronised = 3;
constexpr std::uint8_t kMaxStratum = 15;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

std::uint32_t Read32(std::span<const std::uint8_t> p, std::size_t at) {
    return std::uint32_t{p[at]} << 24 | std::uint32_t{p[at + 1]} << 16 |
           std::uint32_t{p[at + 2]} << 8 | std::uint32_t{p[at + 3]};
}

NtpTimestamp ReadTimestamp(std::span<const std::uint8_t> p, std::size_t at) {
    return {Read32(p, at), Read32(p, at + 4)};
}

void Write32(NtpPacket& p, std::size_t at, std::uint32_t v) {
    p[at] = static_cast<std::uint8_t>(v >> 24);
    p[at + 1] = static_cast<std::uint8_t>(v >> 16);
    p[at + 2] = static_cast<std::uint8_t>(v >> 8);
    p[at + 3] = static_cast<std::uint8_t>(v);
}

}  // namespace

NtpTimestamp ToNtpTimestamp(UnixMicros t) {
    const std::int64_t seconds = FloorDiv(t, kMicrosPerSecond);
    const auto micros = static_cast<std::uint64_t>(t - seconds * kMicrosPerSecond);
    // Unsigned conversion keeps the seconds modulo 2^32: the era is folded away here.
    return {static_cast<std::uint32_t>(seconds + kNtpEpochToUnix),
            static_cast<std::uint32_t>((micros << 32) / kMicrosPerSecond)};
}

std::int64_t UnfoldNtpSeconds(std::uint32_t seconds, std::int64_t nearUnixSeconds) {
    const std::int64_t nearNtp = nearUnixSeconds + kNtpEpochToUnix;
    std::int64_t diff =
        std::int64_t{seconds} - (nearNtp - FloorDiv(nearNtp, kNtpEraSeconds) * kNtpEraSeconds);
    if (diff >= kHalfEra) diff -= kNtpEraSeconds;
    if (diff < -kHalfEra) diff += kNtpEraSeconds;
    return nearUnixSeconds + diff;
}

UnixMicros FromNtpTimestamp(NtpTimestamp t, UnixMicros near) {
    const std::int64_t seconds = UnfoldNtpSeconds(t.seconds, FloorDiv(near, kMicrosPerSecond));
    const std::uint64_t micros =
        (std::uint64_t{t.fraction} * kMicrosPerSecond + (std::uint64_t{1} << 31)) >> 32;
    return seconds * kMicrosPerSecond + static_cast<std::int64_t>(micros);
}

std::int64_t ShortFormatToMicros(std::uint32_t value) {
    return static_cast<std::int64_t>(
        (std::uint64_t{value} * kMicrosPerSecond + (std::uint64_t{1} << 15)) >> 16);
}

NtpTimestamp RequestTransmitTimestamp(UnixMicros t1, std::uint32_t nonce) {
    NtpTimestamp stamp = ToNtpTimestamp(t1);
    stamp.fraction = (stamp.fraction & ~kNonceMask) | (nonce & kNonceMask);
    return stamp;
}

NtpPacket BuildNtpRequest(NtpTimestamp transmit) {
    NtpPacket packet{};
    packet[0] = static_cast<std::uint8_t>(kVersion << 3 | kModeClient);  // LI 0
    Write32(packet, kTransmitAt, transmit.seconds);
    Write32(packet, kTransmitAt + 4, transmit.fraction);
    return packet;
}

NtpReading ReadNtpAnswer(std::span<const std::uint8_t> datagram, NtpTimestamp sent) {
    NtpReading reading;
    if (datagram.size() < kNtpPacketSize) return reading;

    NtpAnswer& a = reading.answer;
    a.leap = datagram[0] >> 6;
    a.version = (datagram[0] >> 3) & 7;
    a.mode = datagram[0] & 7;
    a.stratum = datagram[kStratumAt];
    a.poll = static_cast<std::int8_t>(datagram[kPollAt]);
    a.precision = static_cast<std::int8_t>(datagram[kPrecisionAt]);
    a.rootDelay = Read32(datagram, kRootDelayAt);
    a.rootDispersion = Read32(datagram, kRootDispersionAt);
    for (std::size_t i = 0; i < a.referenceId.size(); ++i)
        a.referenceId[i] = static_cast<char>(datagram[kReferenceIdAt + i]);
    a.reference = ReadTimestamp(datagram, kReferenceAt);
    a.originate = ReadTimestamp(datagram, kOriginateAt);
    a.receive = ReadTimestamp(datagram, kReceiveAt);
    a.transmit = ReadTimestamp(datagram, kTransmitAt);

    // The originate check comes before the kiss: a spoofed kiss must not silence a server.
    if (a.mode != kModeServer) {
        reading.refusal = NtpRefusal::NotServerMode;
    } else if (a.version != 3 && a.version != 4) {
        reading.refusal = NtpRefusal::BadVersion;
    } else if (a.originate != sent) {
        reading.refusal = NtpRefusal::OriginateMismatch;
    } else if (a.stratum == 0) {
        // Servers send kisses with LI 3, so the kiss is recognised before the leap indicator.
        reading.refusal = NtpRefusal::KissOfDeath;
        reading.kissCode.assign(a.referenceId.begin(), a.referenceId.end());
    } else if (a.stratum > kMaxStratum) {
        reading.refusal = NtpRefusal::StratumTooHigh;
    } else if (a.leap == kLeapUnsynchronised) {
        reading.refusal = NtpRefusal::Unsynchronised;
    } else if (a.transmit == NtpTimestamp{}) {
        reading.refusal = NtpRefusal::ZeroTransmit;
    } else {
        reading.refusal = NtpRefusal::None;
    }
    return reading;
}

const char* NtpRefusalText(NtpRefusal refusal) {
    switch (refusal) {
        case NtpRefusal::None:
            return "accepted";
        case NtpRefusal::TooShort:
            return "too short";
        case NtpRefusal::NotServerMode:
            return "not server mode";
        case NtpRefusal::BadVersion:
            return "bad version";
        case NtpRefusal::OriginateMismatch:
            return "originate mismatch";
        case NtpRefusal::KissOfDeath:
            return "kiss-o'-death";
        case NtpRefusal::StratumTooHigh:
            return "stratum above 15";
        case NtpRefusal::Unsynchronised:
            return "unsynchronised";
        case NtpRefusal::ZeroTransmit:
            return "zero transmit timestamp";
    }
    return "unknown";
}

}  // namespace horolux
