// Any datagram a server or a spoofer may send must be read without a fault; the reader never
// accepts what fails one of its rules, always names the first rule broken, and an accepted
// answer's timestamps unfold into moments that fold back to the same fields.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "core/timesource/ntp_exchange.h"
#include "core/timesource/ntp_packet.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using horolux::NtpRefusal;
using horolux::NtpTimestamp;
using horolux::fuzz::Check;

std::uint64_t Take64(const std::uint8_t*& data, std::size_t& size) {
    std::uint64_t v = 0;
    for (int i = 0; i < 8 && size > 0; ++i, ++data, --size) v = v << 8 | *data;
    return v;
}

std::uint32_t Read32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The first rule the bytes break, checked straight from the bytes.
NtpRefusal Expected(std::span<const std::uint8_t> d, NtpTimestamp sent) {
    if (d.size() < 48) return NtpRefusal::TooShort;
    const int leap = d[0] >> 6, version = (d[0] >> 3) & 7, mode = d[0] & 7, stratum = d[1];
    if (mode != 4) return NtpRefusal::NotServerMode;
    if (version != 3 && version != 4) return NtpRefusal::BadVersion;
    if (Read32(&d[24]) != sent.seconds || Read32(&d[28]) != sent.fraction)
        return NtpRefusal::OriginateMismatch;
    if (stratum == 0) return NtpRefusal::KissOfDeath;
    if (stratum > 15) return NtpRefusal::StratumTooHigh;
    if (leap == 3) return NtpRefusal::Unsynchronised;
    if (Read32(&d[40]) == 0 && Read32(&d[44]) == 0) return NtpRefusal::ZeroTransmit;
    return NtpRefusal::None;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool echoOriginate = data[0] & 1;  // half the inputs pass the originate check
    ++data, --size;
    // The PC's clock: anywhere within about ±29,000 years of 1970.
    const auto pc =
        static_cast<horolux::UnixMicros>(Take64(data, size) >> 4) - (std::int64_t{1} << 59);
    NtpTimestamp sent{0x12345678u, 0x9ABCDEF0u};
    if (echoOriginate && size >= 32) sent = {Read32(data + 24), Read32(data + 28)};

    const std::span<const std::uint8_t> datagram(data, size);
    const horolux::NtpReading r = horolux::ReadNtpAnswer(datagram, sent);
    Check(r.refusal == Expected(datagram, sent), "the refusal names the first rule broken");
    Check((r.refusal == NtpRefusal::KissOfDeath) == (r.kissCode.size() == 4),
          "a kiss, and only a kiss, carries a four-character code");
    if (r.refusal != NtpRefusal::None) return 0;

    const horolux::NtpExchange e = horolux::MakeNtpExchange(pc, r.answer, pc + 1000);
    for (auto [t, stamp] : {std::pair{e.t2, r.answer.receive}, {e.t3, r.answer.transmit}}) {
        Check(std::llabs(t / 1'000'000 - pc / 1'000'000) <= (std::int64_t{1} << 31) + 1,
              "a stamp unfolds into the era nearest the PC's clock");
        // The fraction was rounded to the microsecond (2^32 / 10^6 units): folding back lands
        // within one of it, across a carry into the seconds too.
        const NtpTimestamp back = horolux::ToNtpTimestamp(t);
        const std::uint64_t was = std::uint64_t{stamp.seconds} << 32 | stamp.fraction;
        const std::uint64_t now = std::uint64_t{back.seconds} << 32 | back.fraction;
        const auto gap = static_cast<std::int64_t>(now - was);
        Check(gap >= -4296 && gap <= 4296, "an unfolded stamp folds back to the same fields");
    }
    const horolux::NtpEstimate est = horolux::EstimateNtp(e);
    Check(est.delay >= 0, "the delay is never negative");
    Check(est.bound >= (est.delay + 1) / 2, "the bound covers half the delay");
    return 0;
}
