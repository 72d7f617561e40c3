#include "core/timesource/ntp_exchange.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace horolux {
namespace {

constexpr UnixMicros kPc = 1'767'225'600LL * kMicrosPerSecond;  // 2026-01-01
constexpr std::int64_t kMs = 1'000;

// An exchange with a server whose clock runs offset ahead of the PC, the request taking out,
// the server holding it hold and the answer taking back, all in microseconds.
NtpExchange Simulated(std::int64_t offset, std::int64_t out, std::int64_t hold, std::int64_t back,
                      UnixMicros t1 = kPc) {
    NtpExchange e;
    e.t1 = t1;
    e.t2 = t1 + out + offset;
    e.t3 = e.t2 + hold;
    e.t4 = t1 + out + hold + back;
    return e;
}

TEST(NtpExchange, OffsetDelayAndBound) {
    const struct {
        const char* name;
        NtpExchange e;
        std::int64_t offset, delay, bound;
    } cases[] = {
        {"symmetric, server 1.5 s ahead", Simulated(1500 * kMs, 10 * kMs, 1 * kMs, 10 * kMs),
         1500 * kMs, 20 * kMs, 10 * kMs},
        {"symmetric, server 2 s behind", Simulated(-2000 * kMs, 3 * kMs, 0, 3 * kMs), -2000 * kMs,
         6 * kMs, 3 * kMs},
        {"slow way out: offset read too high by half the difference",
         Simulated(250 * kMs, 30 * kMs, 2 * kMs, 10 * kMs), 260 * kMs, 40 * kMs, 20 * kMs},
        {"slow way back: offset read too low", Simulated(250 * kMs, 10 * kMs, 2 * kMs, 30 * kMs),
         240 * kMs, 40 * kMs, 20 * kMs},
        {"odd delay rounds the bound up", Simulated(0, 1, 0, 2), 0, 3, 2},
        {"no delay at all", Simulated(777, 0, 5, 0), 777, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NtpOffset(c.e), c.offset) << c.name;
        EXPECT_EQ(NtpDelay(c.e), c.delay) << c.name;
        EXPECT_EQ(NtpBound(c.e), c.bound) << c.name;
        const NtpEstimate est = EstimateNtp(c.e);
        EXPECT_EQ(est.offset, c.offset) << c.name;
        EXPECT_EQ(est.delay, c.delay) << c.name;
        EXPECT_EQ(est.bound, c.bound) << c.name;
    }
}

TEST(NtpExchange, BoundAddsRootDispersionAndHalfTheRootDelay) {
    NtpExchange e = Simulated(0, 4 * kMs, 0, 4 * kMs);
    e.rootDelay = 11 * kMs + 1;
    e.rootDispersion = 3 * kMs;
    EXPECT_EQ(NtpBound(e), 4 * kMs + 3 * kMs + 5 * kMs + 501);
}

TEST(NtpExchange, DelayIsNeverNegative) {
    // The server claims to have held the request longer than the whole round trip took.
    NtpExchange e = Simulated(0, 1 * kMs, 0, 1 * kMs);
    e.t3 = e.t2 + 5 * kMs;
    EXPECT_EQ(NtpDelay(e), 0);
    EXPECT_EQ(NtpBound(e), 0);
}

TEST(NtpExchange, TrueOffsetLiesWithinTheBoundWhateverTheAsymmetry) {
    std::mt19937_64 rng(20260107);
    std::uniform_int_distribution<std::int64_t> offsetDist(-3600 * kMicrosPerSecond,
                                                           3600 * kMicrosPerSecond);
    std::uniform_int_distribution<std::int64_t> legDist(0, 200 * kMs);
    std::uniform_int_distribution<std::int64_t> holdDist(0, 5 * kMs);
    for (int i = 0; i < 2000; ++i) {
        const std::int64_t offset = offsetDist(rng);
        const std::int64_t out = legDist(rng), back = legDist(rng) / (1 + i % 7);
        const NtpExchange e = Simulated(offset, out, holdDist(rng), back);
        const std::int64_t error = NtpOffset(e) - offset;
        ASSERT_LE(std::abs(error), NtpBound(e)) << "out " << out << ", back " << back;
        ASSERT_EQ(NtpDelay(e), out + back);
    }
}

TEST(MakeNtpExchange, UnfoldsTheServerStampsAroundT1AcrossTheEraBoundary) {
    constexpr std::int64_t kEraBoundary = 2'085'978'496;
    const struct {
        const char* name;
        UnixMicros t1;
        std::int64_t offset;
    } cases[] = {
        {"PC just before 2036, server already after", (kEraBoundary - 1) * kMicrosPerSecond,
         3 * kMicrosPerSecond},
        {"PC just after 2036, server still before", (kEraBoundary + 1) * kMicrosPerSecond,
         -4 * kMicrosPerSecond},
        {"PC in 2026, server in era 1", kPc, (kEraBoundary + 86400) * kMicrosPerSecond - kPc},
        {"PC in 2040, server in 2026", (kEraBoundary + 126'230'400) * kMicrosPerSecond,
         kPc - (kEraBoundary + 126'230'400) * kMicrosPerSecond},
    };
    for (const auto& c : cases) {
        const NtpExchange truth = Simulated(c.offset, 2 * kMs, 1 * kMs, 3 * kMs, c.t1);
        NtpAnswer answer;
        answer.receive = ToNtpTimestamp(truth.t2);
        answer.transmit = ToNtpTimestamp(truth.t3);
        answer.rootDelay = 0x00008000u;       // 0.5 s
        answer.rootDispersion = 0x00000148u;  // about 5 ms
        const NtpExchange e = MakeNtpExchange(c.t1, answer, truth.t4);
        EXPECT_EQ(e.t2, truth.t2) << c.name;
        EXPECT_EQ(e.t3, truth.t3) << c.name;
        EXPECT_EQ(e.t1, truth.t1) << c.name;
        EXPECT_EQ(e.t4, truth.t4) << c.name;
        EXPECT_EQ(e.rootDelay, 500'000) << c.name;
        EXPECT_EQ(e.rootDispersion, 5'005) << c.name;
        EXPECT_EQ(NtpOffset(e), c.offset - kMs / 2) << c.name;
    }
}

TEST(BestNtpExchange, PicksTheSmallestDelay) {
    NtpExchange clamped = Simulated(0, 1 * kMs, 0, 1 * kMs);
    clamped.t3 = clamped.t2 + 9 * kMs;  // delay clamps to 0
    const struct {
        const char* name;
        std::vector<NtpExchange> exchanges;
        std::optional<std::size_t> want;
    } cases[] = {
        {"none", {}, std::nullopt},
        {"one", {Simulated(5, 80 * kMs, 0, 80 * kMs)}, 0},
        {"the third of four",
         {Simulated(5, 40 * kMs, 0, 9 * kMs), Simulated(5, 20 * kMs, 0, 20 * kMs),
          Simulated(5, 2 * kMs, 30 * kMs, 3 * kMs), Simulated(5, 6 * kMs, 0, 6 * kMs)},
         2},
        {"the last", {Simulated(0, 5, 0, 5), Simulated(0, 4, 0, 5), Simulated(0, 4, 0, 4)}, 2},
        {"the first of equals", {Simulated(1, 5, 0, 5), Simulated(2, 2, 0, 8)}, 0},
        {"a clamped delay counts as zero", {Simulated(0, 1, 0, 1), clamped}, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(BestNtpExchange(c.exchanges), c.want) << c.name;
}

TEST(KissStopsQuerying, OnlyRateAndDeny) {
    const struct {
        const char* code;
        bool stops;
    } cases[] = {
        {"RATE", true},  {"DENY", true}, {"RSTR", false}, {"INIT", false},
        {"rate", false}, {"DEN", false}, {"", false},     {"DENYX", false},
    };
    for (const auto& c : cases) EXPECT_EQ(KissStopsQuerying(c.code), c.stops) << c.code;
}

TEST(ParseServerText, HostAndOptionalPort) {
    const struct {
        const char* text;
        const char* host;
        int port;  // 0: refused
    } cases[] = {
        {"", "time.windows.com", 123},
        {"   ", "time.windows.com", 123},
        {"pool.ntp.org", "pool.ntp.org", 123},
        {"  pool.ntp.org\t", "pool.ntp.org", 123},
        {"127.0.0.1:10123", "127.0.0.1", 10123},
        {"localhost:65535", "localhost", 65535},
        {"[::1]:124", "::1", 124},
        {"[::1]", "::1", 123},
        {"fe80::1", "fe80::1", 123},
        {"host:", nullptr, 0},
        {":123", nullptr, 0},
        {"host:0", nullptr, 0},
        {"host:65536", nullptr, 0},
        {"host:123456", nullptr, 0},
        {"host:12a", nullptr, 0},
        {"host:-1", nullptr, 0},
        {"two words", nullptr, 0},
        {"[::1", nullptr, 0},
        {"[::1]x", nullptr, 0},
        {"[::1]:", nullptr, 0},
        {"[host]", nullptr, 0},
        {"http://host", nullptr, 0},
    };
    for (const auto& c : cases) {
        const std::optional<ServerAddress> got = ParseServerText(c.text);
        if (c.port == 0) {
            EXPECT_FALSE(got.has_value()) << '"' << c.text << '"';
            continue;
        }
        ASSERT_TRUE(got.has_value()) << '"' << c.text << '"';
        EXPECT_EQ(got->host, c.host) << '"' << c.text << '"';
        EXPECT_EQ(got->port, c.port) << '"' << c.text << '"';
    }
}

TEST(RefusedServers, RemembersAServerUnderAnySpelling) {
    RefusedServers refused;
    EXPECT_FALSE(refused.IsRefused(*ParseServerText("time.windows.com")));
    refused.Refuse(*ParseServerText("Time.Windows.COM"));
    EXPECT_TRUE(refused.IsRefused(*ParseServerText("")));
    EXPECT_TRUE(refused.IsRefused(*ParseServerText("time.windows.com:123")));
    EXPECT_TRUE(refused.IsRefused(*ParseServerText("time.windows.com.")));
    EXPECT_FALSE(refused.IsRefused(*ParseServerText("time.windows.com:124")));
    EXPECT_FALSE(refused.IsRefused(*ParseServerText("pool.ntp.org")));
    refused.Refuse(*ParseServerText("time.windows.com"));
    EXPECT_EQ(refused.Count(), 1u);
    refused.Refuse(*ParseServerText("127.0.0.1:10123"));
    EXPECT_EQ(refused.Count(), 2u);
    EXPECT_TRUE(refused.IsRefused(*ParseServerText("127.0.0.1:10123")));
}

}  // namespace
}  // namespace horolux
