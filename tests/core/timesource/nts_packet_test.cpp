#include "core/timesource/nts_packet.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/timesource/nts_session.h"
#include "tests/support/fake_nts_aead.h"

namespace horolux {
namespace {

using test::Bytes;
using test::Field;
using test::Joined;

const NtpTimestamp kSent{0xE9A1B2C3u, 0x5A123456u};
const Bytes kC2s(32, 0xC5), kS2c(32, 0x5C);
const Bytes kClientNonce(16, 0x11), kServerNonce(16, 0x22);

NtsUniqueId UniqueId(std::uint8_t seed) {
    NtsUniqueId id;
    for (std::size_t i = 0; i < id.size(); ++i) id[i] = static_cast<std::uint8_t>(seed + i * 7);
    return id;
}
const NtsUniqueId kId = UniqueId(1);

Bytes Cookie(std::size_t size, std::uint8_t seed) {
    Bytes cookie(size);
    for (std::size_t i = 0; i < size; ++i) cookie[i] = static_cast<std::uint8_t>(seed + i);
    return cookie;
}

std::uint16_t At16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

// A server's header answering kSent: stratum 2 from GPS, or a kiss with the code given.
Bytes Header(std::uint8_t stratum = 2, const char* refId = "GPS", std::uint8_t leap = 0) {
    Bytes h(kNtpPacketSize, 0);
    h[0] = static_cast<std::uint8_t>(leap << 6 | 4 << 3 | 4);
    h[1] = stratum;
    h[2] = 6;
    h[3] = 0xEC;
    for (int i = 0; i < 4 && refId[i]; ++i) h[12 + i] = static_cast<std::uint8_t>(refId[i]);
    const std::uint32_t words[] = {kSent.seconds, kSent.fraction, 0xE9A1B2C4u,
                                   0x10000000u,   0xE9A1B2C4u,    0x10100000u};
    for (std::size_t w = 0; w < 6; ++w)
        for (std::size_t i = 0; i < 4; ++i)
            h[24 + w * 4 + i] = static_cast<std::uint8_t>(words[w] >> (24 - 8 * i));
    return h;
}

Bytes UidField(const NtsUniqueId& id = kId) {
    return Field(kNtsUniqueIdField, id);
}
Bytes CookieField(const Bytes& cookie) {
    return Field(kNtsCookieField, cookie);
}

struct Server {
    test::FakeNtsAead aead;
    Bytes Answer(const Bytes& clear, const Bytes& encrypted) {
        return test::SealedAnswer(clear, encrypted, kS2c, kServerNonce, aead);
    }
    NtsReading Read(const Bytes& datagram, const NtsUniqueId& id = kId) {
        return ReadNtsAnswer(datagram, kSent, id, kS2c, aead);
    }
};

TEST(NtsRequest, CarriesItsFieldsInOrderWithTheAuthenticatorOverAllBeforeIt) {
    test::FakeNtsAead aead;
    const Bytes cookie = Cookie(100, 3);
    const Bytes request = BuildNtsRequest(kSent, kId, cookie, 2, kC2s, kClientNonce, aead).value();

    const NtpPacket header = BuildNtpRequest(kSent);
    EXPECT_EQ(Bytes(request.begin(), request.begin() + 48), Bytes(header.begin(), header.end()));
    const Bytes blank(100, 0);
    const Bytes clear = Joined({Bytes(header.begin(), header.end()), UidField(),
                                CookieField(cookie), Field(kNtsCookiePlaceholderField, blank),
                                Field(kNtsCookiePlaceholderField, blank)});
    ASSERT_EQ(clear.size(), 48u + 36 + 3 * 104);
    ASSERT_EQ(request.size(), clear.size() + 40);
    EXPECT_EQ(Bytes(request.begin(), request.begin() + clear.size()), clear);

    // Type, length 40; nonce length 16, ciphertext length 16 (the SIV of an empty plaintext).
    const std::size_t at = clear.size();
    EXPECT_EQ(At16(request, at), kNtsAuthenticatorField);
    EXPECT_EQ(At16(request, at + 2), 40);
    EXPECT_EQ(At16(request, at + 4), 16);
    EXPECT_EQ(At16(request, at + 6), 16);
    EXPECT_EQ(Bytes(request.begin() + at + 8, request.begin() + at + 24), kClientNonce);
    // The server opens it with the same key and nonce over exactly the bytes before it.
    const std::span<const std::uint8_t> sealed = std::span(request).subspan(at + 24);
    EXPECT_EQ(aead.Open(kC2s, kClientNonce, std::span(request).first(at), sealed), Bytes{});
    EXPECT_FALSE(aead.Open(kC2s, kClientNonce, std::span(request).first(at - 1), sealed));
}

TEST(NtsRequest, PadsShortCookiesAndSendsAtMostSevenPlaceholders) {
    test::FakeNtsAead aead;
    const Bytes cookie = Cookie(5, 9);
    const Bytes request = BuildNtsRequest(kSent, kId, cookie, 20, kC2s, kClientNonce, aead).value();
    std::size_t at = 48 + 36;
    EXPECT_EQ(Bytes(request.begin() + at, request.begin() + at + 12),
              (Bytes{0x02, 0x04, 0, 12, 9, 10, 11, 12, 13, 0, 0, 0}));
    for (std::size_t i = 0; i < kMaxNtsPlaceholders; ++i) {
        at += 12;
        EXPECT_EQ(Bytes(request.begin() + at, request.begin() + at + 12),
                  (Bytes{0x03, 0x04, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0}));
    }
    at += 12;
    EXPECT_EQ(At16(request, at), kNtsAuthenticatorField);
    EXPECT_EQ(request.size(), at + 40);
}

TEST(NtsRequest, NothingWithoutAUsableCookieNonceOrCipher) {
    test::FakeNtsAead aead;
    const Bytes cookie = Cookie(64, 1);
    EXPECT_FALSE(BuildNtsRequest(kSent, kId, {}, 0, kC2s, kClientNonce, aead));
    EXPECT_FALSE(
        BuildNtsRequest(kSent, kId, Bytes(kMaxNtsCookieSize + 1, 1), 0, kC2s, kClientNonce, aead));
    EXPECT_TRUE(
        BuildNtsRequest(kSent, kId, Bytes(kMaxNtsCookieSize, 1), 7, kC2s, kClientNonce, aead));
    EXPECT_FALSE(BuildNtsRequest(kSent, kId, cookie, 0, kC2s, Bytes(12, 1), aead));
    EXPECT_FALSE(BuildNtsRequest(kSent, kId, cookie, 0, Bytes(16, 1), kClientNonce, aead));
    aead.fail = true;
    EXPECT_FALSE(BuildNtsRequest(kSent, kId, cookie, 0, kC2s, kClientNonce, aead));
}

TEST(NtsAnswer, AnAuthenticAnswerGivesItsHeaderAndTheEncryptedCookiesOnly) {
    Server server;
    const Bytes a = Cookie(100, 50), b = Cookie(96, 60), outside = Cookie(100, 70);
    // Unknown fields, in the clear and encrypted, are read past; a short encrypted one too.
    const Bytes answer = server.Answer(
        Joined({Header(), Field(0x7777, Bytes(12, 1)), UidField(), CookieField(outside)}),
        Joined({CookieField(a), Field(0x1234, {}), CookieField(b)}));
    const NtsReading read = server.Read(answer);
    EXPECT_EQ(read.refusal, NtsRefusal::None);
    EXPECT_TRUE(read.authentic);
    EXPECT_EQ(read.ntp.refusal, NtpRefusal::None);
    EXPECT_EQ(read.ntp.answer.stratum, 2);
    EXPECT_EQ(read.ntp.answer.transmit, (NtpTimestamp{0xE9A1B2C4u, 0x10100000u}));
    EXPECT_EQ(read.cookies, (std::vector<Bytes>{a, b}));

    // The same cookie fields given in the clear alone are not taken.
    const NtsReading clearOnly = server.Read(
        server.Answer(Joined({Header(), UidField(), CookieField(a), CookieField(b)}), {}));
    EXPECT_EQ(clearOnly.refusal, NtsRefusal::None);
    EXPECT_TRUE(clearOnly.cookies.empty());
}

TEST(NtsAnswer, KeepsEightUsableCookiesAtMost) {
    Server server;
    Bytes encrypted =
        Joined({Field(kNtsCookieField, {}), CookieField(Bytes(kMaxNtsCookieSize + 4, 1))});
    std::vector<Bytes> expected;
    for (std::uint8_t i = 0; i < 10; ++i) {
        const Bytes cookie = Cookie(kMaxNtsCookieSize - 4 * i, i);
        encrypted = Joined({encrypted, CookieField(cookie)});
        if (expected.size() < kMaxNtsCookies) expected.push_back(cookie);
    }
    const NtsReading read = server.Read(server.Answer(Joined({Header(), UidField()}), encrypted));
    EXPECT_EQ(read.refusal, NtsRefusal::None);
    EXPECT_EQ(read.cookies, expected);
}

TEST(NtsAnswer, NoChangedByteIsAcceptedAndATamperedAuthenticatorDoesNotVerify) {
    Server server;
    const Bytes clear = Joined({Header(), UidField()});
    const Bytes answer = server.Answer(clear, CookieField(Cookie(40, 1)));
    ASSERT_EQ(server.Read(answer).refusal, NtsRefusal::None);
    for (std::size_t i = 0; i < answer.size(); ++i) {
        Bytes changed = answer;
        changed[i] ^= 0x01;
        const NtsReading read = server.Read(changed);
        EXPECT_NE(read.refusal, NtsRefusal::None) << i;
        EXPECT_FALSE(read.authentic) << i;
        EXPECT_TRUE(read.cookies.empty()) << i;
        // A changed header field other than mode, version and origin only the authenticator
        // catches; so does a changed nonce, tag or ciphertext (all past the two lengths).
        const bool caughtByTag = (i >= 1 && i < 24) || (i >= 32 && i < 48) || i >= clear.size() + 8;
        if (caughtByTag) {
            EXPECT_EQ(read.refusal, NtsRefusal::NotAuthentic) << i;
        }
    }
    // Another key does not verify either.
    EXPECT_EQ(ReadNtsAnswer(answer, kSent, kId, kC2s, server.aead).refusal,
              NtsRefusal::NotAuthentic);
}

TEST(NtsAnswer, RefusesWithTheFirstReasonThatApplies) {
    Server server;
    const Bytes header = Header(), uid = UidField();
    const Bytes good = server.Answer(Joined({header, uid}), CookieField(Cookie(8, 1)));
    Bytes otherOrigin = good;
    otherOrigin[31] ^= 0x80;
    Bytes cutField = Joined({header, uid});
    cutField.resize(cutField.size() - 4);
    // A field of 6 bytes: what follows would be read well enough, but out of step with words.
    const Bytes oddLength = server.Answer(Joined({header, uid, Bytes{0x77, 0x77, 0, 6, 0, 0}}), {});
    Bytes tooShortField = Joined({header, uid, Field(0x7777, {})});
    tooShortField.back() = 0;  // its length, 0, does not cover its own type and length
    const Bytes authenticator = server.Answer(Joined({header, uid}), {});
    const std::size_t authAt = header.size() + uid.size();
    Bytes longNonce = authenticator, shortCiphertext = authenticator;
    longNonce[authAt + 5] = 17;        // the nonce, padded to 20, and the ciphertext do not fit
    shortCiphertext[authAt + 7] = 12;  // shorter than a synthetic IV

    const struct {
        const char* name;
        Bytes datagram;
        NtsRefusal refusal;
        NtsUniqueId id = kId;
    } cases[] = {
        {"the header alone", header, NtsRefusal::UniqueIdMismatch},
        {"another request's identifier", good, NtsRefusal::UniqueIdMismatch, UniqueId(2)},
        {"a second identifier, not this one's",
         server.Answer(Joined({header, uid, UidField(UniqueId(2))}), {}),
         NtsRefusal::UniqueIdMismatch},
        {"a stale answer", otherOrigin, NtsRefusal::Ntp},
        {"less than a header", Bytes(header.begin(), header.end() - 1), NtsRefusal::Ntp},
        {"a field cut short", cutField, NtsRefusal::Malformed},
        {"a length not of words", oddLength, NtsRefusal::Malformed},
        {"a length under four", tooShortField, NtsRefusal::Malformed},
        {"a nonce past the field", longNonce, NtsRefusal::Malformed},
        {"a ciphertext too short", shortCiphertext, NtsRefusal::Malformed},
        {"no authenticator", Joined({header, uid}), NtsRefusal::NoAuthenticator},
        {"a field after the authenticator", Joined({good, Field(0x7777, Bytes(12, 0))}),
         NtsRefusal::NoAuthenticator},
        {"a word after the authenticator", Joined({good, Bytes(4, 0)}),
         NtsRefusal::NoAuthenticator},
        {"encrypted fields that do not add up",
         server.Answer(Joined({header, uid}), Bytes{0x02, 0x04, 0, 8, 1, 2}),
         NtsRefusal::Malformed},
    };
    for (const auto& c : cases) {
        const NtsReading read = server.Read(c.datagram, c.id);
        EXPECT_EQ(read.refusal, c.refusal) << c.name;
        EXPECT_TRUE(read.cookies.empty()) << c.name;
    }
    EXPECT_EQ(server.Read(otherOrigin).ntp.refusal, NtpRefusal::OriginateMismatch);

    // Cut anywhere, an answer is never taken.
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_NE(server.Read(Bytes(good.begin(), good.begin() + n)).refusal, NtsRefusal::None)
            << n;
}

TEST(NtsAnswer, OnlyANakForThisRequestCountsAndOtherKissesOnlyWhenAuthentic) {
    Server server;
    const Bytes nak = Joined({Header(0, "NTSN", 3), UidField()});
    EXPECT_EQ(server.Read(nak).refusal, NtsRefusal::Nak);
    EXPECT_EQ(server.Read(nak, UniqueId(2)).refusal, NtsRefusal::UniqueIdMismatch);
    EXPECT_EQ(server.Read(Joined({Header(0, "NTSN", 3)})).refusal, NtsRefusal::UniqueIdMismatch);

    // An unauthenticated RATE kiss silences nothing.
    const Bytes rate = Joined({Header(0, "RATE", 3), UidField()});
    EXPECT_EQ(server.Read(rate).refusal, NtsRefusal::NoAuthenticator);
    const Bytes forged = test::SealedAnswer(rate, {}, kC2s, kServerNonce, server.aead);
    EXPECT_EQ(server.Read(forged).refusal, NtsRefusal::NotAuthentic);  // not the server's key

    // The server's own kiss, and its unsynchronised answer, are the header's refusals.
    const Bytes cookie = Cookie(12, 4);
    const NtsReading authentic = server.Read(server.Answer(rate, CookieField(cookie)));
    EXPECT_EQ(authentic.refusal, NtsRefusal::Ntp);
    EXPECT_TRUE(authentic.authentic);
    EXPECT_EQ(authentic.ntp.refusal, NtpRefusal::KissOfDeath);
    EXPECT_EQ(authentic.ntp.kissCode, "RATE");
    EXPECT_EQ(authentic.cookies, std::vector<Bytes>{cookie});
    const NtsReading unsynchronised =
        server.Read(server.Answer(Joined({Header(2, "GPS", 3), UidField()}), {}));
    EXPECT_EQ(unsynchronised.refusal, NtsRefusal::Ntp);
    EXPECT_EQ(unsynchronised.ntp.refusal, NtpRefusal::Unsynchronised);

    std::set<std::string> texts;
    for (NtsRefusal r :
         {NtsRefusal::None, NtsRefusal::Ntp, NtsRefusal::UniqueIdMismatch, NtsRefusal::Nak,
          NtsRefusal::Malformed, NtsRefusal::NoAuthenticator, NtsRefusal::NotAuthentic})
        texts.insert(NtsRefusalText(r));
    EXPECT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts.count("the answer's authenticator does not verify"), 1u);
}

NtsSession Session(std::uint8_t cookies, std::uint8_t seed = 0) {
    NtsSession session{kC2s, kS2c, "ntp.example", 4123, {}};
    for (std::uint8_t i = 0; i < cookies; ++i) session.cookies.push_back(Cookie(4, seed + i));
    return session;
}

TEST(NtsCookieJar, HandsOutEachCookieOnceOldestFirstAndAsksForEnoughToRefill) {
    NtsCookieJar jar;
    EXPECT_FALSE(jar.Take("nts.example", 4460));
    jar.Store("NTS.Example", 4460, Session(3));
    jar.Store("nts.example", 4461, Session(8, 100));
    EXPECT_EQ(jar.CookiesLeft("nts.example", 4460), 3u);

    std::optional<NtsTicket> ticket = jar.Take("nts.EXAMPLE", 4460);
    ASSERT_TRUE(ticket);
    EXPECT_EQ(ticket->cookie, Cookie(4, 0));
    EXPECT_EQ(ticket->clientToServer, kC2s);
    EXPECT_EQ(ticket->serverToClient, kS2c);
    EXPECT_EQ(ticket->ntpHost, "ntp.example");
    EXPECT_EQ(ticket->ntpPort, 4123);
    EXPECT_EQ(ticket->placeholders, 5u);  // 2 left + this one + 5 = 8
    EXPECT_EQ(jar.Take("nts.example", 4460)->placeholders, 6u);
    EXPECT_EQ(jar.Take("nts.example", 4460)->cookie, Cookie(4, 2));
    EXPECT_FALSE(jar.Take("nts.example", 4460));
    EXPECT_EQ(jar.Take("nts.example", 4461)->placeholders, 0u);  // 7 left

    // Fresh cookies go back after the ones left; the newest eight are kept.
    std::vector<Bytes> fresh;
    for (std::uint8_t i = 0; i < 10; ++i) fresh.push_back(Cookie(4, 200 + i));
    jar.Add(*ticket, {fresh.begin(), fresh.begin() + 2});
    EXPECT_EQ(jar.Take("nts.example", 4460)->cookie, fresh[0]);
    jar.Add(*ticket, fresh);
    EXPECT_EQ(jar.CookiesLeft("nts.example", 4460), 8u);
    EXPECT_EQ(jar.Take("nts.example", 4460)->cookie, fresh[2]);
    EXPECT_EQ(jar.CookiesLeft("nts.example", 4461), 7u);
}

TEST(NtsCookieJar, ANakForgetsOnlyTheSessionItsTicketCameFrom) {
    NtsCookieJar jar;
    jar.Store("nts.example", 4460, Session(2));
    const NtsTicket old = jar.Take("nts.example", 4460).value();
    jar.Store("nts.example", 4460, Session(1, 50));  // keys established again meanwhile
    jar.Add(old, {Cookie(4, 99)});                   // the old keys' cookies are not mixed in
    jar.Forget(old);
    EXPECT_EQ(jar.CookiesLeft("nts.example", 4460), 1u);

    const NtsTicket current = jar.Take("nts.example", 4460).value();
    EXPECT_EQ(current.cookie, Cookie(4, 50));
    jar.Add(current, {Cookie(4, 60)});
    EXPECT_EQ(jar.CookiesLeft("nts.example", 4460), 1u);
    jar.Forget(current);
    EXPECT_EQ(jar.CookiesLeft("nts.example", 4460), 0u);
    EXPECT_FALSE(jar.Take("nts.example", 4460));
}

}  // namespace
}  // namespace horolux
