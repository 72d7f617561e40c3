// The web-server clock source over both HTTP stacks against the HTTP side of tools/sntpserver.py on
// loopback (script/test starts it): its Date header, whole seconds moved by a known offset, read to
// a few milliseconds.
#include "timesync/web_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "http_stacks.h"
#include "time_server_client.h"
#include "timesync/sync_procedure.h"

using namespace timesync;  // the layer under test

namespace {

using horolux::TimeMeasurement;
constexpr std::int64_t kMs = 1000;

class LoopbackWebClock : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
        if (port.empty()) GTEST_SKIP() << "no web clock (script/test starts one)";
        port_ = std::atoi(port.c_str());
        url_ = "http://127.0.0.1:" + port + "/clock";
        bypass_.emplace();
    }
    void TearDown() override {
        if (port_ > 0) Control("mode=now&offset=0&dateform=imf&jumpat=0");
    }
    std::string Control(const std::string& query) {
        return test::ServerGet(port_, "/control?" + query);
    }

    int port_ = 0;
    std::string url_;
    std::optional<test::LoopbackBypassesTheProxy> bypass_;
};

class WebClock : public LoopbackWebClock, public ::testing::WithParamInterface<test::StackParam> {
protected:
    TimeMeasurement Measure(const std::string& url, const std::function<void()>& progress = {}) {
        return timesync::MeasureWebClock(url, progress, GetParam().stack());
    }
};

TEST_P(WebClock, EveryDateFormGivesTheOffsetToAFewMillisecondsInEightRequests) {
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
        const TimeMeasurement m = Measure(url_, [&] { ++progress; });
        ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << m.failure;
        EXPECT_LE(m.requests, 8);
        EXPECT_EQ(progress, m.requests);
        EXPECT_LE(std::llabs(m.offset - c.trueOffset), m.bound)
            << "offset " << m.offset << " bound " << m.bound;
        EXPECT_LE(m.bound, 20 * kMs) << "loopback answers in well under a millisecond";
    }
}

TEST_P(WebClock, AMissingOrUnreadableDateIsRefusedAndAnUnusableAddressToo) {
    ASSERT_EQ(Control("mode=now&dateform=none"), "ok\n");
    TimeMeasurement m = Measure(url_);
    EXPECT_EQ(m.outcome, TimeMeasurement::Outcome::Refused);
    EXPECT_EQ(m.failure, "The server sends no Date header");
    ASSERT_EQ(Control("mode=now&dateform=bad"), "ok\n");
    m = Measure(url_);
    EXPECT_EQ(m.outcome, TimeMeasurement::Outcome::Refused);
    EXPECT_EQ(m.failure, "The server's Date header is unreadable");
    EXPECT_EQ(Measure("ftp://127.0.0.1/").outcome, TimeMeasurement::Outcome::Refused);
    EXPECT_EQ(Measure("http://127.0.0.1:99999/").outcome, TimeMeasurement::Outcome::Refused);
}

TEST_P(WebClock, AClosedPortIsUnreachable) {
    const int timeServer = std::atoi(test::EnvText("HOROLUX_TIMESERVER_PORT").c_str());
    if (timeServer <= 0) GTEST_SKIP() << "no time page server to name a closed port";
    const int closed = std::atoi(test::ServerGet(timeServer, "/control/closedport").c_str());
    ASSERT_GT(closed, 0);
    int progress = 0;
    const TimeMeasurement m =
        Measure("http://127.0.0.1:" + std::to_string(closed) + "/", [&] { ++progress; });
    EXPECT_EQ(m.outcome, TimeMeasurement::Outcome::Unreachable);
    EXPECT_EQ(m.failure, "Cannot reach the server");
    EXPECT_EQ(m.requests, 1);
    EXPECT_EQ(progress, 1);
}

HOROLUX_FOR_BOTH_STACKS(WebClock);

// The program's stack and the service's read the same exact clock alike, each within its bound.
TEST_F(LoopbackWebClock, BothStacksReadTheSameClockWithinTheirBounds) {
    ASSERT_EQ(Control("mode=offset&offset=0.4321&dateform=imf"), "ok\n");
    const TimeMeasurement a = timesync::MeasureWebClock(url_, {}, timesync::WinInetStack());
    const TimeMeasurement b = MeasureWebClock(url_, {}, timesync::WinHttpStack());
    ASSERT_EQ(a.outcome, TimeMeasurement::Outcome::Ok) << a.failure;
    ASSERT_EQ(b.outcome, TimeMeasurement::Outcome::Ok) << b.failure;
    EXPECT_LE(std::llabs(a.offset - b.offset), a.bound + b.bound)
        << "WinINet " << a.offset << " +/- " << a.bound << ", WinHTTP " << b.offset << " +/- "
        << b.bound;
}

// A server whose second steps once while it is bracketed is measured again from scratch; one that
// steps in both attempts is refused. The step of 2.5 s lands outside the interval known after
// three answers, so the fourth answer contradicts them.
TEST_F(LoopbackWebClock, ASecondThatJumpsIsMeasuredOnceMoreBeforeItIsRefused) {
    ASSERT_EQ(Control("mode=offset&offset=0.25&dateform=imf&jump=2.5&jumpat=4"), "ok\n");
    int progress = 0;
    TimeMeasurement m = timesync::MeasureWebClock(
        url_, [&] { ++progress; }, timesync::WinInetStack());
    ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << m.failure;
    EXPECT_LE(std::llabs(m.offset - 2750 * kMs), m.bound) << "offset " << m.offset;
    EXPECT_GT(m.requests, 4) << "the second attempt's requests are counted too";
    EXPECT_LE(m.requests, 4 + 8);
    EXPECT_EQ(progress, m.requests);

    ASSERT_EQ(Control("mode=offset&offset=0.25&jump=2.5&jumpat=4,7"), "ok\n");
    m = MeasureWebClock(url_, {}, WinInetStack());
    EXPECT_EQ(m.outcome, TimeMeasurement::Outcome::Refused);
    EXPECT_EQ(m.failure, "The server's clock jumped while it was measured");
    EXPECT_EQ(m.requests, 4 + 3) << "two attempts, each ended by a step";
}

// A stock web server (Debian's lighttpd on a loopback port) stamps the machine's own clock, but
// from a date it caches and refreshes on its own schedule: its Date lags the clock by a part of a
// second that depends on its load and may change between two requests. So all that holds is that
// a measurement puts the true offset, zero, within [offset - bound, offset + 1 s + bound], or
// sees the server's second jump.
class WebClockAgainstLighttpd : public ::testing::TestWithParam<test::StackParam> {
protected:
    void SetUp() override {
        port_ = test::EnvText("HOROLUX_LIGHTTPD_PORT");
        if (port_.empty()) GTEST_SKIP() << "no lighttpd (script/test starts one)";
        bypass_.emplace();
    }
    std::string Url() const { return "http://127.0.0.1:" + port_ + "/index.html"; }

    std::string port_;
    std::optional<test::LoopbackBypassesTheProxy> bypass_;
};

TEST_P(WebClockAgainstLighttpd, AStockServersDateLagsTheClockByLessThanASecond) {
    // The stock server itself answers, not the time page's proxy (whose Date is the clock's own).
    const auto connection = GetParam().stack().Connect(*horolux::ParseHttpUrl(Url()));
    ASSERT_TRUE(connection);
    const auto answer = connection->Head("/index.html");
    ASSERT_TRUE(answer);
    EXPECT_NE(answer->headers.find("\r\nServer: lighttpd"), std::string::npos) << answer->headers;

    const TimeMeasurement m = timesync::MeasureWebClock(Url(), {}, GetParam().stack());
    EXPECT_LE(m.requests, 16);
    if (m.outcome == TimeMeasurement::Outcome::Refused) {
        EXPECT_EQ(m.failure, "The server's clock jumped while it was measured");
        return;
    }
    ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << m.failure;
    EXPECT_LE(m.offset - m.bound, 0) << "offset " << m.offset << " bound " << m.bound;
    EXPECT_GE(m.offset + 1000 * kMs + m.bound, 0) << "offset " << m.offset << " bound " << m.bound;
    EXPECT_LE(m.bound, 20 * kMs);
}

HOROLUX_FOR_BOTH_STACKS(WebClockAgainstLighttpd);

// tools/httpsclock.py on loopback (script/test starts it): web clocks over TLS with a certificate
// for localhost from the test authority the prefix trusts, a self-signed one, one from an
// authority nobody trusts, and a proxy that refuses to tunnel, answering with a Date 30 s ahead.
class HttpsWebClock : public ::testing::TestWithParam<test::StackParam> {
protected:
    void SetUp() override {
        good_ = test::EnvText("HOROLUX_HTTPS_GOOD_PORT");
        if (good_.empty()) GTEST_SKIP() << "no HTTPS web clock (script/test starts one)";
    }
    TimeMeasurement Measure(const std::string& url) {
        return timesync::MeasureWebClock(url, {}, GetParam().stack());
    }
    static std::string Url(const char* host, const char* port) {
        return std::string("https://") + host + ':' + test::EnvText(port) + '/';
    }
    std::string good_;
};

TEST_P(HttpsWebClock, AVerifiedServerIsAuthenticatedAndAnyOtherCertificateIsRefusedInWords) {
    const test::LoopbackBypassesTheProxy bypass;
    const TimeMeasurement m = Measure(Url("localhost", "HOROLUX_HTTPS_GOOD_PORT"));
    ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << m.failure;
    EXPECT_TRUE(m.authenticated);
    EXPECT_LE(m.offset - m.bound, 0) << m.offset << " +- " << m.bound;
    EXPECT_GE(m.offset + m.bound, 0) << m.offset << " +- " << m.bound;
    EXPECT_LE(m.bound, 10 * kMs);

    const struct {
        std::string url;
        const char* failure;
    } refused[] = {
        {Url("127.0.0.1", "HOROLUX_HTTPS_GOOD_PORT"),
         "The server's certificate is for another name"},
        {Url("localhost", "HOROLUX_HTTPS_SELF_PORT"),
         "The server's certificate is not from a trusted authority"},
        {Url("localhost", "HOROLUX_HTTPS_STRANGER_PORT"),
         "The server's certificate does not lead to a trusted authority"},
    };
    for (const auto& c : refused) {
        const TimeMeasurement r = Measure(c.url);
        EXPECT_EQ(r.outcome, TimeMeasurement::Outcome::Refused) << c.url;
        EXPECT_EQ(r.failure, c.failure) << c.url;
        EXPECT_FALSE(r.authenticated) << c.url;
    }
    const TimeMeasurement plain =
        Measure("http://localhost:" + test::EnvText("HOROLUX_HTTPS_PLAIN_PORT") + "/");
    ASSERT_EQ(plain.outcome, TimeMeasurement::Outcome::Ok) << plain.failure;
    EXPECT_FALSE(plain.authenticated);
}

TEST_P(HttpsWebClock, AProxysOwnAnswerIsNoTimeAndARedirectToPlainHttpIsNotFollowed) {
    // Both stacks sent through the proxy that refuses to tunnel, to a server nothing here reaches
    // directly: WinINet would reuse a direct connection it kept, proxy or not.
    {
        const std::string proxy = "127.0.0.1:" + test::EnvText("HOROLUX_HTTPS_PROXY_PORT");
        const test::ScopedRegistryValue enable(HKEY_CURRENT_USER, test::kUserInternetSettings,
                                               "ProxyEnable", REG_DWORD,
                                               std::string("\1\0\0\0", 4));
        const test::ScopedRegistryValue server(HKEY_CURRENT_USER, test::kUserInternetSettings,
                                               "ProxyServer", REG_SZ, proxy + '\0');
        const test::ScopedMachineWinHttpProxy machine(proxy, "");
        const TimeMeasurement m = Measure(Url("localhost", "HOROLUX_HTTPS_PROXIED_PORT"));
        EXPECT_NE(m.outcome, TimeMeasurement::Outcome::Ok) << "offset " << m.offset;
        EXPECT_FALSE(m.authenticated);
    }
    const test::LoopbackBypassesTheProxy bypass;
    const auto connection = GetParam().stack().Connect(
        *horolux::ParseHttpUrl(Url("localhost", "HOROLUX_HTTPS_GOOD_PORT")));
    ASSERT_TRUE(connection);
    const auto answer = connection->Head("/to-plain");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->headers.rfind("HTTP/1.1 301", 0), 0u) << answer->headers;
    EXPECT_FALSE(answer->certificates.empty()) << "the HTTPS server's own answer";
}

// Clocks three years ahead and behind with certificates valid only around their own time, as a PC
// whose clock is that far off sees every server: they are believed, for what they vouch for.
TEST_P(HttpsWebClock, AClockYearsOffIsAuthenticatedByACertificateValidAtItsOwnTime) {
    const test::LoopbackBypassesTheProxy bypass;
    constexpr double kYearsOff = 1095 * 86400e6;
    for (const auto& [port, sign] :
         {std::pair{"HOROLUX_HTTPS_AHEAD_PORT", 1}, std::pair{"HOROLUX_HTTPS_BEHIND_PORT", -1}}) {
        const TimeMeasurement m = Measure(Url("localhost", port));
        ASSERT_EQ(m.outcome, TimeMeasurement::Outcome::Ok) << port << ": " << m.failure;
        EXPECT_TRUE(m.authenticated) << port;
        EXPECT_NEAR(static_cast<double>(m.offset), sign * kYearsOff, 50e3) << port;
    }
    // Such a clock alone, one operator, in a sync that started by itself: nothing set unasked.
    horolux::SyncRequest request;
    request.source = horolux::TimeSource::Automatic;
    request.sources = {
        *horolux::ReadSourceEntry(Url("localhost", "HOROLUX_HTTPS_AHEAD_PORT").insert(0, "web:"))};
    horolux::RefusedServers refused;
    const horolux::SyncAnswer answer =
        timesync::RunSyncRequest(request, {GetParam().stack(), refused, {}, {}});
    EXPECT_EQ(answer.status, horolux::SyncStatus::LargeCorrection) << answer.failure;
    EXPECT_TRUE(answer.authenticated);
}

HOROLUX_FOR_BOTH_STACKS(HttpsWebClock);

}  // namespace
