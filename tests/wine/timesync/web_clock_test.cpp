// The web-server clock source against the HTTP side of tools/sntpserver.py on loopback (script/test
// starts it): its Date header, whole seconds moved by a known offset, read to a few milliseconds.
#include "timesync/web_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "time_server_client.h"

namespace {

using horolux::TimeMeasurement;
constexpr std::int64_t kMs = 1000;

class WebClock : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
        if (port.empty()) GTEST_SKIP() << "no web clock (script/test starts one)";
        port_ = std::atoi(port.c_str());
        url_ = "http://127.0.0.1:" + port + "/clock";
    }
    void TearDown() override { Control("mode=now&offset=0&dateform=imf"); }
    std::string Control(const std::string& query) {
        return test::ServerGet(port_, "/control?" + query);
    }

    int port_ = 0;
    std::string url_;
};

TEST_F(WebClock, EveryDateFormGivesTheOffsetToAFewMillisecondsInEightRequests) {
    const struct {
        const char* query;
        std::int64_t trueOffset;
    } cases[] = {
        {"mode=offset&offset=0.25&dateform=imf", 250 * kMs},
        {"mode=offset&offset=-1.6&dateform=rfc850", -1600 * kMs},
        {"mode=offset&offset=3600.9&dateform=asctime", 3600900 * kMs},
        {"mode=now&dateform=imf", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        ASSERT_EQ(Control(c.query), "ok\n");
        int progress = 0;
        const TimeMeasurement m = MeasureWebClock(url_, [&] { ++progress; });
        ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << m.failure;
        EXPECT_LE(m.requests, 8);
        EXPECT_EQ(progress, m.requests);
        EXPECT_LE(std::llabs(m.offset - c.trueOffset), m.bound)
            << "offset " << m.offset << " bound " << m.bound;
        EXPECT_LE(m.bound, 20 * kMs) << "loopback answers in well under a millisecond";
    }
}

TEST_F(WebClock, AMissingOrUnreadableDateIsRefusedAndAnUnusableAddressToo) {
    ASSERT_EQ(Control("mode=now&dateform=none"), "ok\n");
    TimeMeasurement m = MeasureWebClock(url_);
    EXPECT_EQ(m.outcome, TimeMeasurement::Outcome::Refused);
    EXPECT_EQ(m.failure, "The server sends no Date header");
    ASSERT_EQ(Control("mode=now&dateform=bad"), "ok\n");
    m = MeasureWebClock(url_);
    EXPECT_EQ(m.outcome, TimeMeasurement::Outcome::Refused);
    EXPECT_EQ(m.failure, "The server's Date header is unreadable");
    EXPECT_EQ(MeasureWebClock("ftp://127.0.0.1/").outcome, TimeMeasurement::Outcome::Refused);
}

// A stock web server (Debian's lighttpd on a loopback port) stamps the machine's own clock: the
// offset measured against it must be nil within the bound.
TEST(WebClockAgainstLighttpd, AStockServersDateAgreesWithTheClock) {
    const std::string port = test::EnvText("HOROLUX_LIGHTTPD_PORT");
    if (port.empty()) GTEST_SKIP() << "no lighttpd (script/test starts one)";
    const TimeMeasurement m = MeasureWebClock("http://127.0.0.1:" + port + "/index.html");
    ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << m.failure;
    EXPECT_LE(m.requests, 8);
    EXPECT_LE(std::llabs(m.offset), m.bound) << "offset " << m.offset << " bound " << m.bound;
    EXPECT_LE(m.bound, 20 * kMs);
}

}  // namespace
