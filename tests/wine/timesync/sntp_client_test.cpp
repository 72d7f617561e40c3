// The time-server source against tools/sntpserver.py on loopback (script/test starts it): the
// offsets it measures, and every answer it must refuse.
#include "timesync/sntp_client.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "time_server_client.h"

using namespace timesync;  // the layer under test

namespace {

using horolux::TimeMeasurement;
constexpr std::int64_t kMs = 1000;

class SntpClient : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
        if (port.empty()) GTEST_SKIP() << "no SNTP server (script/test starts one)";
        port_ = std::atoi(port.c_str());
        server_ = "127.0.0.1:" + port;
        ASSERT_EQ(Control("mode=now&offset=0&delay=0"), "ok\n");
    }
    std::string Control(const std::string& query) {
        return test::ServerGet(port_, "/control?" + query);
    }
    int Requests() {
        const std::string last = test::ServerGet(port_, "/control/last");
        const auto at = last.find("count: ");
        return at == std::string::npos ? -1 : std::atoi(last.c_str() + at + 7);
    }
    TimeMeasurement Measure() {
        return timesync::MeasureTimeServer(server_, refused_, [this] { ++progress_; });
    }

    int port_ = 0;
    std::string server_;
    horolux::RefusedServers refused_;
    int progress_ = 0;
};

TEST_F(SntpClient, MeasuresTheServersOffsetWithinItsBound) {
    const struct {
        const char* query;
        std::int64_t trueOffset;  // what the server's clock is ahead of the PC's
    } cases[] = {
        {"mode=now", 0},
        {"mode=offset&offset=2.5", 2500 * kMs},
        {"mode=offset&offset=-3600.25", -3600250 * kMs},
        {"mode=version3&offset=0.75", 750 * kMs},
        // Delay on one leg only: the reading is half of it off, and the bound must still hold it.
        {"mode=delayout&delay=0.2&offset=1", 1000 * kMs},
        {"mode=delayback&delay=0.2&offset=1", 1000 * kMs},
        {"mode=hold&delay=0.1&offset=0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        ASSERT_EQ(Control(c.query), "ok\n");
        progress_ = 0;
        const TimeMeasurement m = Measure();
        ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << m.failure;
        EXPECT_GE(m.requests, 1);
        EXPECT_LE(m.requests, 4);
        EXPECT_EQ(progress_, m.requests);
        EXPECT_LE(std::llabs(m.offset - c.trueOffset), m.bound)
            << "offset " << m.offset << " bound " << m.bound;
        EXPECT_GE(m.roundTrip, 0);
    }
}

TEST_F(SntpClient, AnswersAfterTheNtpEraOf2036UnfoldToTheirMoment) {
    ASSERT_EQ(Control("mode=era1"), "ok\n");
    const std::string last = test::ServerGet(port_, "/control/last");
    const auto at = last.find("offset: ");
    ASSERT_NE(at, std::string::npos) << last;
    const auto trueOffset = static_cast<std::int64_t>(std::atof(last.c_str() + at + 8) * 1e6);
    ASSERT_GT(trueOffset, 0);
    const TimeMeasurement m = Measure();
    ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << m.failure;
    EXPECT_LE(std::llabs(m.offset - trueOffset), m.bound + 2 * kMs);
}

TEST_F(SntpClient, RefusedAnswersEndInTheirReason) {
    const struct {
        const char* query;
        const char* reason;
    } cases[] = {
        {"mode=wrongmode", "not server mode"},
        {"mode=badversion", "bad version"},
        {"mode=stratum16", "stratum"},
        {"mode=unsync", "unsynchronised"},
        {"mode=zerotransmit", "zero transmit"},
        {"mode=short", "too short"},
        {"mode=kiss&code=INIT", "kiss-o'-death INIT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        ASSERT_EQ(Control(c.query), "ok\n");
        const TimeMeasurement m = Measure();
        EXPECT_EQ(m.outcome, TimeMeasurement::Outcome::Refused);
        EXPECT_NE(m.failure.find(c.reason), std::string::npos) << m.failure;
    }
    // A kiss other than RATE or DENY does not silence the server.
    ASSERT_EQ(Control("mode=now"), "ok\n");
    EXPECT_EQ(Measure().outcome, TimeMeasurement::Outcome::Ok);
}

TEST_F(SntpClient, RateOrDenyStopsEveryQueryToThatServerForTheSession) {
    for (const char* code : {"rate", "deny"}) {
        SCOPED_TRACE(code);
        horolux::RefusedServers fresh;
        refused_ = fresh;
        ASSERT_EQ(Control(std::string("mode=") + code), "ok\n");
        const TimeMeasurement first = Measure();
        EXPECT_EQ(first.outcome, TimeMeasurement::Outcome::Refused);
        EXPECT_NE(first.failure.find("kiss-o'-death"), std::string::npos) << first.failure;
        ASSERT_EQ(Control("mode=now"), "ok\n");
        const int before = Requests();
        const TimeMeasurement again = Measure();
        EXPECT_EQ(again.outcome, TimeMeasurement::Outcome::Refused)
            << "even though it would answer now";
        EXPECT_EQ(Requests(), before) << "nothing was sent";
    }
}

TEST_F(SntpClient, SilentAndSpoofedServersGiveNoMeasurement) {
    for (const char* query : {"mode=silent", "mode=spoof"}) {
        SCOPED_TRACE(query);
        ASSERT_EQ(Control(query), "ok\n");
        const DWORD start = GetTickCount();
        const TimeMeasurement m = Measure();
        EXPECT_EQ(m.outcome, TimeMeasurement::Outcome::Unreachable)
            << "a blind spoof is passed over";
        EXPECT_LE(GetTickCount() - start, 3000u) << "four exchanges within two seconds";
    }
    EXPECT_EQ(timesync::MeasureTimeServer("a b", refused_).outcome,
              TimeMeasurement::Outcome::Refused);
}

// Debian's chronyd on a loopback port, serving this machine's own clock: the offset measured
// against it must be nil within the bound.
TEST(SntpClientAgainstChrony, ARealNtpServerAgreesWithTheClockItServes) {
    const std::string port = test::EnvText("HOROLUX_CHRONY_PORT");
    if (port.empty()) GTEST_SKIP() << "no chronyd (script/test starts one)";
    horolux::RefusedServers refused;
    const TimeMeasurement m = timesync::MeasureTimeServer("127.0.0.1:" + port, refused);
    ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << m.failure;
    EXPECT_EQ(m.requests, 4) << "every exchange answered";
    EXPECT_LE(std::llabs(m.offset), m.bound + 2 * kMs)
        << "offset " << m.offset << " bound " << m.bound;
    EXPECT_LT(m.bound, 50 * kMs);
}

}  // namespace
