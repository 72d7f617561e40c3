// The Automatic source against loopback servers that script/test starts: three of
// tools/sntpserver.py (each an SNTP server and a web clock), Debian's chronyd and lighttpd, and
// for authenticated answers chronyd's NTS and tools/httpsclock.py. Each serves this machine's
// clock unless told to be off it, so the true offset is nil.
#include "timesync/automatic_source.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "proxy_settings.h"
#include "time_server_client.h"
#include "timesync/sync_procedure.h"

using namespace timesync;  // the layer under test

namespace {

using horolux::SourceAnswer;
using horolux::SourceEntry;
using horolux::TimeMeasurement;

class AutomaticSource : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"HOROLUX_SNTPSERVER_PORT", "HOROLUX_SNTPSERVER2_PORT",
                                 "HOROLUX_CHRONY_PORT", "HOROLUX_LIGHTTPD_PORT"})
            if (test::EnvText(name).empty()) GTEST_SKIP() << name << " is not set (script/test)";
        one_ = test::EnvText("HOROLUX_SNTPSERVER_PORT");
        two_ = test::EnvText("HOROLUX_SNTPSERVER2_PORT");
        three_ = test::EnvText("HOROLUX_SNTPSERVER3_PORT");
        bypass_.emplace();
        Reset();  // whatever an earlier test left them in
    }
    void TearDown() override { Reset(); }
    void Reset() {
        for (const std::string& port : {one_, two_, three_})
            if (!port.empty()) Control(port, "mode=now&offset=0&delay=0&datelag=0&dateform=imf");
    }
    static void Control(const std::string& port, const std::string& query) {
        ASSERT_EQ(test::ServerGet(std::atoi(port.c_str()), "/control?" + query), "ok\n") << query;
    }
    static SourceEntry Entry(const std::string& text) { return *horolux::ReadSourceEntry(text); }
    SourceEntry Server(const std::string& port) const { return Entry("server:127.0.0.1:" + port); }
    SourceEntry Web(const std::string& port) const {
        return Entry("web:http://127.0.0.1:" + port + "/clock");
    }
    SourceEntry Chrony() const { return Server(test::EnvText("HOROLUX_CHRONY_PORT")); }
    SourceEntry Lighttpd() const {
        return Entry("web:http://127.0.0.1:" + test::EnvText("HOROLUX_LIGHTTPD_PORT") + "/");
    }

    AutomaticMeasurement Measure(const std::vector<SourceEntry>& entries, DWORD* ms = nullptr,
                                 bool requireAuthenticated = false) {
        const DWORD start = GetTickCount();
        AutomaticMeasurement a =
            MeasureAutomatic(entries, refused_, WinInetStack(), {}, requireAuthenticated);
        if (ms) *ms = GetTickCount() - start;
        return a;
    }
    static std::string VerdictOf(const AutomaticMeasurement& a, const SourceEntry& entry) {
        for (const SourceAnswer& s : a.answers)
            if (s.entry == entry) return horolux::VerdictText(s);
        return "<missing>";
    }

    // Every answer in a line, for a failure's report.
    static std::string Describe(const AutomaticMeasurement& a) {
        std::string text;
        for (const SourceAnswer& s : a.answers)
            text += horolux::SourceEntryName(s.entry) + " " + std::to_string(s.measurement.offset) +
                    "+-" + std::to_string(s.measurement.bound) + " " + horolux::VerdictText(s) +
                    " " + s.measurement.failure + "; ";
        return text;
    }

    std::string one_, two_, three_;
    horolux::RefusedServers refused_;
    std::optional<test::LoopbackBypassesTheProxy> bypass_;
};

TEST_F(AutomaticSource, AFalsetickerIsOutvotedAndNamedAndTheResultCoversTheTrueTime) {
    Control(two_, "mode=offset&offset=5");
    DWORD ms = 0;
    const AutomaticMeasurement a =
        Measure({Server(one_), Server(two_), Chrony(), Web(one_), Lighttpd()}, &ms);
    EXPECT_EQ(VerdictOf(a, Server(two_)), "disagrees");
    for (const SourceEntry& right : {Server(one_), Chrony(), Web(one_)})
        EXPECT_EQ(VerdictOf(a, right), "used") << Describe(a);
    ASSERT_EQ(a.combined.outcome, TimeMeasurement::Outcome::Ok) << a.combined.failure;
    // Never confidently wrong: the true offset, nil, within the bound (lighttpd's stale Date
    // may leave it out, never move the result).
    EXPECT_LE(a.combined.offset - a.combined.bound, 0);
    EXPECT_GE(a.combined.offset + a.combined.bound, 0);
    EXPECT_LT(a.combined.bound, 20'000);
    EXPECT_LE(ms, 3500u) << "the answers in by 3 s are judged";
}

// A web server that stamps a cached Date reads as a clock that is behind: alone it could not be
// told from one, among others it is outvoted, and it never makes a result confidently wrong.
TEST_F(AutomaticSource, StaleWebClocksAreRefusedOrOutvotedAndNeverConfidentlyWrong) {
    Control(one_, "datelag=0.6");
    Control(two_, "datelag=0.3");
    for (int run = 0; run < 3; ++run) {
        // Right time servers in the majority: the stale clocks are outvoted.
        const AutomaticMeasurement a =
            Measure({Server(one_), Server(two_), Chrony(), Web(one_), Lighttpd()});
        ASSERT_EQ(a.combined.outcome, TimeMeasurement::Outcome::Ok) << Describe(a);
        EXPECT_EQ(VerdictOf(a, Web(one_)), "disagrees") << Describe(a);
        EXPECT_LE(a.combined.offset - a.combined.bound, 0) << Describe(a);
        EXPECT_GE(a.combined.offset + a.combined.bound, 0) << Describe(a);
        // A right server against two clocks stale by different amounts: no majority.
        const AutomaticMeasurement split = Measure({Server(one_), Web(one_), Web(two_)});
        EXPECT_EQ(split.combined.failure, horolux::kSourcesDisagree) << Describe(split);
    }
}

TEST_F(AutomaticSource, WithUdpSilentTheWebClocksDecideInTime) {
    Control(one_, "mode=silent");
    Control(two_, "mode=silent");
    DWORD ms = 0;
    const AutomaticMeasurement a = Measure({Server(one_), Server(two_), Web(one_), Web(two_)}, &ms);
    EXPECT_EQ(VerdictOf(a, Server(one_)), "no answer");
    EXPECT_EQ(VerdictOf(a, Web(two_)), "used") << Describe(a);
    ASSERT_EQ(a.combined.outcome, TimeMeasurement::Outcome::Ok) << a.combined.failure;
    EXPECT_EQ(a.selection.used, 2);
    EXPECT_LE(a.combined.offset - a.combined.bound, 0);
    EXPECT_GE(a.combined.offset + a.combined.bound, 0);
    EXPECT_LE(ms, 3500u);
}

TEST_F(AutomaticSource, SourcesThatAllDisagreeSetNothingAndOneAloneIsTrustedWithAMinute) {
    Control(two_, "mode=offset&offset=5");
    const AutomaticMeasurement split = Measure({Server(one_), Server(two_)});
    EXPECT_EQ(split.combined.outcome, TimeMeasurement::Outcome::Refused);
    EXPECT_EQ(split.combined.failure, horolux::kSourcesDisagree);

    // One source two minutes off, nobody to ask: refused as a large correction, nothing set.
    Control(one_, "mode=offset&offset=120");
    horolux::SyncRequest request;
    request.source = horolux::TimeSource::Automatic;
    request.sources = {Server(one_), Server("1")};
    const horolux::SyncAnswer answer =
        timesync::RunSyncRequest(request, {timesync::WinInetStack(), refused_, {}, {}});
    EXPECT_EQ(answer.status, horolux::SyncStatus::LargeCorrection);
    EXPECT_TRUE(answer.measured);
    EXPECT_NEAR(static_cast<double>(answer.offset), 120e6, 50e3);
}

// Forged UDP answers, however many agree, cannot outvote sources whose answers no one on the path
// can forge, nor move the clock by more than a minute on their own.
TEST_F(AutomaticSource, AuthenticatedSourcesOutweighAnyNumberOfPlainOnes) {
    const std::string ke = test::EnvText("HOROLUX_NTS_KE_PORT");
    const std::string https = test::EnvText("HOROLUX_HTTPS_GOOD_PORT");
    if (ke.empty() || https.empty() || three_.empty()) GTEST_SKIP() << "script/test starts them";
    for (const std::string& port : {one_, two_, three_}) Control(port, "mode=offset&offset=3600");
    const SourceEntry nts = Entry("nts:localhost:" + ke);
    const SourceEntry web = Entry("web:https://localhost:" + https + "/");
    const std::vector<SourceEntry> plain{Server(one_), Server(two_), Server(three_)};
    const struct {
        const char* what;
        bool withNts, required;
    } cases[] = {{"NTS and HTTPS", true, false},
                 {"NTS and HTTPS, only authenticated required", true, true},
                 {"HTTPS alone", false, false}};
    for (const auto& c : cases) {
        std::vector<SourceEntry> entries = plain;
        if (c.withNts) entries.push_back(nts);
        entries.push_back(web);
        const AutomaticMeasurement a = Measure(entries, nullptr, c.required);
        ASSERT_EQ(a.combined.outcome, TimeMeasurement::Outcome::Ok) << c.what << Describe(a);
        EXPECT_TRUE(a.combined.authenticated) << c.what;
        EXPECT_LE(a.combined.offset - a.combined.bound, 0) << c.what << Describe(a);
        EXPECT_GE(a.combined.offset + a.combined.bound, 0) << c.what << Describe(a);
        for (const SourceEntry& forged : plain)
            EXPECT_EQ(VerdictOf(a, forged), c.required ? "not authenticated" : "disagrees")
                << c.what;
        EXPECT_EQ(VerdictOf(a, web), "used (authenticated)") << c.what << Describe(a);
    }

    // The three alone agree on an hour: not made unless asked, and the history says why.
    horolux::SyncRequest request;
    request.source = horolux::TimeSource::Automatic;
    request.sources = plain;
    const horolux::SyncAnswer answer =
        timesync::RunSyncRequest(request, {timesync::WinInetStack(), refused_, {}, {}});
    EXPECT_EQ(answer.status, horolux::SyncStatus::LargeCorrection);
    EXPECT_EQ(answer.failure, horolux::kUnauthenticatedLimit);
    EXPECT_FALSE(answer.authenticated);
}

// A PC three years behind: its authenticated sources, run three years ahead with certificates
// valid only then, outweigh a plain server that agrees with the PC; one operator alone sets
// nothing unasked.
TEST_F(AutomaticSource, AClockYearsBehindFollowsItsAuthenticatedSources) {
    const std::string ke = test::EnvText("HOROLUX_NTS_AHEAD_KE_PORT");
    const std::string https = test::EnvText("HOROLUX_HTTPS_AHEAD_PORT");
    if (ke.empty() || https.empty()) GTEST_SKIP() << "script/test starts them";
    horolux::SyncRequest request;
    request.source = horolux::TimeSource::Automatic;
    request.sources = {Entry("nts:localhost:" + ke), Entry("web:https://localhost:" + https + "/"),
                       Server(one_)};
    const AutomaticMeasurement a = Measure(request.sources);
    ASSERT_EQ(a.combined.outcome, TimeMeasurement::Outcome::Ok) << Describe(a);
    EXPECT_TRUE(a.combined.authenticated);
    EXPECT_NEAR(static_cast<double>(a.combined.offset), 1095 * 86400e6, 50e3) << Describe(a);
    EXPECT_EQ(VerdictOf(a, Server(one_)), "disagrees");
    EXPECT_EQ(a.selection.authenticatedOperators, 1);
    const horolux::SyncAnswer answer =
        timesync::RunSyncRequest(request, {timesync::WinInetStack(), refused_, {}, {}});
    EXPECT_EQ(answer.status, horolux::SyncStatus::LargeCorrection);
}

}  // namespace
