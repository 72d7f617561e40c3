#include "core/service/status_message.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace horolux::service {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> 8 * i);
}

// A service whose policy holds one value of each kind and whose last sync used several sources.
StatusAnswer FullStatus() {
    StatusAnswer s;
    s.runningSince = {2026, 5, 5, 1, 12, 0, 3, 250};
    s.allowListFromPolicy = true;
    s.allowList = {"server:127.0.0.1:12300", "web:http://example.org/", "nonsense"};
    s.ignored = {"nonsense"};
    s.policy = {{"TimeSource", policy::Kind::Number, 3, {}},
                {"TimeServer", policy::Kind::Text, 0, {"ntp.example.org"}},
                {"AllowedSources",
                 policy::Kind::TextList,
                 0,
                 {"server:127.0.0.1:12300", "web:http://example.org/", "nonsense"}}};
    LastSync last;
    last.when = {2026, 5, 5, 1, 12, 3, 10, 0};
    last.client = "VM\\alice";
    last.source = "several time sources";
    last.answer.status = SyncStatus::Ok;
    last.answer.measured = true;
    last.answer.before = {2026, 5, 5, 1, 14, 3, 9, 990};
    last.answer.after = {2026, 5, 5, 1, 14, 3, 10, 1};
    last.answer.offset = 734;
    last.answer.bound = 3300;
    last.answer.sources = {{"127.0.0.1:12300", true, 734, 3300, 90, SourceVerdict::Used, ""},
                           {"example.org", false, 0, 0, 0, SourceVerdict::NoAnswer, ""}};
    s.lastSync = last;
    return s;
}

TEST(StatusMessage, TheRequestIsAHeaderAndTheServiceTellsItFromASyncRequest) {
    const Bytes request = EncodeStatusRequest();
    const Bytes expected = {'H', 'L', 'X', 'Q', 1, 0, 4, 0, 16, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(request, expected);
    EXPECT_EQ(ReadStatusRequest(request), ReadError::None);
    EXPECT_EQ(RequestKind(request), kKindStatusRequest);
    EXPECT_EQ(RequestKind(EncodeRequest({})), kKindRequest);
    EXPECT_EQ(RequestKind(Bytes(16, 'x')), 0) << "no request's magic";
    EXPECT_EQ(RequestKind(Bytes(request.begin(), request.end() - 1)), 0) << "no whole header";

    Bytes damaged = request;
    damaged.push_back(0);
    EXPECT_EQ(ReadStatusRequest(damaged), ReadError::WrongSize);
    damaged = request;
    damaged[4] = 2;
    EXPECT_EQ(ReadStatusRequest(damaged), ReadError::WrongVersion);
    damaged = request;
    damaged[14] = 1;
    EXPECT_EQ(ReadStatusRequest(damaged), ReadError::BadValue);
    EXPECT_EQ(ReadStatusRequest(EncodeRequest({})), ReadError::WrongKind);
}

TEST(StatusMessage, AnswersGoBackAndForth) {
    StatusAnswer fresh;  // just started: no sync yet, an empty list of its own, no policy
    fresh.runningSince = {2026, 5, 5, 1, 12, 0, 3, 250};
    StatusAnswer failed = FullStatus();
    failed.allowListFromPolicy = false;
    failed.allowListUnreadable = true;
    failed.lastSync->answer = {};
    failed.lastSync->answer.status = SyncStatus::ConnectFailed;
    failed.lastSync->answer.failure = "The operation timed out";
    StatusAnswer authenticated = FullStatus();
    authenticated.lastSync->answer.authenticated = true;
    for (const StatusAnswer& s : {fresh, FullStatus(), failed, authenticated}) {
        const Bytes bytes = EncodeStatusAnswer(s);
        const StatusRead read = ReadStatusAnswer(bytes);
        ASSERT_EQ(read.error, ReadError::None) << ReadErrorText(read.error);
        EXPECT_TRUE(*read.answer == s);
        EXPECT_EQ(EncodeStatusAnswer(*read.answer), bytes);
    }
    const Bytes head = {'H', 'L', 'X', 'A', 1, 0, 5, 0, 48,   0,    0, 0,
                        0,   0,   0,   0,   0, 0, 0, 0, 0xEA, 0x07, 5, 0};
    const Bytes bytes = EncodeStatusAnswer(fresh);
    ASSERT_EQ(bytes.size(), 48u) << "header, flags, time and three empty counts";
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 24), head);
}

TEST(StatusMessage, TextsAndListsAreCutToFitAndPolicyValuesKeepToTheirKind) {
    StatusAnswer s = FullStatus();
    s.allowList.assign(kMaxStatusEntries + 3, std::string(kMaxStatusText + 9, 'e'));
    s.lastSync->client = "VM\\bob\r\n";
    s.policy = {{"TimeSource", policy::Kind::Number, 3, {"stray"}},
                {"TimeServer", policy::Kind::Text, 7, {}},
                {"AutoSources", policy::Kind::TextList, 7, {"a", "b"}}};
    const StatusRead read = ReadStatusAnswer(EncodeStatusAnswer(s));
    ASSERT_TRUE(read.answer) << ReadErrorText(read.error);
    EXPECT_EQ(read.answer->allowList,
              std::vector<std::string>(kMaxStatusEntries, std::string(kMaxStatusText, 'e')));
    EXPECT_EQ(read.answer->lastSync->client, "VM\\bob  ");
    const std::vector<PolicyValue> kept = {{"TimeSource", policy::Kind::Number, 3, {}},
                                           {"TimeServer", policy::Kind::Text, 0, {""}},
                                           {"AutoSources", policy::Kind::TextList, 0, {"a", "b"}}};
    EXPECT_EQ(read.answer->policy, kept);
}

struct Damage {
    const char* name;
    void (*apply)(Bytes&);
    ReadError error;
};

// Offsets in the answer of FullStatus.
constexpr std::size_t kFlagsAt = 16;
constexpr std::size_t kListAt = 36;       // the allow-list's count
constexpr std::size_t kFirstTextAt = 40;  // its first entry's length
// The last sync's answer, which ends the message.
std::size_t LastAnswerAt(const Bytes& b) {
    return b.size() - kAnswerWithSourcesSize;
}

TEST(StatusMessage, TheReaderRefusesAnythingButWhatTheServiceWrites) {
    const Bytes good = EncodeStatusAnswer(FullStatus());
    ASSERT_EQ(ReadStatusAnswer(good).error, ReadError::None);
    const Damage damage[] = {
        {"empty", [](Bytes& b) { b.clear(); }, ReadError::WrongSize},
        {"magic of a request", [](Bytes& b) { b[3] = 'Q'; }, ReadError::WrongMagic},
        {"version", [](Bytes& b) { b[4] = 2; }, ReadError::WrongVersion},
        {"a sync answer's kind", [](Bytes& b) { b[6] = 2; }, ReadError::WrongKind},
        {"size field", [](Bytes& b) { b[8] ^= 1; }, ReadError::WrongSize},
        {"one byte short", [](Bytes& b) { b.pop_back(), Put32(b, 8, b.size()); },
         ReadError::WrongSize},
        {"one byte long", [](Bytes& b) { b.push_back(0), Put32(b, 8, b.size()); },
         ReadError::WrongSize},
        {"over the largest size",
         [](Bytes& b) { b.resize(kMaxStatusAnswerSize + 1), Put32(b, 8, b.size()); },
         ReadError::WrongSize},
        {"reserved", [](Bytes& b) { b[12] = 1; }, ReadError::BadValue},
        {"flag bit 3", [](Bytes& b) { b[kFlagsAt] |= 8; }, ReadError::BadValue},
        {"no last sync flag", [](Bytes& b) { b[kFlagsAt] &= ~4; }, ReadError::WrongSize},
        {"month 13", [](Bytes& b) { b[22] = 13; }, ReadError::BadValue},
        {"running since zero", [](Bytes& b) { std::fill(b.begin() + 20, b.begin() + 36, 0); },
         ReadError::BadValue},
        {"33 entries", [](Bytes& b) { Put32(b, kListAt, kMaxStatusEntries + 1); },
         ReadError::BadValue},
        {"an entry over its capacity", [](Bytes& b) { Put32(b, kFirstTextAt, kMaxStatusText + 1); },
         ReadError::BadLength},
        {"a line break in an entry", [](Bytes& b) { b[kFirstTextAt + 4] = '\n'; },
         ReadError::BadText},
        {"the last sync's answer damaged", [](Bytes& b) { b[LastAnswerAt(b) + 16] = 9; },
         ReadError::BadValue},
        {"the last sync's answer's length",
         [](Bytes& b) { Put32(b, LastAnswerAt(b) - 4, kAnswerSize); }, ReadError::WrongSize},
    };
    for (const Damage& d : damage) {
        Bytes bytes = good;
        d.apply(bytes);
        const StatusRead read = ReadStatusAnswer(bytes);
        EXPECT_EQ(read.error, d.error) << d.name;
        EXPECT_FALSE(read.answer) << d.name;
    }
}

TEST(StatusMessage, APolicyValueIsOfOneKnownKindWithItsOwnFields) {
    const auto withPolicy = [](const PolicyValue& value) {
        StatusAnswer s;
        s.runningSince = {2026, 5, 5, 1, 12, 0, 3, 250};
        s.policy = {value};
        return EncodeStatusAnswer(s);
    };
    // The value's fields: name, kind, number, text count.
    constexpr std::size_t kNameAt = 48, kKindAt = kNameAt + 4 + 10, kNumberAt = kKindAt + 4;
    constexpr std::size_t kCountAt = kNumberAt + 4;
    const Bytes number = withPolicy({"TimeSource", policy::Kind::Number, 3, {}});
    const Bytes text = withPolicy({"TimeServer", policy::Kind::Text, 0, {"x"}});
    ASSERT_TRUE(ReadStatusAnswer(number).answer);
    ASSERT_TRUE(ReadStatusAnswer(text).answer);
    const struct {
        const Bytes* good;
        std::size_t at;
        std::uint32_t value;
        const char* name;
    } damage[] = {
        {&number, kKindAt, 3, "kind 3"},
        {&text, kNumberAt, 1, "a text with a number"},
        {&text, kCountAt, 0, "a text with no text"},
        {&text, kKindAt, 0, "a number with a text"},
    };
    for (const auto& d : damage) {
        Bytes bytes = *d.good;
        Put32(bytes, d.at, d.value);
        EXPECT_EQ(ReadStatusAnswer(bytes).error, ReadError::BadValue) << d.name;
    }
    Bytes overLong = number;
    Put32(overLong, kNameAt, kMaxPolicyName + 1);
    EXPECT_EQ(ReadStatusAnswer(overLong).error, ReadError::BadLength);
}

}  // namespace
}  // namespace horolux::service
