#include "core/service/service_protocol.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace horolux::service {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> 8 * i);
}

// A request of the sources text names, as the pipe carries them.
SyncRequest Request(TimeSource source, std::string_view text, bool allowLarge = false) {
    return {source, ReadRequestSources(source, text).value(), allowLarge};
}

std::uint64_t Fnv1a(const Bytes& bytes) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const std::uint8_t b : bytes) hash = (hash ^ b) * 1099511628211ULL;
    return hash;
}

SyncAnswer MeasuredAnswer() {
    SyncAnswer a;
    a.status = SyncStatus::Ok;
    a.measured = true;
    a.before = {2026, 12, 2, 8, 4, 53, 21, 250};
    a.after = {2026, 12, 2, 8, 4, 53, 22, 1};
    a.offset = -734'400;
    a.bound = 11'600;
    a.roundTrip = 23'500;
    a.requests = 4;
    a.failure = "";
    return a;
}

TEST(ServiceProtocol, MessagesHaveTheirFixedLittleEndianLayout) {
    const Bytes request = EncodeRequest(Request(TimeSource::TimeServer, "ntp", true));
    ASSERT_EQ(request.size(), kRequestSize);
    const Bytes head = {'H', 'L', 'X', 'Q', 1, 0, 1, 0, 0x1C, 0x04, 0, 0, 0,   0,   0,   0,
                        1,   0,   0,   0,   1, 0, 0, 0, 3,    0,    0, 0, 'n', 't', 'p', 0};
    EXPECT_EQ(Bytes(request.begin(), request.begin() + 32), head);
    SyncRequest flagged = Request(TimeSource::TimeServer, "ntp", true);
    flagged.requireAuthenticated = flagged.userStarted = true;
    EXPECT_EQ(EncodeRequest(flagged)[20], 1 | 2 | 4);

    const Bytes answer = EncodeAnswer(MeasuredAnswer());
    ASSERT_EQ(answer.size(), kAnswerSize);
    const Bytes answerHead = {'H', 'L', 'X', 'A', 1, 0, 2, 0, 0x58, 0x01, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 16), answerHead);
    EXPECT_EQ(answer[24], 0xEA) << "the year 2026, low byte first";
    EXPECT_EQ(answer[25], 0x07);
    const Bytes offset = {0x40, 0xCB, 0xF4, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};  // -734400
    EXPECT_EQ(Bytes(answer.begin() + 56, answer.begin() + 64), offset);
    SyncAnswer authenticated = MeasuredAnswer();
    authenticated.authenticated = true;
    EXPECT_EQ(EncodeAnswer(authenticated)[20], 1 | 2);
}

// Every installed service and every program must go on understanding each other: the bytes of
// these messages are those the first version of the pipe wrote for them.
TEST(ServiceProtocol, TheBytesOnThePipeStayAsTheyWere) {
    const SyncRequest automatic =
        Request(TimeSource::Automatic,
                "server:time.cloudflare.com server:127.0.0.1:12300 Server:[::1]:123 "
                "web:https://www.google.com/generate_204 web:http://127.0.0.1:8080/a%20b",
                true);
    EXPECT_EQ(Fnv1a(EncodeRequest(automatic)), 0xfd86a8f0f658be07);
    EXPECT_EQ(Fnv1a(EncodeRequest(Request(TimeSource::TimeServer, "pool.ntp.org"))),
              0x4b83adb21cf3b9cd);
    EXPECT_EQ(Fnv1a(EncodeRequest(Request(TimeSource::WebServer,
                                          "http://www.msftconnecttest.com/connecttest.txt"))),
              0xcc6ba7e0851412bb);
    EXPECT_EQ(Fnv1a(EncodeRequest({})), 0xb57a27985d8767ee);

    SyncAnswer answer = MeasuredAnswer();
    answer.before = {2026, 12, 3, 9, 10, 11, 12, 13};
    answer.after = {2026, 12, 3, 9, 10, 11, 13, 14};
    EXPECT_EQ(Fnv1a(EncodeAnswer(answer)), 0x1b124e76dcd764bb);
    answer.status = SyncStatus::LargeCorrection;
    answer.failure = "x";
    answer.sources = {{"127.0.0.1:12300", true, -250, 40, 90, SourceVerdict::Used, ""},
                      {"ntp.example.org", false, 0, 0, 0, SourceVerdict::Refused, "RATE"},
                      {"b.example.org", true, 5000000, 40, 90, SourceVerdict::Disagrees, ""},
                      {"c.example.org", false, 0, 0, 0, SourceVerdict::NoAnswer, ""},
                      {"d.example.org", false, 0, 0, 0, SourceVerdict::NotAllowed, ""}};
    EXPECT_EQ(Fnv1a(EncodeAnswer(answer)), 0x81fe63394aae8217);
}

TEST(ServiceProtocol, RequestsGoBackAndForthWithTheirSourcesInCanonicalForm) {
    const std::string longUrl = "http://example.org/" + std::string(kMaxSourceText - 19, 'u');
    const SyncRequest requests[] = {
        {},
        Request(TimeSource::TimeServer, "time.windows.com"),
        Request(TimeSource::TimeServer, "[::1]:10123", true),
        Request(TimeSource::WebServer, longUrl, true),
        Request(TimeSource::WebServer, "http://example.org/\xB1 ~"),
        Request(TimeSource::Automatic, "server:a.example.org web:http://b.example.org/x%20y page"),
        Request(TimeSource::Automatic, "nts:a.example.org nts:[::1]:14460 server:a.example.org"),
        Request(TimeSource::Automatic, ""),
        {TimeSource::Automatic, {}, false, true, false},
        {TimeSource::TimeServer, {*ReadSourceEntry("server:ntp")}, true, false, true},
        {TimeSource::Automatic, {*ReadSourceEntry("nts:a.example.org")}, true, true, true},
    };
    for (const SyncRequest& r : requests) {
        const RequestRead read = ReadRequest(EncodeRequest(r));
        EXPECT_EQ(read.error, ReadError::None) << static_cast<int>(r.source);
        EXPECT_EQ(read.request, r) << static_cast<int>(r.source);
    }
    const RequestRead cut =
        ReadRequest(EncodeRequest(Request(TimeSource::WebServer, longUrl + "v")));
    ASSERT_TRUE(cut.request);
    EXPECT_EQ(cut.request->sources[0].url, longUrl) << "cut to its capacity";

    // Another program may spell a source otherwise: it is read as the settings would read it.
    Bytes spelled = EncodeRequest(Request(TimeSource::TimeServer, "abc.example.org"));
    for (std::size_t i = 28; i < 31; ++i) spelled[i] = static_cast<std::uint8_t>('A' + i - 28);
    EXPECT_EQ(ReadRequest(spelled).request, Request(TimeSource::TimeServer, "abc.example.org"));
}

TEST(ServiceProtocol, AnswersGoBackAndForth) {
    std::vector<SyncAnswer> answers{SyncAnswer{}, MeasuredAnswer()};
    for (std::uint32_t s = 0; s <= kLastSyncStatus; ++s) {
        SyncAnswer a;
        a.status = static_cast<SyncStatus>(s);
        a.failure = "failure " + std::to_string(s);
        answers.push_back(a);
    }
    SyncAnswer extremes = MeasuredAnswer();
    extremes.before = {1601, 1, 0, 1, 0, 0, 0, 0};
    extremes.after = {30827, 12, 6, 31, 23, 59, 59, 999};
    extremes.offset = kMin64;
    extremes.bound = kMax64;
    extremes.roundTrip = kMax64;
    extremes.requests = std::numeric_limits<std::int32_t>::max();
    extremes.failure = std::string(kMaxFailureText, '\xFF');
    answers.push_back(extremes);
    extremes.offset = kMax64;
    extremes.before = {2024, 2, 4, 29, 12, 0, 0, 0};  // a leap day
    answers.push_back(extremes);
    SyncAnswer authenticated = MeasuredAnswer();
    authenticated.authenticated = true;
    answers.push_back(authenticated);

    for (const SyncAnswer& a : answers) {
        const AnswerRead read = ReadAnswer(EncodeAnswer(a));
        EXPECT_EQ(read.error, ReadError::None) << a.failure;
        EXPECT_TRUE(read.answer == a) << a.failure;
    }
}

TEST(ServiceProtocol, FailureTextsAreCutAndTheirLineBreaksBlanked) {
    SyncAnswer a;
    a.failure = std::string(kMaxFailureText + 5, 'x');
    AnswerRead read = ReadAnswer(EncodeAnswer(a));
    ASSERT_TRUE(read.answer);
    EXPECT_EQ(read.answer->failure, std::string(kMaxFailureText, 'x'));

    a.failure = std::string("The operation timed out\r\n\0\x7F", 27);
    read = ReadAnswer(EncodeAnswer(a));
    ASSERT_TRUE(read.answer);
    EXPECT_EQ(read.answer->failure, "The operation timed out    ");
}

// One change to a good message and the error it must give.
struct Damage {
    const char* name;
    void (*apply)(Bytes&);
    ReadError error;
};

void CheckDamage(const Bytes& good, const Damage& d, bool request) {
    Bytes bytes = good;
    d.apply(bytes);
    if (request) {
        const RequestRead read = ReadRequest(bytes);
        EXPECT_EQ(read.error, d.error) << d.name;
        EXPECT_FALSE(read.request) << d.name;
    } else {
        const AnswerRead read = ReadAnswer(bytes);
        EXPECT_EQ(read.error, d.error) << d.name;
        EXPECT_FALSE(read.answer) << d.name;
    }
}

// The refusals both readers share: the header and the size.
const Damage kHeaderDamage[] = {
    {"empty", [](Bytes& b) { b.clear(); }, ReadError::WrongSize},
    {"header only", [](Bytes& b) { b.resize(kHeaderSize); }, ReadError::WrongSize},
    {"one byte short", [](Bytes& b) { b.pop_back(); }, ReadError::WrongSize},
    {"one byte long", [](Bytes& b) { b.push_back(0); }, ReadError::WrongSize},
    {"magic", [](Bytes& b) { b[0] = 'h'; }, ReadError::WrongMagic},
    {"magic of the other kind", [](Bytes& b) { b[3] ^= 'Q' ^ 'A'; }, ReadError::WrongMagic},
    {"version 0", [](Bytes& b) { b[4] = 0; }, ReadError::WrongVersion},
    {"version 257", [](Bytes& b) { b[5] = 1; }, ReadError::WrongVersion},
    {"kind", [](Bytes& b) { b[6] = 4; }, ReadError::WrongKind},
    {"kind high byte", [](Bytes& b) { b[7] = 1; }, ReadError::WrongKind},
    {"size field", [](Bytes& b) { b[8] ^= 1; }, ReadError::WrongSize},
    {"size field high byte", [](Bytes& b) { b[11] = 1; }, ReadError::WrongSize},
    {"reserved", [](Bytes& b) { b[15] = 1; }, ReadError::BadValue},
};

TEST(ServiceProtocol, ReadersRefuseAWrongHeaderOrSize) {
    const Bytes request = EncodeRequest(Request(TimeSource::WebServer, "http://example.org/"));
    const Bytes answer = EncodeAnswer(MeasuredAnswer());
    for (const Damage& d : kHeaderDamage) {
        CheckDamage(request, d, true);
        CheckDamage(answer, d, false);
    }
    EXPECT_EQ(ReadRequest(answer).error, ReadError::WrongMagic);
    EXPECT_EQ(ReadAnswer(request).error, ReadError::WrongMagic);
}

TEST(ServiceProtocol, RequestReaderRefusesBadBodies) {
    const Bytes good = EncodeRequest(Request(TimeSource::TimeServer, "ntp"));
    const Damage damage[] = {
        {"length over capacity", [](Bytes& b) { Put32(b, 24, kMaxSourceText + 1); },
         ReadError::BadLength},
        {"huge length", [](Bytes& b) { Put32(b, 24, 0xFFFFFFFF); }, ReadError::BadLength},
        {"NUL in the text", [](Bytes& b) { b[29] = 0; }, ReadError::BadText},
        {"line break in the text", [](Bytes& b) { b[30] = '\n'; }, ReadError::BadText},
        {"DEL in the text", [](Bytes& b) { b[28] = 0x7F; }, ReadError::BadText},
        {"byte past the text", [](Bytes& b) { b[31] = 'x'; }, ReadError::BadText},
        {"last byte of the area", [](Bytes& b) { b.back() = 1; }, ReadError::BadText},
        {"NtsServer: an entry's kind, never a request's",
         [](Bytes& b) { Put32(b, 16, static_cast<std::uint32_t>(TimeSource::NtsServer)); },
         ReadError::BadValue},
        {"source -1", [](Bytes& b) { Put32(b, 16, 0xFFFFFFFF); }, ReadError::BadValue},
        {"flag bit 3", [](Bytes& b) { Put32(b, 20, 8); }, ReadError::BadValue},
        {"flag bit 31", [](Bytes& b) { Put32(b, 20, 0x80000001); }, ReadError::BadValue},
        {"a server text that is no server", [](Bytes& b) { b[29] = ' '; }, ReadError::BadValue},
        {"the page with a text", [](Bytes& b) { Put32(b, 16, 0); }, ReadError::BadValue},
        {"an Automatic entry that does not read", [](Bytes& b) { Put32(b, 16, 3); },
         ReadError::BadValue},
    };
    ASSERT_EQ(ReadRequest(good).error, ReadError::None);
    for (const Damage& d : damage) CheckDamage(good, d, true);
}

TEST(ServiceProtocol, AnswerReaderRefusesBadBodies) {
    SyncAnswer answer = MeasuredAnswer();
    answer.failure = "Timeout";
    const Bytes good = EncodeAnswer(answer);
    const Damage damage[] = {
        {"length over capacity", [](Bytes& b) { Put32(b, 84, kMaxFailureText + 1); },
         ReadError::BadLength},
        {"NUL in the text", [](Bytes& b) { b[88] = 0; }, ReadError::BadText},
        {"tab in the text", [](Bytes& b) { b[94] = '\t'; }, ReadError::BadText},
        {"byte past the text", [](Bytes& b) { b[95] = 'x'; }, ReadError::BadText},
        {"status 9", [](Bytes& b) { Put32(b, 16, 9); }, ReadError::BadValue},
        {"flag bit 2", [](Bytes& b) { Put32(b, 20, 5); }, ReadError::BadValue},
        {"year 1600",
         [](Bytes& b) {
             b[24] = 0x40;
             b[25] = 0x06;
         },
         ReadError::BadValue},
        {"year 30828",
         [](Bytes& b) {
             b[40] = 0x6C;
             b[41] = 0x78;
         },
         ReadError::BadValue},
        {"month 13", [](Bytes& b) { b[26] = 13; }, ReadError::BadValue},
        {"month 0", [](Bytes& b) { b[42] = 0; }, ReadError::BadValue},
        {"day of week 7", [](Bytes& b) { b[28] = 7; }, ReadError::BadValue},
        {"day 0", [](Bytes& b) { b[30] = 0; }, ReadError::BadValue},
        {"31 November",
         [](Bytes& b) {
             b[26] = 11;
             b[30] = 31;
         },
         ReadError::BadValue},
        {"29 February 2026",
         [](Bytes& b) {
             b[26] = 2;
             b[30] = 29;
         },
         ReadError::BadValue},
        {"hour 24", [](Bytes& b) { b[32] = 24; }, ReadError::BadValue},
        {"minute 60", [](Bytes& b) { b[34] = 60; }, ReadError::BadValue},
        {"second 60", [](Bytes& b) { b[36] = 60; }, ReadError::BadValue},
        {"millisecond 1000",
         [](Bytes& b) {
             b[38] = 0xE8;
             b[39] = 0x03;
         },
         ReadError::BadValue},
        {"high byte of a field", [](Bytes& b) { b[33] = 1; }, ReadError::BadValue},
        {"negative bound", [](Bytes& b) { b[71] = 0x80; }, ReadError::BadValue},
        {"negative round trip", [](Bytes& b) { b[79] = 0xFF; }, ReadError::BadValue},
        {"negative requests", [](Bytes& b) { b[83] = 0x80; }, ReadError::BadValue},
    };
    ASSERT_EQ(ReadAnswer(good).error, ReadError::None);
    for (const Damage& d : damage) CheckDamage(good, d, false);

    Bytes negativeOffset = good;
    negativeOffset[63] = 0x80;
    EXPECT_EQ(ReadAnswer(negativeOffset).answer->offset, kMin64 + 0x00FFFFFFFFF4CB40)
        << "an offset may be negative";
}

TEST(ServiceProtocol, AnAnswerWithSourcesCarriesEachOnesRowStrictly) {
    SyncAnswer answer = MeasuredAnswer();
    answer.sources = {
        {"127.0.0.1:12125", true, -250, 40, 90, SourceVerdict::Used, ""},
        {"ntp.example.org", false, 0, 0, 0, SourceVerdict::Refused, "RATE"},
        {std::string(kMaxSourceName + 3, 'n'), false, 0, 0, 0, SourceVerdict::Refused, "a\r\nb"},
        {"time.cloudflare.com", true, 300, 20, 40, SourceVerdict::Used, "", true}};
    const Bytes bytes = EncodeAnswer(answer);
    ASSERT_EQ(bytes.size(), kAnswerWithSourcesSize);
    EXPECT_EQ(bytes[6], kKindAnswerWithSources);
    EXPECT_EQ(EncodeAnswer(MeasuredAnswer()).size(), kAnswerSize) << "no rows: a plain answer";
    const AnswerRead read = ReadAnswer(bytes);
    ASSERT_TRUE(read.answer) << ReadErrorText(read.error);
    answer.sources[2] = {std::string(kMaxSourceName, 'n'), false, 0, 0, 0,
                         SourceVerdict::Refused,           "a  b"};
    EXPECT_TRUE(*read.answer == answer) << "names cut to their area, line breaks blanked";
    const std::size_t fourth = kAnswerSize + 4 + 3 * kSourceRowSize;
    EXPECT_EQ(std::string(bytes.begin() + fourth + 100, bytes.begin() + fourth + 120),
              "used (authenticated)")
        << "an authenticated answer in the verdict's words";

    SyncAnswer many = MeasuredAnswer();
    many.sources.assign(kMaxSourceRows + 2, {"a", false, 0, 0, 0, SourceVerdict::NoAnswer, ""});
    EXPECT_EQ(ReadAnswer(EncodeAnswer(many)).answer->sources.size(), kMaxSourceRows);

    constexpr std::size_t row = kAnswerSize + 4;  // the first row
    const Damage damage[] = {
        {"no rows", [](Bytes& b) { Put32(b, kAnswerSize, 0); }, ReadError::BadValue},
        {"nine rows", [](Bytes& b) { Put32(b, kAnswerSize, 9); }, ReadError::BadValue},
        {"a row past the count", [](Bytes& b) { b[kAnswerSize + 4 + 4 * kSourceRowSize] = 1; },
         ReadError::BadValue},
        {"row flag bit 1", [](Bytes& b) { Put32(b, row, 2); }, ReadError::BadValue},
        {"negative row bound", [](Bytes& b) { b[row + 19] = 0x80; }, ReadError::BadValue},
        {"name over its area", [](Bytes& b) { Put32(b, row + 28, kMaxSourceName + 1); },
         ReadError::BadLength},
        {"NUL in a verdict", [](Bytes& b) { b[row + 100] = 0; }, ReadError::BadText},
        {"a verdict of no source", [](Bytes& b) { b[row + 100] = 'U'; }, ReadError::BadValue},
        {"the plain size", [](Bytes& b) { b.resize(kAnswerSize); }, ReadError::WrongSize},
    };
    for (const Damage& d : damage) CheckDamage(bytes, d, false);
}

TEST(ServiceProtocol, ReadErrorsHaveNames) {
    EXPECT_STREQ(ReadErrorText(ReadError::WrongMagic), "wrong magic");
    EXPECT_STREQ(ReadErrorText(ReadError::BadLength), "text length over capacity");
}

}  // namespace
}  // namespace horolux::service
