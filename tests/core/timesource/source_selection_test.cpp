#include "core/timesource/source_selection.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

TEST(SourceEntry, EntriesReadToOneCanonicalFormAndBack) {
    const struct {
        const char* text;
        const char* canonical;  // empty: does not read
        const char* name;
    } cases[] = {
        {" Server : Time.Windows.com ", "server:time.windows.com", "time.windows.com"},
        {"server:127.0.0.1:12300", "server:127.0.0.1:12300", "127.0.0.1:12300"},
        {"server:[::1]:123", "server:[::1]:123", "::1"},
        {"server:ntp.example.org:123", "server:ntp.example.org", "ntp.example.org"},
        {"WEB:HTTPS://WWW.Example.com:8443/A?b", "web:https://www.example.com:8443/A?b",
         "www.example.com:8443"},
        {"web:http://127.0.0.1:12126/", "web:http://127.0.0.1:12126/", "127.0.0.1:12126"},
        {"page", "page", "tycho.usno.navy.mil"},
        // NTS: the port is the key establishment's, 4460 unless given.
        {" NTS : Time.Cloudflare.com ", "nts:time.cloudflare.com", "time.cloudflare.com"},
        {"nts:time.cloudflare.com:4460", "nts:time.cloudflare.com", "time.cloudflare.com"},
        {"nts:127.0.0.1:14460", "nts:127.0.0.1:14460", "127.0.0.1:14460"},
        {"nts:127.0.0.1:123", "nts:127.0.0.1:123", "127.0.0.1:123"},
        {"nts:[::1]:4460", "nts:[::1]:4460", "::1"},
        {"nts:::1", "nts:[::1]:4460", "::1"},
        {"nts:[::1]:14460", "nts:[::1]:14460", "[::1]:14460"},
        {"nts:", "", ""},
        {"nts: ", "", ""},
        {"nts::4460", "", ""},
        {"nts:host:99999", "", ""},
        {"nts:host:", "", ""},
        {"nts:[::1]:x", "", ""},
        {"nts:a b", "", ""},
        {"server:", "", ""},
        {"server:host:99999", "", ""},
        {"web:ftp://example.org/", "", ""},
        {"time.windows.com", "", ""},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        const auto entry = ReadSourceEntry(c.text);
        ASSERT_EQ(entry.has_value(), *c.canonical != '\0') << c.text;
        if (!entry) continue;
        EXPECT_EQ(SourceEntryText(*entry), c.canonical) << c.text;
        EXPECT_EQ(ReadSourceEntry(SourceEntryText(*entry)), entry) << c.text;
        EXPECT_EQ(SourceEntryName(*entry), c.name) << c.text;
    }
    EXPECT_EQ(SourceEntryOf(TimeSource::TimeServer, "TIME.windows.com:123"),
              ReadSourceEntry("server:time.windows.com"));
    EXPECT_FALSE(SourceEntryOf(TimeSource::TimeServer, ""));
    EXPECT_FALSE(SourceEntryOf(TimeSource::Page, "x"));
    EXPECT_FALSE(SourceEntryOf(TimeSource::Automatic, ""));

    // An NTS server is another source than the time server of the same host and port.
    EXPECT_NE(ReadSourceEntry("nts:a.example.org:123"), ReadSourceEntry("server:a.example.org"));
    EXPECT_EQ(ReadSourceEntry("nts:A.Example.org"), ReadSourceEntry("nts:a.example.org:4460"));
    EXPECT_EQ(ReadSourceEntry("nts:a.example.org")->server.port, 4460);
    EXPECT_FALSE(SourceEntryOf(TimeSource::NtsServer, "a.example.org"))
        << "an entry's kind, never a request's or a stored choice's";
}

TEST(SourceSelection, AnOperatorIsARegistrableDomainOrAnAddress) {
    const struct {
        const char* entry;
        const char* op;
    } cases[] = {
        {"server:a.example.com", "example.com"},
        {"web:https://b.example.com/x", "example.com"},
        {"server:ntp.example.co.uk", "example.co.uk"},
        {"server:pool.ntp.org.", "ntp.org"},
        {"server:localhost", "localhost"},
        {"server:127.0.0.1:12300", "server:127.0.0.1:12300"},
        {"web:http://127.0.0.1:12300/", "web:http://127.0.0.1:12300/"},
        {"server:[::1]:123", "server:[::1]:123"},
        {"nts:Time.Cloudflare.com", "cloudflare.com"},
        {"nts:ptbtime1.ptb.de:4461", "ptb.de"},
        {"nts:127.0.0.1", "nts:127.0.0.1"},
    };
    for (const auto& c : cases) EXPECT_EQ(OperatorOf(*ReadSourceEntry(c.entry)), c.op) << c.entry;
}

SourceAnswer Answer(const char* entry, std::int64_t offset, std::int64_t bound,
                    TimeMeasurement::Outcome outcome = TimeMeasurement::Outcome::Ok) {
    SourceAnswer a;
    a.entry = *ReadSourceEntry(entry);
    a.measurement.outcome = outcome;
    a.measurement.offset = offset;
    a.measurement.bound = bound;
    a.measurement.roundTrip = bound;
    a.measurement.failure = outcome == TimeMeasurement::Outcome::Refused ? "RATE" : "";
    return a;
}

std::string Verdicts(const std::vector<SourceAnswer>& answers) {
    std::string text;
    for (const SourceAnswer& a : answers) text += VerdictText(a) + ";";
    return text;
}

TEST(SourceSelection, TheLargestAgreeingMajorityDecidesFromItsCommonPart) {
    using O = Selection::Outcome;
    const auto unreachable = TimeMeasurement::Outcome::Unreachable;
    const auto refused = TimeMeasurement::Outcome::Refused;
    const struct {
        std::vector<SourceAnswer> answers;
        O outcome;
        std::int64_t offset, bound;
        const char* verdicts;
    } cases[] = {
        // Three agree on [1000, 1400]; a falseticker five seconds off is named.
        {{Answer("server:a.one.org", 1200, 500), Answer("server:b.two.org", 900, 500),
          Answer("server:c.one.org", 1300, 100), Answer("server:d.three.org", 5'000'000, 300)},
         O::Agreed,
         1300,
         100,
         "used;used;used;disagrees;"},
        // Two majorities that overlap in different places (a stale web clock and a server on
        // either side of the true offset): the result spans both, and still holds the truth.
        {{Answer("server:a.one.org", -430, 593), Answer("server:b.two.org", 5'000'030, 312),
          Answer("server:c.three.org", -20, 136), Answer("web:http://d.four.org/", -3769, 4216),
          Answer("web:http://e.five.org/", -4602, 4017)},
         O::Agreed,
         -454,
         570,
         "used;disagrees;used;used;used;"},
        // Intervals that only touch share that point.
        {{Answer("server:a.one.org", 0, 100), Answer("web:https://two.org/", 200, 100)},
         O::Agreed,
         100,
         0,
         "used;used;"},
        // Two against two: no majority, nothing set.
        {{Answer("server:a.one.org", 0, 10), Answer("server:b.two.org", 5, 10),
          Answer("server:c.three.org", 900, 10), Answer("server:d.four.org", 905, 10)},
         O::Disagreed,
         0,
         0,
         "disagrees;disagrees;disagrees;disagrees;"},
        // Agreeing, but all run by one operator.
        {{Answer("server:a.one.org", 0, 10), Answer("server:b.one.org", 5, 10)},
         O::Disagreed,
         0,
         0,
         "disagrees;disagrees;"},
        // UDP blocked: one web clock left decides alone.
        {{Answer("server:a.one.org", 0, 0, unreachable), Answer("server:b.two.org", 0, 0, refused),
          Answer("web:https://www.three.org/", -250'000, 4'000)},
         O::Single,
         -250'000,
         4'000,
         "no answer;refused: RATE;used;"},
        {{Answer("server:a.one.org", 0, 0, unreachable)}, O::NoAnswer, 0, 0, "no answer;"},
        {{}, O::NoAnswer, 0, 0, ""},
    };
    for (auto c : cases) {
        const Selection s = SelectSources(c.answers);
        EXPECT_EQ(s.outcome, c.outcome) << c.verdicts;
        EXPECT_EQ(Verdicts(c.answers), c.verdicts);
        if (c.outcome != O::Agreed && c.outcome != O::Single) continue;
        EXPECT_EQ(s.offset, c.offset) << c.verdicts;
        EXPECT_EQ(s.bound, c.bound) << c.verdicts;
    }
}

SourceAnswer Authenticated(SourceAnswer a) {
    a.measurement.authenticated = true;
    return a;
}

TEST(SourceSelection, AuthenticatedAnswersAnchorTheResultWhateverTheMajority) {
    using O = Selection::Outcome;
    constexpr std::int64_t kHour = 3'600'000'000;
    const auto forged = [](const char* entry) { return Answer(entry, kHour, 1'000); };
    struct Case {
        const char* what;
        std::vector<SourceAnswer> answers;
        bool required;
        O outcome;
        std::int64_t offset, bound;
        const char* verdicts;
        int operators;
    } cases[] = {
        {"three forged UDP answers outvote no one",
         {forged("server:127.0.0.1:1"), forged("server:127.0.0.2:1"), forged("server:127.0.0.3:1"),
          Authenticated(Answer("nts:localhost:2", 0, 4'000)),
          Authenticated(Answer("web:https://localhost:3/", 1'000, 4'000))},
         false,
         O::Agreed,
         500,
         3'500,
         "disagrees;disagrees;disagrees;used (authenticated);used (authenticated);",
         1},
        {"the result stays inside every authenticated interval; a plain answer meeting it is used",
         {Answer("server:a.one.org", 2'000, 500), Authenticated(Answer("nts:b.two.org", 0, 3'000)),
          Answer("server:c.three.org", 9'000, 100)},
         false,
         O::Agreed,
         0,
         3'000,
         "used;used (authenticated);disagrees;",
         1},
        {"one authenticated answer alone among forged ones",
         {forged("server:127.0.0.1:1"), forged("server:127.0.0.2:1"),
          Authenticated(Answer("web:https://localhost:3/", -2'000, 5'000))},
         false,
         O::Agreed,
         -2'000,
         5'000,
         "disagrees;disagrees;used (authenticated);",
         1},
        {"authenticated answers that disagree are judged by majority among themselves",
         {Authenticated(Answer("nts:a.one.org", 0, 1'000)),
          Authenticated(Answer("nts:b.two.org", 500, 1'000)),
          Authenticated(Answer("nts:c.three.org", kHour, 1'000)), Answer("server:d.org", kHour, 1)},
         false,
         O::Agreed,
         250,
         750,
         "used (authenticated);used (authenticated);disagrees (authenticated);disagrees;",
         2},
        {"two authenticated answers apart: no result",
         {Authenticated(Answer("nts:a.one.org", 0, 1'000)),
          Authenticated(Answer("nts:b.two.org", kHour, 1'000)), Answer("server:c.org", 0, 1'000)},
         false,
         O::Disagreed,
         0,
         0,
         "disagrees (authenticated);disagrees (authenticated);disagrees;",
         0},
        {"required: plain answers are not authenticated and play no part",
         {Answer("server:a.one.org", 0, 100), Answer("server:b.two.org", 0, 100),
          Authenticated(Answer("nts:c.three.org", 3'000, 1'000))},
         true,
         O::Agreed,
         3'000,
         1'000,
         "not authenticated;not authenticated;used (authenticated);",
         1},
        {"required, and none authenticated",
         {Answer("server:a.one.org", 0, 100), Answer("server:b.two.org", 0, 100)},
         true,
         O::NoneAuthenticated,
         0,
         0,
         "not authenticated;not authenticated;",
         0},
    };
    for (auto& c : cases) {
        const Selection s = SelectSources(c.answers, c.required);
        EXPECT_EQ(s.outcome, c.outcome) << c.what;
        EXPECT_EQ(Verdicts(c.answers), c.verdicts) << c.what;
        EXPECT_EQ(s.authenticatedOperators, c.operators) << c.what;
        EXPECT_EQ(s.authenticated, c.outcome == O::Agreed) << c.what;
        if (c.outcome != O::Agreed) continue;
        EXPECT_EQ(s.offset, c.offset) << c.what;
        EXPECT_EQ(s.bound, c.bound) << c.what;
    }
}

}  // namespace
}  // namespace horolux
