#include "core/timesource/date_bracket.h"

#include <gtest/gtest.h>

#include <random>

namespace horolux {
namespace {

constexpr UnixMicros kPc = 1'767'225'600LL * kMicrosPerSecond;  // 2026-01-01
constexpr std::int64_t kMs = 1'000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// A web server whose clock runs offset ahead of the PC, answering over a network whose legs
// take a random time each; the PC clock advances as the requests go back and forth.
struct SimulatedServer {
    std::int64_t offset;
    std::int64_t maxOut, maxBack;  // each leg takes 0..max
    std::int64_t maxLate = 0;      // the caller sends up to this late
    std::mt19937_64 rng;

    std::int64_t Random(std::int64_t max) {
        return max == 0 ? 0 : std::uniform_int_distribution<std::int64_t>(0, max)(rng);
    }

    // Runs the rounds from PC time start; returns the PC time at the end.
    UnixMicros Run(DateBracket& bracket, UnixMicros start) {
        UnixMicros now = start;
        while (bracket.Status() == BracketStatus::Measuring) {
            const UnixMicros sendAt = bracket.NextSendTime(now);
            EXPECT_GE(sendAt, now);
            EXPECT_LT(sendAt, now + kMicrosPerSecond);
            const UnixMicros t0 = sendAt + Random(maxLate);
            const UnixMicros stamped = t0 + Random(maxOut);
            const std::int64_t second = FloorDiv(stamped + offset, kMicrosPerSecond);
            const UnixMicros t2 = stamped + Random(maxBack);
            bracket.Take(t0, second, t2);
            now = t2 + Random(200);  // reading the answer
        }
        return now;
    }
};

TEST(DateBracket, FirstAnswerGivesTheWholeSecondWindow) {
    DateBracket b;
    EXPECT_EQ(b.NextSendTime(kPc + 123), kPc + 123) << "the first request goes at once";
    // Sent at PC 10.200000, received 10.250000, the server said second 12.
    EXPECT_EQ(b.Take(kPc + 10'200'000, 1'767'225'612, kPc + 10'250'000), BracketStatus::Measuring);
    EXPECT_EQ(b.Requests(), 1);
    EXPECT_EQ(b.Low(), 1'750'000);   // 12 - 10.25
    EXPECT_EQ(b.High(), 2'800'000);  // 13 - 10.2
    EXPECT_EQ(b.Width(), 1'050'000);
    EXPECT_EQ(b.Offset(), 2'275'000);
    EXPECT_EQ(b.Bound(), 525'000);
}

TEST(DateBracket, NextRequestAimsTheSecondChangeAtTheMidpoint) {
    DateBracket b;
    b.Take(kPc, 1'767'225'602, kPc + 40 * kMs);  // offset in [1.96, 3.0] s, round trip 40 ms
    ASSERT_EQ(b.Offset(), 2'480'000);
    const UnixMicros at = b.NextSendTime(kPc + 40 * kMs);
    // Stamped 20 ms after sending, the server's clock should then read a whole second if the
    // offset were the midpoint.
    EXPECT_EQ((at + 20 * kMs + b.Offset()) % kMicrosPerSecond, 0);
    EXPECT_EQ(at, kPc + 500 * kMs);
    // Asked later in the second, the aim moves to the next second.
    EXPECT_EQ(b.NextSendTime(kPc + 600 * kMs), kPc + 1'500 * kMs);
    EXPECT_EQ(b.NextSendTime(kPc + 500 * kMs), kPc + 500 * kMs);
}

TEST(DateBracket, ConvergesWithinTenMillisecondsOverRandomNetworks) {
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<std::int64_t> offsetDist(-100 * kMicrosPerSecond,
                                                           100 * kMicrosPerSecond);
    for (int run = 0; run < 1000; ++run) {
        // Legs from near zero up to 3 ms each way, often very unequal; sometimes sent late.
        SimulatedServer server{offsetDist(rng), (run % 4) * kMs, (run % 3) * 1'500,
                               (run % 5 == 0) ? 300 : 0, std::mt19937_64(run)};
        DateBracket b;
        server.Run(b, kPc + offsetDist(rng));
        ASSERT_EQ(b.Status(), BracketStatus::Done) << "run " << run;
        ASSERT_LE(b.Requests(), DateBracket::kMaxRequests) << "run " << run;
        const std::int64_t error = b.Offset() - server.offset;
        ASSERT_LE(std::abs(error), b.Bound()) << "run " << run;
        ASSERT_LE(std::abs(error), 10 * kMs) << "run " << run;
        ASSERT_LE(b.Bound(), 10 * kMs) << "run " << run;
    }
}

TEST(DateBracket, InstantServerHalvesTheIntervalEachRound) {
    for (std::int64_t offset : {0LL, 1LL, 123'456LL, -987'654'321LL, 999'999LL}) {
        DateBracket b;
        UnixMicros now = kPc + 314'159;
        std::int64_t expected = kMicrosPerSecond;
        while (b.Status() == BracketStatus::Measuring) {
            // One round at a time: the width after round k is 1 s / 2^(k-1), to the microsecond.
            const UnixMicros t0 = b.NextSendTime(now);
            const std::int64_t second = FloorDiv(t0 + offset, kMicrosPerSecond);
            b.Take(t0, second, t0);
            now = t0 + 10;
            EXPECT_LE(std::abs(b.Width() - expected), 1) << "offset " << offset;
            expected /= 2;
        }
        EXPECT_EQ(b.Requests(), DateBracket::kMaxRequests);
        EXPECT_LE(b.Width(), kMicrosPerSecond / 128 + 1) << offset;
        EXPECT_LE(std::abs(b.Offset() - offset), b.Bound()) << offset;
        EXPECT_LE(b.Bound(), 3'907) << offset;
    }
}

TEST(DateBracket, StopsOnceTheIntervalIsNarrowEnough) {
    DateBracket b(20 * kMs);
    SimulatedServer server{42'000, 0, 0, 0, std::mt19937_64(3)};
    server.Run(b, kPc);
    EXPECT_EQ(b.Status(), BracketStatus::Done);
    EXPECT_EQ(b.Requests(), 7) << "1 s, 500, 250, 125, 62.5, 31.25, then 15.6 ms";
    EXPECT_LE(b.Width(), 20 * kMs);
    EXPECT_LE(std::abs(b.Offset() - 42'000), b.Bound());
}

TEST(DateBracket, ContradictingAnswersEndInconsistent) {
    DateBracket b;
    b.Take(kPc, 1'767'225'600, kPc + 10 * kMs);  // offset in [-0.01, 1.0] s
    // The server's clock jumped a minute ahead.
    EXPECT_EQ(b.Take(kPc + 2 * kMicrosPerSecond, 1'767'225'662, kPc + 2'010 * kMs),
              BracketStatus::Inconsistent);
    EXPECT_EQ(b.Status(), BracketStatus::Inconsistent);
    // Nothing taken after that changes the outcome.
    EXPECT_EQ(b.Take(kPc + 3 * kMicrosPerSecond, 1'767'225'603, kPc + 3'010 * kMs),
              BracketStatus::Inconsistent);
    EXPECT_EQ(b.Requests(), 2);
}

TEST(DateBracket, NonsenseTimesEndInconsistent) {
    const struct {
        const char* name;
        UnixMicros t0, t2;
        std::int64_t second;
    } cases[] = {
        {"received before sent", kPc + 5, kPc, 1'767'225'600},
        {"server second beyond any year", kPc, kPc, INT64_MAX / 2},
        {"server second far before", kPc, kPc, INT64_MIN},
        {"PC clock beyond any year", INT64_MAX - 5, INT64_MAX, 0},
    };
    for (const auto& c : cases) {
        DateBracket b;
        EXPECT_EQ(b.Take(c.t0, c.second, c.t2), BracketStatus::Inconsistent) << c.name;
    }
}

TEST(DateBracket, ADoneBracketIgnoresFurtherAnswers) {
    DateBracket b(2 * kMicrosPerSecond);
    EXPECT_EQ(b.Take(kPc, 1'767'225'600, kPc + 1), BracketStatus::Done);
    const std::int64_t low = b.Low(), high = b.High();
    EXPECT_EQ(b.Take(kPc, 1'767'225'700, kPc + 1), BracketStatus::Done);
    EXPECT_EQ(b.Low(), low);
    EXPECT_EQ(b.High(), high);
    EXPECT_EQ(b.Requests(), 1);
}

}  // namespace
}  // namespace horolux
