// What the time service answers, against the loopback servers (script/test starts them): readable
// requests for allowed sources are measured and set, everything else is refused without touching
// the source or the clock; and what it records of each. Under Wine the clock takes only a change
// under half a second, so the servers that must be set from give the true time.
#include "service/sync_requests.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/service/service_names.h"
#include "core/service/service_protocol.h"
#include "core/service/status_report.h"
#include "core/sync/sync_outcome.h"
#include "proxy_settings.h"
#include "service_test_support.h"
#include "tests/support/sync_request_of.h"
#include "time_server_client.h"

namespace {

using horolux::SourceVerdict;
using horolux::SyncAnswer;
using horolux::SyncRequest;
using horolux::SyncStatus;
using horolux::TimeSource;
using test::RequestOf;
using timeservice::EventType;
using timeservice::ServiceEvent;
using Inserts = std::vector<std::string>;

constexpr std::int64_t kMs = 1000;
constexpr std::int64_t kTwoDays = 2 * 86400 * 1000 * kMs;

class SyncRequests : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
        pagePort_ = std::atoi(test::EnvText("HOROLUX_TIMESERVER_PORT").c_str());
        if (port.empty() || pagePort_ <= 0) GTEST_SKIP() << "no loopback servers (script/test)";
        port_ = std::atoi(port.c_str());
        bypass_.emplace();
        server_ = "127.0.0.1:" + port;
        url_ = "http://" + server_ + "/clock";
        ASSERT_EQ(Control("mode=now&offset=0&delay=0&dateform=imf"), "ok\n");
        ASSERT_EQ(test::ServerGet(pagePort_, "/control?mode=now"), "ok\n");
    }
    void TearDown() override {
        if (port_) Control("mode=now&offset=0");
    }
    std::string Control(const std::string& query) {
        return test::ServerGet(port_, "/control?" + query);
    }
    void Allow(const std::vector<std::string>& entries) {
        test::WriteAllowList(horolux::service::kServiceKey, entries);
    }
    SyncAnswer Ask(const SyncRequest& request) {
        const std::vector<std::uint8_t> bytes = horolux::service::EncodeRequest(request);
        const auto read = horolux::service::ReadAnswer(requests_.Answer(bytes, "tester"));
        EXPECT_TRUE(read.answer) << horolux::service::ReadErrorText(read.error);
        return read.answer.value_or(SyncAnswer{});
    }
    // The one record the requests since the last call made.
    timeservice::EventRecord Recorded() {
        const std::vector<timeservice::EventRecord> records = events_.Take();
        EXPECT_EQ(records.size(), 1u);
        return records.empty() ? timeservice::EventRecord{} : records.back();
    }
    // A failed sync's reason as recorded: the outcome's name and its words.
    static std::string Reason(const char* outcome, const SyncAnswer& a) {
        return a.failure.empty() ? outcome : outcome + (": " + a.failure);
    }
    SyncRequest Server() const { return RequestOf(TimeSource::TimeServer, server_); }
    SyncRequest Web() const { return RequestOf(TimeSource::WebServer, url_); }

    test::EventCapture events_;
    timeservice::Requests requests_{horolux::SystemTime{}};
    int port_ = 0, pagePort_ = 0;
    std::string server_, url_;
    test::KeptAllowLists kept_;                             // put back as they were
    std::optional<test::LoopbackBypassesTheProxy> bypass_;  // the page alone goes by the proxy
};

TEST_F(SyncRequests, AllowedSourcesAreMeasuredAndSet) {
    using horolux::service::ExactSeconds;
    using horolux::service::MomentText;
    Allow({"page", "server:" + server_, "web:" + url_});
    for (const SyncRequest& request : {Server(), Web(), SyncRequest{}}) {
        SCOPED_TRACE(static_cast<int>(request.source));
        const SyncAnswer a = Ask(request);
        const timeservice::EventRecord record = Recorded();
        EXPECT_EQ(record.event, ServiceEvent::ClockSet);
        EXPECT_EQ(record.type, EventType::Information);
        const std::string name =
            request.source == TimeSource::Page ? horolux::kTimePageHostName : server_;
        EXPECT_EQ(record.inserts,
                  (Inserts{MomentText(a.before), MomentText(a.after),
                           a.measured ? (a.offset < 0 ? "" : "+") + ExactSeconds(a.offset) + " s"
                                      : "unknown",
                           a.measured ? ExactSeconds(a.bound) + " s" : "unknown", name, "tester"}));
        EXPECT_EQ(a.status, SyncStatus::Ok) << a.failure;
        EXPECT_GT(a.after.wYear, 2000);
        EXPECT_LE(test::DayDistance(
                      test::SecondOfDay(a.after.wHour, a.after.wMinute, a.after.wSecond),
                      test::SecondOfDay(a.before.wHour, a.before.wMinute, a.before.wSecond)),
                  60)
            << "a true clock hardly moves";
        if (request.source == TimeSource::WebServer) {
            EXPECT_NE(
                test::ServerGet(port_, "/control/last").find("clock agent: Horolux Time Service\n"),
                std::string::npos);
        }
        if (request.source != TimeSource::Page) {
            EXPECT_TRUE(a.measured);
            EXPECT_LE(std::llabs(a.offset), 500 * kMs);
            EXPECT_LE(a.bound, 50 * kMs);
            EXPECT_GE(a.requests, 1);
        }
    }
}

TEST_F(SyncRequests, SourcesOffTheListAndUnreadableRequestsAreRefusedUntouched) {
    Allow({"page", "server:time.windows.com"});
    const std::string before = test::ServerGet(port_, "/control/last");
    EXPECT_EQ(Ask(Server()).status, SyncStatus::NotAllowed);
    timeservice::EventRecord record = Recorded();
    EXPECT_EQ(record.event, ServiceEvent::RequestNotAllowed);
    EXPECT_EQ(record.type, EventType::Warning);
    EXPECT_EQ(record.inserts, (Inserts{"tester", "server:" + server_}));
    EXPECT_EQ(Ask(Web()).status, SyncStatus::NotAllowed);
    EXPECT_EQ(Recorded().inserts, (Inserts{"tester", "web:" + url_}));
    EXPECT_EQ(test::ServerGet(port_, "/control/last"), before) << "the source was not asked";

    test::DeleteTree(HKEY_LOCAL_MACHINE, horolux::service::kServiceKey);
    EXPECT_EQ(Ask(SyncRequest{}).status, SyncStatus::NotAllowed) << "no list allows nothing";
    EXPECT_EQ(Recorded().inserts, (Inserts{"tester", "page"}));

    const std::vector<std::uint8_t> garbage(40, 'x');
    const auto read = horolux::service::ReadAnswer(requests_.Answer(garbage, "tester"));
    ASSERT_TRUE(read.answer);
    EXPECT_EQ(read.answer->status, SyncStatus::BadRequest);
    EXPECT_EQ(read.answer->failure, "wrong magic");
    record = Recorded();
    EXPECT_EQ(record.event, ServiceEvent::RequestMalformed);
    EXPECT_EQ(record.type, EventType::Warning);
    EXPECT_EQ(record.inserts, (Inserts{"tester", "wrong magic", "40"}));
}

TEST_F(SyncRequests, OfSeveralSourcesTheAllowedAreMeasuredAndTheOthersNamed) {
    Allow({"server:" + server_, "web:" + url_});
    const SyncAnswer a = Ask(RequestOf(
        TimeSource::Automatic, "server:" + server_ + " web:" + url_ + " server:127.0.0.1:9"));
    EXPECT_EQ(a.status, SyncStatus::Ok) << a.failure;
    ASSERT_EQ(a.sources.size(), 3u);
    EXPECT_EQ(a.sources[0].name, server_);
    EXPECT_EQ(a.sources[0].verdict, SourceVerdict::Used);
    EXPECT_TRUE(a.sources[0].measured);
    EXPECT_EQ(a.sources[1].verdict, SourceVerdict::Used);
    EXPECT_EQ(a.sources[2].name, "127.0.0.1:9");
    EXPECT_EQ(a.sources[2].verdict, SourceVerdict::NotAllowed);
    const timeservice::EventRecord set = Recorded();
    EXPECT_EQ(set.event, ServiceEvent::ClockSet);
    ASSERT_EQ(set.inserts.size(), 6u);
    EXPECT_EQ(set.inserts[4], server_ + ", " + a.sources[1].name) << "the sources used";
    EXPECT_EQ(Ask(RequestOf(TimeSource::Automatic, "server:127.0.0.1:9")).status,
              SyncStatus::NotAllowed);
    EXPECT_EQ(Recorded().inserts, (Inserts{"tester", "server:127.0.0.1:9"}));
}

TEST_F(SyncRequests, ThePolicysRequirementOfAuthenticatedAnswersHoldsWhateverTheRequestSays) {
    Allow({"server:" + server_});
    const SyncRequest plain = RequestOf(TimeSource::Automatic, "server:" + server_);
    ASSERT_FALSE(plain.requireAuthenticated);
    const auto require = [](DWORD value) {
        test::SetRaw(HKEY_LOCAL_MACHINE, horolux::policy::kKey, "RequireAuthenticated", REG_DWORD,
                     &value, sizeof value);
    };
    require(1);
    SyncAnswer a = Ask(plain);
    EXPECT_NE(a.status, SyncStatus::Ok);
    ASSERT_EQ(a.sources.size(), 1u);
    EXPECT_EQ(a.sources[0].verdict, SourceVerdict::NotAuthenticated);
    EXPECT_EQ(Recorded().event, ServiceEvent::SyncFailed);
    require(0);
    a = Ask(plain);
    EXPECT_EQ(a.status, SyncStatus::Ok) << a.failure;
    EXPECT_EQ(Recorded().event, ServiceEvent::ClockSet);
}

// chronyd serving NTS on loopback (script/test): the service keeps its cookies between syncs.
TEST_F(SyncRequests, AnAllowedNtsServerIsMeasuredAuthenticatedAndSet) {
    const std::string ke = test::EnvText("HOROLUX_NTS_KE_PORT");
    if (ke.empty()) GTEST_SKIP() << "no NTS server (script/test)";
    const std::string nts = "localhost:" + ke;
    Allow({"nts:" + nts});
    for (int sync = 0; sync < 2; ++sync) {
        const SyncAnswer a = Ask(RequestOf(TimeSource::Automatic, "nts:" + nts));
        EXPECT_EQ(a.status, SyncStatus::Ok) << a.failure;
        ASSERT_EQ(a.sources.size(), 1u);
        EXPECT_EQ(a.sources[0].name, nts);
        EXPECT_EQ(horolux::VerdictText(a.sources[0]), "used (authenticated)");
        EXPECT_TRUE(a.measured);
        EXPECT_LE(std::llabs(a.offset), a.bound);
        const timeservice::EventRecord set = Recorded();
        EXPECT_EQ(set.event, ServiceEvent::ClockSet);
        ASSERT_EQ(set.inserts.size(), 6u);
        EXPECT_EQ(set.inserts[4], nts + " (authenticated)");
    }
}

// A web clock whose address has a blank is allowed as the administrator wrote it, however the
// request spells the blank.
TEST_F(SyncRequests, AnAllowedWebClockWithABlankInItsAddressIsMeasured) {
    const std::string spaced = url_ + "/a b";
    Allow({"server:" + server_, "web:" + spaced});
    horolux::TimeSourceChoice choice;
    choice.source = TimeSource::Automatic;
    choice.autoSources = {*horolux::ReadSourceEntry("server:" + server_),
                          *horolux::ReadSourceEntry("web:" + spaced)};
    const SyncAnswer a = Ask(horolux::SyncRequestFor(choice));
    EXPECT_EQ(a.status, SyncStatus::Ok) << a.failure;
    ASSERT_EQ(a.sources.size(), 2u);
    EXPECT_EQ(a.sources[1].verdict, SourceVerdict::Used) << horolux::VerdictText(a.sources[1]);
    EXPECT_EQ(Recorded().event, ServiceEvent::ClockSet);
}

TEST_F(SyncRequests, ADayOrMoreIsSetOnlyWhenTheRequestAllowsIt) {
    Allow({"server:" + server_});
    ASSERT_EQ(Control("mode=offset&offset=172800"), "ok\n");
    SyncRequest request = Server();
    SyncAnswer a = Ask(request);
    EXPECT_EQ(a.status, SyncStatus::LargeCorrection);
    EXPECT_EQ(Recorded().inserts, (Inserts{server_, Reason("large correction", a), "tester"}));
    ASSERT_TRUE(a.measured);
    EXPECT_NEAR(static_cast<double>(a.offset), static_cast<double>(kTwoDays), 50.0 * kMs);
    request.allowLargeCorrection = true;
    a = Ask(request);
    // Tried, and refused by Wine's clock, which takes only small changes.
    EXPECT_EQ(a.status, SyncStatus::ClockRefused);
    EXPECT_TRUE(a.measured);
    EXPECT_EQ(Recorded().inserts, (Inserts{server_, Reason("clock refused", a), "tester"}));
}

TEST_F(SyncRequests, FailuresOfTheSourceEndAsTheProgramWouldShowThem) {
    Allow({"server:" + server_, "server:127.0.0.1:9", "web:" + url_});
    ASSERT_EQ(Control("mode=stratum16"), "ok\n");
    const SyncAnswer refused = Ask(Server());
    EXPECT_EQ(refused.status, SyncStatus::NotRecognised);
    EXPECT_NE(refused.failure.find("stratum"), std::string::npos) << refused.failure;
    timeservice::EventRecord record = Recorded();
    EXPECT_EQ(record.event, ServiceEvent::SyncFailed);
    EXPECT_EQ(record.type, EventType::Warning);
    EXPECT_EQ(record.inserts, (Inserts{server_, Reason("not recognised", refused), "tester"}));
    const SyncAnswer unreachable = Ask(RequestOf(TimeSource::TimeServer, "127.0.0.1:9"));
    EXPECT_EQ(unreachable.status, SyncStatus::ConnectFailed);
    EXPECT_EQ(Recorded().inserts,
              (Inserts{"127.0.0.1:9", Reason("connect failed", unreachable), "tester"}));
    ASSERT_EQ(Control("mode=now&dateform=none"), "ok\n");
    const SyncAnswer noDate = Ask(Web());
    EXPECT_EQ(noDate.status, SyncStatus::NotRecognised);
    EXPECT_FALSE(noDate.measured);
    EXPECT_EQ(Recorded().inserts, (Inserts{server_, Reason("not recognised", noDate), "tester"}));
}

}  // namespace
