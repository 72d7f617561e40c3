// Real syncs of the real program against tools/timeserver.py through http_proxy. Under Wine,
// SetLocalTime accepts only a time within half a second of now and never moves the host clock,
// so the server's current time gives a real success and a shifted time the refused-clock report.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "program_test.h"
#include "resource.h"
#include "time_server_client.h"

namespace {

constexpr char kSuccess[] = " PC clock changed successfully ";
constexpr char kNotRecognised[] = " Unrecognized communication error! ";
using driver::SetConfig;

// Seconds of " yyyy-mm-dd  hh:mm:ss" since an arbitrary day, or -1 when it is not such a text.
long long TextSeconds(const std::string& text) {
    int y, mo, d, h, mi, s;
    if (std::sscanf(text.c_str(), " %d-%d-%d  %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) return -1;
    SYSTEMTIME st{
        static_cast<WORD>(y),  static_cast<WORD>(mo), 0, static_cast<WORD>(d), static_cast<WORD>(h),
        static_cast<WORD>(mi), static_cast<WORD>(s),  0};
    FILETIME ft{};
    if (!SystemTimeToFileTime(&st, &ft)) return -1;
    return static_cast<long long>(
        (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) / 10000000ULL);
}

long long LocalNowSeconds() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[64];
    std::snprintf(text, sizeof text, " %04d-%02d-%02d  %02d:%02d:%02d", now.wYear, now.wMonth,
                  now.wDay, now.wHour, now.wMinute, now.wSecond);
    return TextSeconds(text);
}

class Sync : public driver::ProgramTest {
protected:
    void SetUp() override {
        const std::string port = test::EnvText("HOROLUX_TIMESERVER_PORT");
        if (port.empty()) GTEST_SKIP() << "no time server (script/test starts one)";
        port_ = std::atoi(port.c_str());
        ASSERT_EQ(Control("mode=now"), "ok\n");
        ProgramTest::SetUp();
    }

    std::string Control(const std::string& query) {
        return test::ServerGet(port_, "/control?" + query);
    }
    int RequestCount() {
        const std::string last = test::ServerGet(port_, "/control/last");
        const auto at = last.find("count: ");
        return at == std::string::npos ? -1 : std::atoi(last.c_str() + at + 7);
    }

    bool WaitForStatus(const std::string& status, DWORD ms = 10000) {
        return driver::WaitUntil([&] { return Text(IDC_STATUS) == status; }, ms);
    }
    // Presses "Sync clock" and answers the message box a failure to read the page brings.
    driver::MessageBoxSeen SyncExpectingBox() {
        driver::Click(program_.MainWindow(), IDC_SYNC);
        return driver::AnswerMessageBox(program_.Pid(), IDOK, 10000);
    }

    int port_ = 0;
};

// ctest runs this once more with TZ=Asia/Kolkata (half-hour offset); Wine hands the zone of the
// test process on to the program it starts.
TEST_F(Sync, ASuccessfulSyncShowsAndStoresTheLocalTimeOfTheZone) {
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    if (test::EnvText("TZ") == "Asia/Kolkata") {
        ASSERT_EQ(zone.Bias, -330) << "the zone did not reach Wine";
    }
    HWND main = Start();
    ASSERT_TRUE(main);
    driver::Click(main, IDC_SYNC);
    ASSERT_TRUE(WaitForStatus(kSuccess)) << Text(IDC_STATUS);
    const std::string oldText = Text(IDC_OLD_TIME), newText = Text(IDC_NEW_TIME);
    EXPECT_EQ(Text(IDC_LAST_SYNC), newText);
    EXPECT_LE(std::llabs(TextSeconds(newText) - TextSeconds(oldText)), 1)
        << oldText << " / " << newText;
    EXPECT_LE(std::llabs(TextSeconds(newText) - LocalNowSeconds()), 2)
        << newText << " is not the zone's local time";
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(driver::ConfigText("LastSync"), newText);
}

TEST_F(Sync, AClockTheSystemRefusesKeepsTheLastSuccess) {
    ASSERT_TRUE(Start());
    driver::Click(program_.MainWindow(), IDC_SYNC);
    ASSERT_TRUE(WaitForStatus(kSuccess));
    const std::string lastSync = Text(IDC_LAST_SYNC), oldText = Text(IDC_OLD_TIME);

    ASSERT_EQ(Control("mode=offset&offset=7200"), "ok\n");
    driver::Click(program_.MainWindow(), IDC_SYNC);
    EXPECT_TRUE(WaitForStatus(" PC clock could not be set! ")) << Text(IDC_STATUS);
    EXPECT_EQ(Text(IDC_LAST_SYNC), lastSync);
    EXPECT_EQ(Text(IDC_OLD_TIME), oldText);
    EXPECT_EQ(Text(IDC_NEW_TIME), lastSync);
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(driver::ConfigText("LastSync"), lastSync);
}

TEST_F(Sync, EveryUnreadablePageShowsTheMessageBoxThenItsStatus) {
    ASSERT_TRUE(Start());
    for (const char* mode :
         {"nomarker", "lowercase", "empty", "beyond", "notfound", "hangup", "truncated"}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(Control(std::string("mode=") + mode), "ok\n");
        auto box = SyncExpectingBox();
        ASSERT_TRUE(box.seen);
        EXPECT_EQ(box.caption, "Horolux");
        EXPECT_EQ(box.text, "Unrecognized communication error!");
        EXPECT_TRUE(WaitForStatus(kNotRecognised)) << Text(IDC_STATUS);
        EXPECT_EQ(Text(IDC_LAST_SYNC), "");
    }
}

TEST_F(Sync, NoConnectionShowsItsStatusWithoutABox) {
    const std::string closed = test::ServerGet(port_, "/control/closedport");
    ASSERT_TRUE(
        Start({"http_proxy=http://127.0.0.1:" + std::to_string(std::atoi(closed.c_str()))}));
    driver::Click(program_.MainWindow(), IDC_SYNC);
    EXPECT_TRUE(WaitForStatus(" Sync error on connection to internet! ")) << Text(IDC_STATUS);
    // A box would belong to the same handler, and exists (shown or not) before its loop takes any
    // paint: once the window is painted again, the handler is over or its box is there.
    HWND main = program_.MainWindow();
    ASSERT_TRUE(driver::WaitForNextPaint(main));
    EXPECT_TRUE(driver::Dialogs(program_.Pid(), {main}).empty()) << "no message box";
}

TEST_F(Sync, AFailureAfterASuccessKeepsTheEarlierTexts) {
    ASSERT_TRUE(Start());
    driver::Click(program_.MainWindow(), IDC_SYNC);
    ASSERT_TRUE(WaitForStatus(kSuccess));
    const std::string last = Text(IDC_LAST_SYNC), oldText = Text(IDC_OLD_TIME),
                      newText = Text(IDC_NEW_TIME);
    // A later success would show a later second: wait until the clock has one.
    ASSERT_TRUE(driver::WaitUntil([&] { return LocalNowSeconds() > TextSeconds(newText); }, 5000));
    ASSERT_EQ(Control("mode=nomarker"), "ok\n");
    ASSERT_TRUE(SyncExpectingBox().seen);
    ASSERT_TRUE(WaitForStatus(kNotRecognised));
    EXPECT_EQ(Text(IDC_LAST_SYNC), last);
    EXPECT_EQ(Text(IDC_OLD_TIME), oldText);
    EXPECT_EQ(Text(IDC_NEW_TIME), newText);
}

TEST_F(Sync, ExitAfterSyncEndsOnSuccessOnly) {
    SetConfig("ExitAfterSync", 1);
    ASSERT_TRUE(Start());
    ASSERT_EQ(Control("mode=nomarker"), "ok\n");
    ASSERT_TRUE(SyncExpectingBox().seen);
    ASSERT_TRUE(WaitForStatus(kNotRecognised));
    // A quit request is taken before any paint: painted again, the program goes on.
    EXPECT_TRUE(driver::WaitForNextPaint(program_.MainWindow()))
        << "a failed sync does not end the program";
    EXPECT_TRUE(program_.Running()) << "a failed sync does not end the program";

    ASSERT_EQ(Control("mode=now"), "ok\n");
    driver::Command(program_.MainWindow(), ID_TRAY_SYNC_CLOCK);
    DWORD code = 99;
    EXPECT_TRUE(program_.WaitForExit(10000, &code));
    EXPECT_EQ(code, 0u);
    auto last = driver::ConfigText("LastSync");
    ASSERT_TRUE(last);
    EXPECT_GT(TextSeconds(*last), 0) << "the success was stored on the way out";
}

TEST_F(Sync, TheHourlyScheduleSyncsOnTheSixtiethMinuteTick) {
    SetConfig("ScheduleSync", 1);
    SetConfig("ScheduleInterval", std::string("1"));
    ASSERT_TRUE(Start());
    HWND main = program_.MainWindow();
    const int before = RequestCount();
    auto tick = [&] {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutA(main, WM_TIMER, 1, 0, SMTO_ABORTIFHUNG, 15000, &ignored) != 0;
    };
    for (int minute = 1; minute <= 59; ++minute) ASSERT_TRUE(tick()) << minute;
    EXPECT_EQ(RequestCount(), before) << "no sync before the sixtieth minute";
    EXPECT_EQ(Text(IDC_STATUS), "");
    ASSERT_TRUE(tick());
    EXPECT_EQ(RequestCount(), before + 1);
    EXPECT_EQ(Text(IDC_STATUS), kSuccess);
    // The interval counts again from here.
    for (int minute = 1; minute <= 59; ++minute) ASSERT_TRUE(tick()) << minute;
    EXPECT_EQ(RequestCount(), before + 1);
}

TEST_F(Sync, SyncOnStartSyncsShortlyAfterStart) {
    SetConfig("SyncOnStart", 1);
    ASSERT_TRUE(Start());
    EXPECT_TRUE(WaitForStatus(kSuccess)) << Text(IDC_STATUS);
}

TEST_F(Sync, AChosenMomentInThePastSyncsAtTheNextTickAndIsForgotten) {
    SetConfig("ScheduleSync", 1);
    SetConfig("ScheduleInterval", std::string("24"));
    SetConfig("DoNextStartAt", std::string("1796600000"));  // a day ago
    ASSERT_TRUE(Start());
    const int before = RequestCount();
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutA(program_.MainWindow(), WM_TIMER, 1, 0, SMTO_ABORTIFHUNG, 15000,
                                    &ignored));
    EXPECT_EQ(RequestCount(), before + 1);
    EXPECT_EQ(Text(IDC_STATUS), kSuccess);
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(driver::ConfigText("DoNextStartAt"), "");
}

TEST_F(Sync, WithoutADialUpLinkTheConnectionWatchHoldsTheSchedule) {
    // Wine reports a LAN connection and no modem: every minute tick ends at the watch.
    SetConfig("SyncOnInternetConnect", 1);
    SetConfig("ScheduleSync", 1);
    SetConfig("ScheduleInterval", std::string("0"));  // otherwise due at every tick
    ASSERT_TRUE(Start());
    const int before = RequestCount();
    DWORD_PTR ignored = 0;
    for (int minute = 0; minute < 3; ++minute)
        ASSERT_TRUE(SendMessageTimeoutA(program_.MainWindow(), WM_TIMER, 1, 0, SMTO_ABORTIFHUNG,
                                        15000, &ignored));
    EXPECT_EQ(RequestCount(), before);
    EXPECT_EQ(Text(IDC_STATUS), "");
}

// A server that takes the request and never answers, or answers a byte now and then, ends the
// sync with its status within half a minute, and the program goes on.
TEST_F(Sync, ASilentOrTricklingServerEndsTheSyncWithinHalfAMinute) {
    ASSERT_TRUE(Start());
    const struct {
        const char* mode;
        const char* status;
    } cases[] = {
        {"hang", " Sync error on connection to internet! "},
        {"trickle", " URL reading error! Test internet connection and try again! "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_EQ(Control(std::string("mode=") + c.mode), "ok\n");
        const DWORD start = GetTickCount();
        driver::Click(program_.MainWindow(), IDC_SYNC);
        EXPECT_TRUE(WaitForStatus(c.status, 30000)) << Text(IDC_STATUS);
        EXPECT_LT(GetTickCount() - start, 30000u);
        EXPECT_EQ(Text(IDC_LAST_SYNC), "");
    }
    ASSERT_EQ(Control("mode=now"), "ok\n");
    driver::Click(program_.MainWindow(), IDC_SYNC);
    EXPECT_TRUE(WaitForStatus(kSuccess)) << "and the next sync works";
}

}  // namespace
