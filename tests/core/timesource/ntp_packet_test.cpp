#include "core/timesource/ntp_packet.h"

#include <gtest/gtest.h>

#include <vector>

namespace horolux {
namespace {

constexpr std::int64_t kEraBoundary = 2'085'978'496;  // 2036-02-07 06:28:16 UTC
constexpr std::int64_t kIn2026 = 1'767'225'600;       // 2026-01-01 00:00:00 UTC

UnixMicros Micros(std::int64_t seconds, std::int64_t micros = 0) {
    return seconds * kMicrosPerSecond + micros;
}

TEST(NtpTimestamp, ConvertsFromUnixMicrosWithTheEraFolded) {
    const struct {
        const char* name;
        UnixMicros t;
        std::uint32_t seconds, fraction;
    } cases[] = {
        {"Unix epoch", 0, 2'208'988'800u, 0},
        {"half a second", 500'000, 2'208'988'800u, 0x80000000u},
        {"one microsecond before the epoch", -1, 2'208'988'799u, 0xFFFFEF39u},
        {"last second of era 0", Micros(kEraBoundary - 1, 999'999), 0xFFFFFFFFu, 0xFFFFEF39u},
        {"first moment of era 1", Micros(kEraBoundary), 0, 0},
        {"quarter second into era 1", Micros(kEraBoundary + 5, 250'000), 5, 0x40000000u},
        {"NTP epoch 1900", Micros(-2'208'988'800), 0, 0},
    };
    for (const auto& c : cases) {
        const NtpTimestamp got = ToNtpTimestamp(c.t);
        EXPECT_EQ(got.seconds, c.seconds) << c.name;
        EXPECT_EQ(got.fraction, c.fraction) << c.name;
    }
}

TEST(NtpTimestamp, ReadsBackEveryMicrosecondNearItsReference) {
    const UnixMicros moments[] = {
        0,
        Micros(kIn2026, 123'456),
        Micros(kIn2026, 999'999),
        Micros(kEraBoundary - 1, 999'999),
        Micros(kEraBoundary),
        Micros(kEraBoundary, 1),
        Micros(4'000'000'000, 500'001),  // 2096, era 1
        Micros(-1'000'000'000, 7),       // 1938
    };
    for (UnixMicros t : moments) {
        for (std::int64_t shift : {0LL, 1LL, -1LL, 86400LL * 365 * 60, -86400LL * 365 * 60}) {
            const UnixMicros near = t + Micros(shift);
            EXPECT_EQ(FromNtpTimestamp(ToNtpTimestamp(t), near), t)
                << "t " << t << ", reference moved " << shift << " s";
        }
    }
}

TEST(NtpTimestamp, FractionRoundsToTheNearestMicrosecond) {
    const UnixMicros near = Micros(kIn2026);
    const NtpTimestamp base = ToNtpTimestamp(near);
    const struct {
        std::uint32_t fraction;
        std::int64_t micros;
    } cases[] = {
        {0, 0}, {4294, 1}, {2147, 0}, {2148, 1}, {0x80000000u, 500'000}, {0xFFFFFFFFu, 1'000'000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromNtpTimestamp({base.seconds, c.fraction}, near), near + c.micros)
            << c.fraction;
    }
}

TEST(UnfoldNtpSeconds, TakesTheEraNearestThePcClock) {
    const auto ntp = [](std::int64_t unix) {
        return static_cast<std::uint32_t>(unix + kNtpEpochToUnix);
    };
    const struct {
        const char* name;
        std::uint32_t seconds;
        std::int64_t pc;
        std::int64_t want;
    } cases[] = {
        {"PC just before the boundary, server just after", 5, kEraBoundary - 6, kEraBoundary + 5},
        {"PC just after the boundary, server just before", 0xFFFFFFF0u, kEraBoundary + 20,
         kEraBoundary - 16},
        {"both in era 1", 100, kEraBoundary + 90, kEraBoundary + 100},
        {"both in era 0", ntp(kIn2026), kIn2026 + 3, kIn2026},
        {"PC in 2026, server in 2036 after the boundary", 86400, kIn2026, kEraBoundary + 86400},
        {"PC in 2026, server in 1990", ntp(631'152'000), kIn2026, 631'152'000},
        {"PC in 2100, server ten years earlier", ntp(3'786'912'000 - 315'360'000), 3'786'912'000,
         3'786'912'000 - 315'360'000},
        {"PC before 1970", ntp(-100), -50, -100},
        {"PC in 2026, server 68 years ahead wraps back", ntp(kIn2026 + 2'147'483'648LL), kIn2026,
         kIn2026 - 2'147'483'648LL},
        {"PC in 2026, server just under 68 years ahead", ntp(kIn2026 + 2'147'483'647LL), kIn2026,
         kIn2026 + 2'147'483'647LL},
    };
    for (const auto& c : cases) EXPECT_EQ(UnfoldNtpSeconds(c.seconds, c.pc), c.want) << c.name;
}

TEST(ShortFormatToMicros, SixteenBitsEachSide) {
    const struct {
        std::uint32_t value;
        std::int64_t micros;
    } cases[] = {
        {0, 0},
        {0x00010000u, 1'000'000},
        {0x00008000u, 500'000},
        {0x00000001u, 15},  // 15.26 µs
        {0x00000148u, 5'005},
        {0x00024000u, 2'250'000},
        {0xFFFFFFFFu, 65'535'999'985},
    };
    for (const auto& c : cases) EXPECT_EQ(ShortFormatToMicros(c.value), c.micros) << c.value;
}

TEST(RequestTransmitTimestamp, CarriesT1AndTheNonce) {
    const UnixMicros t1 = Micros(kIn2026, 734'567);
    const NtpTimestamp exact = ToNtpTimestamp(t1);
    const std::uint32_t lowMask = (1u << kNtpNonceBits) - 1;
    for (std::uint32_t nonce : {0u, 1u, 0xABCDEFu, 0xFFFFFFFFu, 0x12000000u}) {
        const NtpTimestamp stamp = RequestTransmitTimestamp(t1, nonce);
        EXPECT_EQ(stamp.seconds, exact.seconds);
        EXPECT_EQ(stamp.fraction & ~lowMask, exact.fraction & ~lowMask) << nonce;
        EXPECT_EQ(stamp.fraction & lowMask, nonce & lowMask) << nonce;
        // Still T1 to within 1/256 s.
        EXPECT_LT(std::abs(FromNtpTimestamp(stamp, t1) - t1), 3'907) << nonce;
    }
    EXPECT_NE(RequestTransmitTimestamp(t1, 1), RequestTransmitTimestamp(t1, 2));
}

TEST(BuildNtpRequest, VersionFourClientModeAndTheTransmitTimestamp) {
    const NtpPacket p = BuildNtpRequest({0x01020304u, 0xA0B0C0D0u});
    EXPECT_EQ(p[0], 0x23) << "LI 0, VN 4, mode 3";
    const std::uint8_t transmit[] = {0x01, 0x02, 0x03, 0x04, 0xA0, 0xB0, 0xC0, 0xD0};
    for (std::size_t i = 1; i < kNtpPacketSize; ++i) {
        EXPECT_EQ(p[i], i >= 40 ? transmit[i - 40] : 0) << "byte " << i;
    }
}

// A good server answer to a request stamped kSent; each case spoils one thing.
constexpr NtpTimestamp kSent{0xE9A1B2C3u, 0x5A123456u};

struct AnswerFields {
    int leap = 0, version = 4, mode = 4, stratum = 2;
    std::uint32_t rootDelay = 0x00000148u, rootDispersion = 0x00000290u;
    char refId[4] = {'G', 'P', 'S', 0};
    NtpTimestamp originate = kSent;
    NtpTimestamp receive{0xE9A1B2C4u, 0x10000000u};
    NtpTimestamp transmit{0xE9A1B2C4u, 0x10100000u};
};

void Put32(std::vector<std::uint8_t>& p, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

std::vector<std::uint8_t> Answer(const AnswerFields& f, std::size_t size = kNtpPacketSize) {
    std::vector<std::uint8_t> p(std::max(size, kNtpPacketSize), 0);
    p[0] = static_cast<std::uint8_t>(f.leap << 6 | f.version << 3 | f.mode);
    p[1] = static_cast<std::uint8_t>(f.stratum);
    p[2] = 6;
    p[3] = 0xEC;  // precision -20
    Put32(p, 4, f.rootDelay);
    Put32(p, 8, f.rootDispersion);
    for (int i = 0; i < 4; ++i) p[12 + i] = static_cast<std::uint8_t>(f.refId[i]);
    Put32(p, 16, 0xE9A1B000u);
    const NtpTimestamp stamps[] = {f.originate, f.receive, f.transmit};
    for (int i = 0; i < 3; ++i) {
        Put32(p, 24 + 8 * i, stamps[i].seconds);
        Put32(p, 28 + 8 * i, stamps[i].fraction);
    }
    p.resize(size);
    return p;
}

TEST(ReadNtpAnswer, ReadsEveryFieldOfAGoodAnswer) {
    const NtpReading r = ReadNtpAnswer(Answer({}), kSent);
    ASSERT_EQ(r.refusal, NtpRefusal::None);
    EXPECT_EQ(r.answer.leap, 0);
    EXPECT_EQ(r.answer.version, 4);
    EXPECT_EQ(r.answer.mode, 4);
    EXPECT_EQ(r.answer.stratum, 2);
    EXPECT_EQ(r.answer.poll, 6);
    EXPECT_EQ(r.answer.precision, -20);
    EXPECT_EQ(r.answer.rootDelay, 0x00000148u);
    EXPECT_EQ(r.answer.rootDispersion, 0x00000290u);
    EXPECT_EQ(std::string(r.answer.referenceId.data(), 3), "GPS");
    EXPECT_EQ(r.answer.reference, (NtpTimestamp{0xE9A1B000u, 0}));
    EXPECT_EQ(r.answer.originate, kSent);
    EXPECT_EQ(r.answer.receive, (NtpTimestamp{0xE9A1B2C4u, 0x10000000u}));
    EXPECT_EQ(r.answer.transmit, (NtpTimestamp{0xE9A1B2C4u, 0x10100000u}));
    EXPECT_TRUE(r.kissCode.empty());
}

TEST(ReadNtpAnswer, RefusesEachFaultWithItsReason) {
    const auto with = [](auto change) {
        AnswerFields f;
        change(f);
        return f;
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> datagram;
        NtpRefusal want;
    } cases[] = {
        {"empty", {}, NtpRefusal::TooShort},
        {"47 bytes", Answer({}, 47), NtpRefusal::TooShort},
        {"client mode", Answer(with([](auto& f) { f.mode = 3; })), NtpRefusal::NotServerMode},
        {"broadcast mode", Answer(with([](auto& f) { f.mode = 5; })), NtpRefusal::NotServerMode},
        {"mode 0", Answer(with([](auto& f) { f.mode = 0; })), NtpRefusal::NotServerMode},
        {"version 2", Answer(with([](auto& f) { f.version = 2; })), NtpRefusal::BadVersion},
        {"version 5", Answer(with([](auto& f) { f.version = 5; })), NtpRefusal::BadVersion},
        {"version 0", Answer(with([](auto& f) { f.version = 0; })), NtpRefusal::BadVersion},
        {"originate off by one fraction", Answer(with([](auto& f) { f.originate.fraction ^= 1; })),
         NtpRefusal::OriginateMismatch},
        {"originate off by a second", Answer(with([](auto& f) { f.originate.seconds += 1; })),
         NtpRefusal::OriginateMismatch},
        {"originate zero", Answer(with([](auto& f) { f.originate = {}; })),
         NtpRefusal::OriginateMismatch},
        {"kiss with LI 3", Answer(with([](auto& f) { f.stratum = 0, f.leap = 3; })),
         NtpRefusal::KissOfDeath},
        {"kiss with LI 0", Answer(with([](auto& f) { f.stratum = 0; })), NtpRefusal::KissOfDeath},
        {"spoofed kiss", Answer(with([](auto& f) {
             f.stratum = 0, f.originate = {1, 2};
         })),
         NtpRefusal::OriginateMismatch},
        {"stratum 16", Answer(with([](auto& f) { f.stratum = 16; })), NtpRefusal::StratumTooHigh},
        {"stratum 255", Answer(with([](auto& f) { f.stratum = 255; })), NtpRefusal::StratumTooHigh},
        {"leap indicator 3", Answer(with([](auto& f) { f.leap = 3; })), NtpRefusal::Unsynchronised},
        {"zero transmit", Answer(with([](auto& f) { f.transmit = {}; })), NtpRefusal::ZeroTransmit},
        {"mode before version", Answer(with([](auto& f) { f.mode = 1, f.version = 1; })),
         NtpRefusal::NotServerMode},
        {"version before originate", Answer(with([](auto& f) { f.version = 6, f.originate = {}; })),
         NtpRefusal::BadVersion},
        {"stratum before leap", Answer(with([](auto& f) { f.stratum = 16, f.leap = 3; })),
         NtpRefusal::StratumTooHigh},
        {"leap before transmit", Answer(with([](auto& f) { f.leap = 3, f.transmit = {}; })),
         NtpRefusal::Unsynchronised},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadNtpAnswer(c.datagram, kSent).refusal, c.want)
            << c.name << ": got " << NtpRefusalText(ReadNtpAnswer(c.datagram, kSent).refusal);
    }
}

TEST(ReadNtpAnswer, AcceptsWhatTheRulesAllow) {
    const auto with = [](auto change) {
        AnswerFields f;
        change(f);
        return f;
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> datagram;
    } cases[] = {
        {"version 3", Answer(with([](auto& f) { f.version = 3; }))},
        {"leap second ahead", Answer(with([](auto& f) { f.leap = 1; }))},
        {"leap second behind", Answer(with([](auto& f) { f.leap = 2; }))},
        {"stratum 1", Answer(with([](auto& f) { f.stratum = 1; }))},
        {"stratum 15", Answer(with([](auto& f) { f.stratum = 15; }))},
        {"transmit at the era's first second", Answer(with([](auto& f) {
             f.transmit = {0, 1};
         }))},
        {"transmit with zero fraction", Answer(with([](auto& f) { f.transmit.fraction = 0; }))},
        {"extension fields behind", Answer({}, 68)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadNtpAnswer(c.datagram, kSent).refusal, NtpRefusal::None) << c.name;
    }
}

TEST(ReadNtpAnswer, KissCarriesItsFourCharacters) {
    for (const char* code : {"RATE", "DENY", "RSTR", "INIT"}) {
        AnswerFields f;
        f.stratum = 0, f.leap = 3;
        std::copy(code, code + 4, f.refId);
        const NtpReading r = ReadNtpAnswer(Answer(f), kSent);
        EXPECT_EQ(r.refusal, NtpRefusal::KissOfDeath);
        EXPECT_EQ(r.kissCode, code);
    }
}

TEST(ReadNtpAnswer, OwnRequestReadBackIsNotAnAnswer) {
    const NtpPacket request = BuildNtpRequest(kSent);
    EXPECT_EQ(ReadNtpAnswer(request, kSent).refusal, NtpRefusal::NotServerMode);
}

}  // namespace
}  // namespace horolux
