// The time page's fetch over both HTTP stacks against tools/timeserver.py on the loopback
// interface. The program's URL stays the real host's: Wine's WinINet honours http_proxy in its
// preconfigured mode and Wine's WinHTTP takes it as the machine's proxy when the machine has none
// (Windows does neither), so script/lib/timeserver.sh routes every request to the local server
// through it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "http_stacks.h"
#include "time_server_client.h"
#include "timesync/http_stack.h"
#include "timesync/system_time.h"

using namespace timesync;  // the layer under test

namespace {

using horolux::ParseUniversalTime;
using horolux::TimePageOutcome;
using test::EnvText;
using test::ServerGet;

// The value of one "name: value" line of a text.
std::string LineValue(const std::string& text, const std::string& name) {
    std::size_t at = text.find(name + ": ");
    if (at == std::string::npos) return "<missing " + name + ">";
    at += name.size() + 2;
    return text.substr(at, text.find('\n', at) - at);
}

using Phases = std::vector<horolux::SyncPhase>;
// What a fetch reports when the page's answer came, and when none did.
const Phases kAnswered = {horolux::SyncPhase::Connecting, horolux::SyncPhase::Reading};
const Phases kNotAnswered = {horolux::SyncPhase::Connecting};

struct Fetched {
    TimePage page;
    Phases phases;
    DWORD milliseconds = 0;
};

Fetched Fetch(timesync::HttpStack& http) {
    Fetched f;
    DWORD start = GetTickCount();
    f.page = http.FetchTimePage([&f](horolux::SyncPhase phase) { f.phases.push_back(phase); });
    f.milliseconds = GetTickCount() - start;
    return f;
}

constexpr char kChildMarker[] = "HOROLUX_TIMECLIENT_CHILD";

// Starts this test program again with arguments and with some "name=value" variables replaced or
// added, waits for it and returns its exit code (or a code of its own on a failure to start).
DWORD RunThisProgram(const std::string& arguments, const std::vector<std::string>& variables) {
    auto nameOf = [](const std::string& v) { return v.substr(0, v.find('=', 1)); };
    std::string block;
    LPCH current = GetEnvironmentStringsA();
    for (LPCH entry = current; *entry; entry += std::strlen(entry) + 1) {
        bool replaced = false;
        for (const std::string& v : variables) {
            replaced = replaced || lstrcmpiA(nameOf(entry).c_str(), nameOf(v).c_str()) == 0;
        }
        if (!replaced) block.append(entry).push_back('\0');
    }
    FreeEnvironmentStringsA(current);
    for (const std::string& v : variables) block.append(v).push_back('\0');
    block.push_back('\0');

    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string commandLine = "\"" + std::string(exe) + "\" " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(exe, commandLine.data(), nullptr, nullptr, FALSE, 0, block.data(), nullptr,
                        &si, &pi)) {
        return 1000 + GetLastError();
    }
    DWORD code = WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0 ? 0 : 999;
    if (code == 999) {
        TerminateProcess(pi.hProcess, 999);
    } else {
        GetExitCodeProcess(pi.hProcess, &code);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

bool AllBlank(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

class TimeClient : public ::testing::TestWithParam<test::StackParam> {
protected:
    void SetUp() override {
        port_ = std::atoi(EnvText("HOROLUX_TIMESERVER_PORT").c_str());
        if (port_ <= 0) {
            GTEST_SKIP() << "HOROLUX_TIMESERVER_PORT is not set: no loopback time server "
                            "(source script/lib/timeserver.sh and call timeserver_start)";
        }
        // Without the proxy the request would leave the machine for the real host.
        ASSERT_EQ(EnvText("http_proxy"), "http://127.0.0.1:" + std::to_string(port_));
        ASSERT_EQ(Control("mode=now"), "ok\n");
    }

    std::string Control(const std::string& query) { return ServerGet(port_, "/control?" + query); }
    std::string LastRequest() { return ServerGet(port_, "/control/last"); }
    int RequestCount() { return std::atoi(LineValue(LastRequest(), "count").c_str()); }
    Fetched Fetch() { return ::Fetch(GetParam().stack()); }

    int port_ = 0;
};

TEST_P(TimeClient, FetchReturnsTheServedPageInItsPhases) {
    ASSERT_EQ(Control("mode=fixed&time=21:12:07"), "ok\n");
    Fetched f = Fetch();
    std::string served = ServerGet(port_, "/cgi-bin/timer.pl");

    ASSERT_EQ(f.page.outcome, TimePageOutcome::Ok);
    EXPECT_EQ(f.phases, kAnswered);
    ASSERT_EQ(f.page.text.size(), horolux::kTimePageSize);
    ASSERT_LT(served.size(), horolux::kTimePageSize);
    EXPECT_NE(served.find("21:12:07   Universal"), std::string::npos) << served;
    EXPECT_EQ(f.page.text.substr(0, served.size()), served);
    EXPECT_TRUE(AllBlank(f.page.text.substr(served.size()))) << "the rest of the buffer is blank";

    auto parsed = ParseUniversalTime(f.page.text);
    ASSERT_EQ(parsed.outcome, TimePageOutcome::Ok);
    EXPECT_EQ(parsed.utc.wHour, 21);
    EXPECT_EQ(parsed.utc.wMinute, 12);
    EXPECT_EQ(parsed.utc.wSecond, 7);
}

TEST_P(TimeClient, RequestCarriesTheAgentAndThePath) {
    int before = RequestCount();
    ASSERT_EQ(Fetch().page.outcome, TimePageOutcome::Ok);
    ASSERT_EQ(Fetch().page.outcome, TimePageOutcome::Ok);
    std::string last = LastRequest();

    // One request per fetch: no retry. (The page is cacheable; Wine asks afresh even without
    // INTERNET_FLAG_RELOAD, so only on Windows does this also show the cache bypassed.)
    EXPECT_EQ(RequestCount(), before + 2) << last;
    EXPECT_EQ(LineValue(last, "user-agent"), &GetParam().stack() == &timesync::WinHttpStack()
                                                 ? timesync::kServiceAgentName
                                                 : timesync::kTimeAgentName);
    // Through a proxy the request line carries the whole URL: "GET http://host[:80]/path HTTP/1.x".
    std::string line = LineValue(last, "request");
    ASSERT_EQ(line.rfind("GET http://", 0), 0u) << line;
    std::string target = line.substr(4, line.find(' ', 4) - 4);
    std::string hostPort = target.substr(7, target.find('/', 7) - 7);
    EXPECT_EQ(hostPort.substr(0, hostPort.find(':')), "tycho.usno.navy.mil") << line;
    EXPECT_TRUE(hostPort.find(':') == std::string::npos ||
                hostPort.substr(hostPort.find(':')) == ":80")
        << "plain HTTP on the default port: " << line;
    EXPECT_EQ(target.substr(7 + hostPort.size()), "/cgi-bin/timer.pl") << line;
}

TEST_P(TimeClient, CurrentAndOffsetPagesAgreeWithTheClock) {
    const struct {
        const char* query;
        int offsetSeconds;
    } cases[] = {
        {"mode=now", 0}, {"mode=offset&offset=7200", 7200}, {"mode=offset&offset=-90", -90}};
    for (const auto& c : cases) {
        ASSERT_EQ(Control(c.query), "ok\n");
        Fetched f = Fetch();
        SYSTEMTIME now;
        GetSystemTime(&now);
        ASSERT_EQ(f.page.outcome, TimePageOutcome::Ok) << c.query;
        auto parsed = ParseUniversalTime(f.page.text);
        ASSERT_EQ(parsed.outcome, TimePageOutcome::Ok) << c.query;
        int served = test::SecondOfDay(parsed.utc.wHour, parsed.utc.wMinute, parsed.utc.wSecond);
        int expected =
            test::SecondOfDay(now.wHour, now.wMinute, now.wSecond) + c.offsetSeconds + 86400;
        EXPECT_LE(test::DayDistance(served, expected % 86400), 1) << c.query;
    }
}

TEST_P(TimeClient, ServerFailuresEndAsThePageImplies) {
    enum Text { kBlank, kNotBlank };
    enum Stacks { kAlike, kNoAnswerOverWinHttp };
    const struct {
        const char* query;
        TimePageOutcome parse;
        Text text;
        DWORD atLeastMs;
        Stacks stacks = kAlike;
    } cases[] = {
        {"mode=nomarker", TimePageOutcome::NotRecognised, kNotBlank, 0},
        {"mode=lowercase", TimePageOutcome::NotRecognised, kNotBlank, 0},
        {"mode=empty", TimePageOutcome::NotRecognised, kBlank, 0},
        {"mode=beyond", TimePageOutcome::NotRecognised, kNotBlank, 0},
        {"mode=edge", TimePageOutcome::Ok, kNotBlank, 0},  // the marker's last byte is the 1024th
        // Wine gives a page handle for a 404 and hands over its body.
        {"mode=notfound", TimePageOutcome::NotRecognised, kNotBlank, 0},
        // Wine's WinINet gives a page handle even when the server closes without a word, and the
        // read gets 0; WinHTTP says that no answer came.
        {"mode=hangup", TimePageOutcome::NotRecognised, kBlank, 0, kNoAnswerOverWinHttp},
        {"mode=truncated", TimePageOutcome::NotRecognised, kBlank, 0},
        // A slow server is waited for, within the bounds below.
        {"mode=slow&delay=2", TimePageOutcome::Ok, kNotBlank, 1900},
        // The edge page in pieces: the one read waits for 1024 bytes, not just the first piece.
        {"mode=dribble", TimePageOutcome::Ok, kNotBlank, 350},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Control(c.query), "ok\n") << c.query;
        Fetched f = Fetch();
        if (c.stacks == kNoAnswerOverWinHttp && GetParam().stack == test::kWinHttp.stack) {
            EXPECT_EQ(f.page.outcome, TimePageOutcome::ConnectFailed) << c.query;
            EXPECT_EQ(f.phases, kNotAnswered) << c.query;
            EXPECT_TRUE(f.page.text.empty()) << c.query;
            continue;
        }
        ASSERT_EQ(f.page.outcome, TimePageOutcome::Ok) << c.query;
        EXPECT_EQ(f.phases, kAnswered) << c.query;
        ASSERT_EQ(f.page.text.size(), horolux::kTimePageSize) << c.query;
        EXPECT_EQ(ParseUniversalTime(f.page.text).outcome, c.parse) << c.query;
        EXPECT_EQ(AllBlank(f.page.text), c.text == kBlank) << c.query;
        EXPECT_GE(f.milliseconds, c.atLeastMs) << c.query;
    }
}

// Neither a silent server nor one that sends a byte now and then holds the program for longer
// than its bounds: 10 s for each wait of the connection, 15 s for the whole answer.
TEST_P(TimeClient, SilentAndTricklingServersAreGivenUpInTime) {
    const struct {
        const char* query;
        TimePageOutcome outcome;
        const Phases& phases;
        DWORD atLeastMs, atMostMs;
    } cases[] = {
        {"mode=hang", TimePageOutcome::ConnectFailed, kNotAnswered, 9500, 12000},
        {"mode=trickle", TimePageOutcome::ReadFailed, kAnswered, 14500, 17000},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Control(c.query), "ok\n") << c.query;
        Fetched f = Fetch();
        EXPECT_EQ(f.page.outcome, c.outcome) << c.query;
        EXPECT_EQ(f.phases, c.phases) << c.query;
        EXPECT_TRUE(f.page.text.empty()) << c.query;
        EXPECT_GE(f.milliseconds, c.atLeastMs) << c.query;
        EXPECT_LE(f.milliseconds, c.atMostMs) << c.query;
    }
}

// Wine takes http_proxy in once per process: another proxy needs another process.
TEST_P(TimeClient, ClosedPortGivesConnectFailed) {
    int closed = std::atoi(ServerGet(port_, "/control/closedport").c_str());
    ASSERT_GT(closed, 0);
    int before = RequestCount();
    DWORD exitCode =
        RunThisProgram("--gtest_filter=Stacks/TimeClientChild.*/" + std::string(GetParam().name),
                       {"http_proxy=http://127.0.0.1:" + std::to_string(closed),
                        std::string(kChildMarker) + "=1"});
    EXPECT_EQ(exitCode, 0u) << "the child's report is above";
    EXPECT_EQ(RequestCount(), before) << "nothing reached the server";
}

HOROLUX_FOR_BOTH_STACKS(TimeClient);

class TimeClientChild : public ::testing::TestWithParam<test::StackParam> {};

TEST_P(TimeClientChild, ClosedProxyGivesConnectFailed) {
    if (EnvText(kChildMarker) != "1") {
        GTEST_SKIP() << "runs only in the process that TimeClient.ClosedPortGivesConnectFailed "
                        "starts with a closed proxy port";
    }
    ASSERT_EQ(EnvText("http_proxy").rfind("http://127.0.0.1:", 0), 0u) << "loopback only";
    Fetched f = Fetch(GetParam().stack());
    EXPECT_EQ(f.page.outcome, TimePageOutcome::ConnectFailed);
    EXPECT_EQ(f.phases, kNotAnswered) << "the library opened, and no answer came";
    EXPECT_TRUE(f.page.text.empty());
}

HOROLUX_FOR_BOTH_STACKS(TimeClientChild);

// The Win32 edges of the clock arithmetic need no server.
TEST(TimeClientEdges, SystemTimeFieldsKeepTheirPlaces) {
    const SYSTEMTIME cases[] = {
        {2026, 12, 1, 7, 19, 44, 30, 123},
        {1, 2, 3, 4, 5, 6, 7, 8},
        {65535, 65534, 65533, 65532, 65531, 65530, 65529, 65528},
    };
    for (const SYSTEMTIME& t : cases) {
        horolux::SystemTime p = timesync::ToPortableTime(t);
        const WORD want[] = {t.wYear, t.wMonth,  t.wDayOfWeek, t.wDay,
                             t.wHour, t.wMinute, t.wSecond,    t.wMilliseconds};
        const WORD got[] = {p.wYear, p.wMonth,  p.wDayOfWeek, p.wDay,
                            p.wHour, p.wMinute, p.wSecond,    p.wMilliseconds};
        SYSTEMTIME back = timesync::ToSystemTime(p);
        const WORD round[] = {back.wYear, back.wMonth,  back.wDayOfWeek, back.wDay,
                              back.wHour, back.wMinute, back.wSecond,    back.wMilliseconds};
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(got[i], want[i]) << "field " << i;
            EXPECT_EQ(round[i], want[i]) << "field " << i;
        }
    }
}

TEST(TimeClientEdges, CurrentTimeZoneGivesTheClocksOwnDifference) {
    // Local time = UTC - bias: the system's two clocks must differ by the bias reported.
    horolux::TimeZoneRecord zone = timesync::CurrentTimeZone();
    SYSTEMTIME utc, local;
    GetSystemTime(&utc);
    GetLocalTime(&local);
    horolux::SystemTime converted = timesync::ToPortableTime(local);
    horolux::UtcToLocalTimeOfDay(ToPortableTime(utc), zone, converted);
    int want = test::SecondOfDay(local.wHour, local.wMinute, local.wSecond);
    int got = test::SecondOfDay(converted.wHour, converted.wMinute, converted.wSecond);
    EXPECT_LE(test::DayDistance(got, want), 1)
        << "bias " << horolux::EffectiveBias(zone) << ", zone id " << zone.zoneId
        << ", TZ=" << EnvText("TZ");
}

}  // namespace
