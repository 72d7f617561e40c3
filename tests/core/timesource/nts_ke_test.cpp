#include "core/timesource/nts_ke.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Record(std::uint16_t type, Bytes body, bool critical = true) {
    Bytes r = {static_cast<std::uint8_t>((critical ? 0x80 : 0) | type >> 8),
               static_cast<std::uint8_t>(type & 0xFF), static_cast<std::uint8_t>(body.size() >> 8),
               static_cast<std::uint8_t>(body.size() & 0xFF)};
    r.insert(r.end(), body.begin(), body.end());
    return r;
}

Bytes Joined(std::initializer_list<Bytes> records) {
    Bytes all;
    for (const Bytes& r : records) all.insert(all.end(), r.begin(), r.end());
    return all;
}

const Bytes kProtocol = Record(1, {0, 0});
const Bytes kAead = Record(4, {0, 15});
const Bytes kEnd = Record(0, {});

TEST(NtsKe, TheRequestAsksForNtpV4WithAesSivCmac256) {
    EXPECT_EQ(NtsKeRequest(), Joined({kProtocol, kAead, kEnd}));
    EXPECT_EQ(NtsExporterContext(false), (std::array<std::uint8_t, 5>{0, 0, 0, 15, 0}));
    EXPECT_EQ(NtsExporterContext(true), (std::array<std::uint8_t, 5>{0, 0, 0, 15, 1}));
}

TEST(NtsKe, AnAnswerGivesItsCookiesServerAndPortUpToItsEnd) {
    const Bytes answer = Joined({kProtocol, kAead, Record(5, {1, 2, 3}), Record(0x4242, {9}, false),
                                 Record(6, {'n', 't', 's', '.', 'e', 'x'}), Record(7, {0x10, 0x7B}),
                                 Record(5, {4}), kEnd, Record(2, {0, 1})});
    const NtsKeAnswer read = ReadNtsKeAnswer(answer);
    ASSERT_EQ(read.outcome, NtsKeAnswer::Outcome::Ok) << read.failure;
    EXPECT_EQ(read.cookies, (std::vector<Bytes>{{1, 2, 3}, {4}}));
    EXPECT_EQ(read.server, "nts.ex");
    EXPECT_EQ(read.port, 4219);
    EXPECT_EQ(ReadNtsKeAnswer(Joined({kProtocol, kAead, Record(5, {1}), kEnd})).port, 123);

    // Cut anywhere before its end, an answer waits for more.
    for (std::size_t n = 0; n < answer.size() - 8; ++n)
        EXPECT_EQ(ReadNtsKeAnswer(std::span(answer).first(n)).outcome,
                  NtsKeAnswer::Outcome::Incomplete)
            << n;
}

TEST(NtsKe, AnAnswerNotToUseIsRefusedWithItsReason) {
    const Bytes cookie = Record(5, {7});
    const struct {
        Bytes answer;
        const char* failure;
    } cases[] = {
        {Joined({Record(2, {0, 1}), kEnd}), "The time server refused the request as bad"},
        {Joined({kProtocol, Record(3, {0, 5}), kEnd}), "The time server sent warning 5"},
        {Joined({kAead, cookie, kEnd}), "The time server named no time protocol"},
        {Joined({Record(1, {0, 0, 0, 1}), kAead, cookie, kEnd}),
         "The time server does not offer NTPv4"},
        {Joined({kProtocol, kProtocol, kAead, cookie, kEnd}),
         "The time server does not offer NTPv4"},
        {Joined({kProtocol, cookie, kEnd}), "The time server named no encryption"},
        {Joined({kProtocol, Record(4, {0, 16}), cookie, kEnd}),
         "The time server does not offer AES-SIV-CMAC-256"},
        {Joined({kProtocol, kAead, kEnd}), "The time server gave no cookie"},
        {Joined({kProtocol, kAead, Record(5, {}), kEnd}),
         "The time server gave a cookie of an unusable size"},
        {Joined({kProtocol, kAead, cookie, Record(6, {'a', ' ', 'b'}), kEnd}),
         "The time server named its NTP server unreadably"},
        {Joined({kProtocol, kAead, cookie, Record(7, {0, 0}), kEnd}),
         "The time server named its NTP port unreadably"},
        {Joined({kProtocol, kAead, cookie, Record(0x4242, {}), kEnd}),
         "The time server sent a critical record unknown here"},
        {Bytes(kMaxNtsKeAnswer + 1, 0x05), "The time server's key answer is too long"},
    };
    for (const auto& c : cases) {
        const NtsKeAnswer read = ReadNtsKeAnswer(c.answer);
        EXPECT_EQ(read.outcome, NtsKeAnswer::Outcome::Refused) << c.failure;
        EXPECT_EQ(read.failure, c.failure);
        EXPECT_TRUE(read.cookies.empty());
    }
}

}  // namespace
}  // namespace horolux
