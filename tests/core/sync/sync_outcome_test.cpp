#include "core/sync/sync_outcome.h"

#include <gtest/gtest.h>

namespace horolux {
namespace {

TEST(SyncOutcome, ARequestCarriesOnlyTheChosenSourceAsEntriesNamedAsTheChoiceIs) {
    TimeSourceChoice choice;
    choice.server = "NTP.Example.org:1123";
    choice.webUrl = "HTTPS://WWW.Example.com/a b";
    choice.autoSources = {*ReadSourceEntry("server:a.example.org"),
                          *ReadSourceEntry("web:http://b.example.org/")};
    const std::vector<SourceEntry> expected[] = {
        {},
        {*ReadSourceEntry("server:ntp.example.org:1123")},
        {*ReadSourceEntry("web:https://www.example.com/a%20b")},
        choice.autoSources};
    for (const TimeSource source :
         {TimeSource::Page, TimeSource::TimeServer, TimeSource::WebServer, TimeSource::Automatic}) {
        choice.source = source;
        const SyncRequest request = SyncRequestFor(choice);
        EXPECT_EQ(request.source, source);
        EXPECT_EQ(request.sources, expected[static_cast<int>(source)]);
        EXPECT_FALSE(request.allowLargeCorrection);
        // The service names the request as the program names its choice.
        EXPECT_EQ(SourceName(request), SourceName(choice));
        EXPECT_FALSE(request.requireAuthenticated);
    }
    choice.requireAuthenticated = true;
    for (const TimeSource source : {TimeSource::TimeServer, TimeSource::Automatic}) {
        choice.source = source;
        EXPECT_EQ(SyncRequestFor(choice).requireAuthenticated, source == TimeSource::Automatic);
    }
}

TEST(SyncOutcome, AnAnswerCarriesTheMeasurementOnlyWhenOneWasMade) {
    TimeMeasurement ok;
    ok.outcome = TimeMeasurement::Outcome::Ok;
    ok.offset = -1'234'567;
    ok.bound = 4'321;
    ok.roundTrip = 20'000;
    ok.requests = 7;
    const SyncAnswer measured = AnswerFrom(ok);
    EXPECT_TRUE(measured.measured);
    EXPECT_EQ(measured.offset, ok.offset);
    EXPECT_EQ(measured.bound, ok.bound);
    EXPECT_EQ(measured.roundTrip, ok.roundTrip);
    EXPECT_EQ(measured.requests, ok.requests);

    TimeMeasurement refused;
    refused.outcome = TimeMeasurement::Outcome::Refused;
    refused.failure = "The server sends no Date header";
    const SyncAnswer failed = AnswerFrom(refused);
    EXPECT_EQ(failed.status, SyncStatus::NotRecognised);
    EXPECT_EQ(failed.failure, refused.failure);
    EXPECT_FALSE(failed.measured);
}

TEST(SyncOutcome, ARowSaysAnAuthenticatedAnswerOfAJudgedSourceOnly) {
    std::vector<SourceAnswer> answers(4);
    answers[0].entry = *ReadSourceEntry("nts:a.example.org:4461");
    answers[0].verdict = SourceVerdict::Used;
    answers[1].entry = *ReadSourceEntry("nts:b.example.org");
    answers[1].verdict = SourceVerdict::Disagrees;
    answers[2].entry = *ReadSourceEntry("server:c.example.org");
    answers[2].verdict = SourceVerdict::Used;
    answers[3].entry = *ReadSourceEntry("nts:d.example.org");
    answers[3].verdict = SourceVerdict::Refused;
    answers[3].measurement.failure = "RATE";
    for (SourceAnswer& a : answers) a.measurement.outcome = TimeMeasurement::Outcome::Ok;
    answers[0].measurement.authenticated = answers[1].measurement.authenticated = true;
    answers[3].measurement.authenticated = true;
    const std::vector<SourceRow> rows = SourceRows(answers);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].name, "a.example.org:4461");
    EXPECT_TRUE(rows[0].authenticated);
    EXPECT_EQ(VerdictText(rows[0]), "used (authenticated)");
    EXPECT_EQ(VerdictText(rows[1]), "disagrees (authenticated)");
    EXPECT_FALSE(rows[2].authenticated);
    EXPECT_EQ(VerdictText(rows[2]), "used");
    EXPECT_EQ(VerdictText(rows[3]), "refused: RATE") << "the verdict's words say it of judged ones";
}

TEST(SyncOutcome, ACorrectionIsMadeAskedOrHealedByWhoseWordItRestsOn) {
    constexpr std::int64_t kMinute = 60'000'000, kYears = 3 * 365 * 24 * 60 * kMinute;
    using C = Correction;
    const struct {
        const char* what;
        CorrectionFacts facts;
        Correction expected;
    } cases[] = {
        {"a chosen server, an hour", {60 * kMinute}, C::Make},
        {"a chosen server, years", {kYears}, C::AskLarge},
        {"several unauthenticated, a minute", {kMinute, true}, C::Make},
        {"several unauthenticated, two minutes", {-2 * kMinute, true}, C::AskUnauthenticated},
        {"one of several alone, authenticated, two minutes",
         {2 * kMinute, true, true, true, 1},
         C::AskLarge},
        {"several authenticated, an hour", {60 * kMinute, true, false, true, 1}, C::Make},
        {"by itself, years, two authenticated operators", {-kYears, true, false, true, 2}, C::Heal},
        {"by itself, years, one authenticated operator",
         {kYears, true, false, true, 1},
         C::AskLarge},
        {"the user's, years, two authenticated operators",
         {kYears, true, false, true, 2, true},
         C::AskLarge},
    };
    for (const auto& c : cases) EXPECT_EQ(JudgeCorrection(c.facts), c.expected) << c.what;
}

}  // namespace
}  // namespace horolux
