// Syncs from the two live sources, an Internet time server and a web server's clock, both served
// on loopback by tools/sntpserver.py (script/test starts it), and the Time source window. Under
// Wine the clock takes only a change under half a second, so the servers give the true time.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "program_test.h"
#include "proxy_settings.h"
#include "res/time_source_resource.h"
#include "resource.h"
#include "test_registry.h"
#include "time_server_client.h"

namespace {

constexpr char kSuccess[] = " PC clock changed successfully ";
using driver::SetConfig;

// The stored history, newest first.
std::vector<std::string> History() {
    std::vector<std::string> list;
    const auto raw = test::ReadRaw(HKEY_CURRENT_USER, driver::kConfigKey, "SyncHistory");
    if (!raw || raw->type != REG_MULTI_SZ) return list;
    for (std::size_t at = 0; at < raw->data.size() && raw->data[at] != '\0';) {
        list.emplace_back(raw->data.c_str() + at);
        at += list.back().size() + 1;
    }
    return list;
}

// The welcome text of the main window, which has no control ID of its own.
std::string WelcomeText(HWND main) {
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[256] = {};
        DWORD_PTR copied = 0;
        SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, 5000, &copied);
        if (std::string(text).rfind("Welcome", 0) == 0) return text;
    }
    return "<none>";
}

class TimeSource : public driver::ProgramTest {
protected:
    void SetUp() override {
        const std::string port = test::EnvText("HOROLUX_SNTPSERVER_PORT");
        if (port.empty()) GTEST_SKIP() << "no SNTP server (script/test starts one)";
        port_ = std::atoi(port.c_str());
        ASSERT_EQ(Control("mode=now&offset=0&dateform=imf"), "ok\n");
        ProgramTest::SetUp();
    }
    void TearDown() override {
        Control("mode=now&offset=0&dateform=imf");
        ProgramTest::TearDown();
    }
    std::string Control(const std::string& query) {
        return test::ServerGet(port_, "/control?" + query);
    }
    std::string Server() const { return "127.0.0.1:" + std::to_string(port_); }
    // Automatic, from these entries.
    static void SetSeveralSources(const std::vector<std::string>& entries) {
        SetConfig("TimeSource", 3);
        std::string list;
        for (const std::string& entry : entries) list += entry + '\0';
        list += '\0';
        test::SetRaw(HKEY_CURRENT_USER, driver::kConfigKey, "AutoSources", REG_MULTI_SZ,
                     list.data(), static_cast<DWORD>(list.size()));
    }
    // The Time source window, opened from the system menu; null when it does not show.
    HWND OpenTimeSourceWindow(HWND main) {
        PostMessageA(main, WM_SYSCOMMAND, IDM_TIME_SOURCE, 0);
        HWND dialog = nullptr;
        driver::WaitUntil(
            [&] {
                return (dialog = driver::FindTopLevel(program_.Pid(), "Horolux - Time source")) &&
                       IsWindowVisible(dialog);
            },
            5000);
        return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
    }
    bool WaitForStatus(const std::string& status, DWORD ms = 15000) {
        return driver::WaitUntil([&] { return Text(IDC_STATUS) == status; }, ms);
    }

    int port_ = 0;
};

TEST_F(TimeSource, ATimeServerSetsTheClockAndTheSyncIsRecorded) {
    SetConfig("TimeSource", 1);
    SetConfig("TimeServer", Server());
    HWND main = Start();
    ASSERT_TRUE(main);
    EXPECT_EQ(WelcomeText(main),
              "Welcome to Horolux \nThe real time sync of the PC clock through Internet. \nFrom "
              "time server " +
                  Server() + ".");
    driver::Click(main, IDC_SYNC);
    ASSERT_TRUE(WaitForStatus(kSuccess)) << Text(IDC_STATUS);
    const std::string last = Text(IDC_LAST_SYNC);
    EXPECT_EQ(Text(IDC_NEW_TIME), last);
    ASSERT_TRUE(driver::WaitUntil([] { return History().size() == 1; }, 5000));
    const auto history = History();
    EXPECT_NE(history[0].find("\t" + Server() + "\t"), std::string::npos) << history[0];
    EXPECT_NE(history[0].find(kSuccess), std::string::npos) << history[0];
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(driver::ConfigText("LastSync"), last);
}

TEST_F(TimeSource, AWebServersClockSetsTheClock) {
    const test::LoopbackBypassesTheProxy bypass;  // the web clock itself, not the page's proxy
    SetConfig("TimeSource", 2);
    SetConfig("TimeWebUrl", "http://" + Server() + "/clock");
    HWND main = Start();
    ASSERT_TRUE(main);
    EXPECT_NE(WelcomeText(main).find("From the clock of web server " + Server() + "."),
              std::string::npos);
    driver::Click(main, IDC_SYNC);
    EXPECT_TRUE(WaitForStatus(kSuccess)) << Text(IDC_STATUS);
    EXPECT_NE(test::ServerGet(port_, "/control/last").find("clock agent: Horolux\n"),
              std::string::npos)
        << "the program read that server's clock";
}

TEST_F(TimeSource, SeveralSourcesSetTheClockAndTheHistoryNamesEachVerdict) {
    const test::LoopbackBypassesTheProxy bypass;
    const std::string second = test::EnvText("HOROLUX_SNTPSERVER2_PORT");
    ASSERT_FALSE(second.empty());
    const std::string wrong = "127.0.0.1:" + second;
    ASSERT_EQ(test::ServerGet(std::atoi(second.c_str()), "/control?mode=offset&offset=5"), "ok\n");
    SetSeveralSources(
        {"server:" + Server(), "server:" + wrong, "web:http://" + Server() + "/clock"});
    HWND main = Start();
    ASSERT_TRUE(main);
    EXPECT_NE(WelcomeText(main).find("From several time sources."), std::string::npos);
    driver::Click(main, IDC_SYNC);
    const bool synced = WaitForStatus(kSuccess);
    test::ServerGet(std::atoi(second.c_str()), "/control?mode=now&offset=0");
    ASSERT_TRUE(synced) << Text(IDC_STATUS);
    ASSERT_TRUE(driver::WaitUntil([] { return History().size() == 1; }, 5000));
    EXPECT_NE(History()[0].find("several time sources: " + Server() + " used, " + wrong +
                                " disagrees, " + Server() + " used\t"),
              std::string::npos)
        << History()[0];
}

TEST_F(TimeSource, TestShowsARowForEachOfSeveralSourcesAndTheirCommonOffset) {
    const test::LoopbackBypassesTheProxy bypass;
    SetSeveralSources(
        {"server:" + Server(), "web:http://" + Server() + "/clock", "server:127.0.0.1:1"});
    HWND main = Start();
    ASSERT_TRUE(main);
    HWND dialog = OpenTimeSourceWindow(main);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(driver::CheckState(dialog, IDC_SOURCE_AUTO), BST_CHECKED);
    driver::Click(dialog, IDC_TEST_SOURCE);
    EXPECT_TRUE(driver::WaitUntil(
        [&] {
            const std::string line = driver::ControlText(dialog, IDC_TEST_RESULT);
            return line.rfind("Offset ", 0) == 0 && line.find(" from 2 of 3 sources") != line.npos;
        },
        10000))
        << driver::ControlText(dialog, IDC_TEST_RESULT);
    DWORD_PTR rows = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_TEST_SOURCES), LVM_GETITEMCOUNT, 0, 0,
                        SMTO_ABORTIFHUNG, 5000, &rows);
    EXPECT_EQ(rows, 3u);

    // An entry the list's syntax cannot read is refused, and the window stays.
    const char bad[] = "server:127.0.0.1:1\r\ntime.example.org";
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_AUTO_SOURCES), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(bad), SMTO_ABORTIFHUNG, 5000, &rows);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    const auto box = driver::AnswerMessageBox(program_.Pid(), IDOK, 10000, {main, dialog});
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.text.rfind("Each line names one source: ", 0), 0u) << box.text;
    EXPECT_TRUE(IsWindow(dialog));
}

// chronyd serving NTS on loopback, with a certificate for localhost from a test authority that
// the prefix trusts (script/test starts it).
TEST_F(TimeSource, AnNtsServerIsUsedAuthenticatedAndAForeignNameIsRefusedInWords) {
    const std::string ke = test::EnvText("HOROLUX_NTS_KE_PORT");
    if (ke.empty()) GTEST_SKIP() << "no NTS server (script/test starts one)";
    const test::LoopbackBypassesTheProxy bypass;
    const std::string nts = "localhost:" + ke, foreign = "127.0.0.1:" + ke;
    SetSeveralSources({"nts:" + nts, "nts:" + foreign, "server:" + Server()});
    HWND main = Start();
    ASSERT_TRUE(main);
    HWND dialog = OpenTimeSourceWindow(main);
    ASSERT_TRUE(dialog);
    driver::Click(dialog, IDC_TEST_SOURCE);
    EXPECT_TRUE(driver::WaitUntil(
        [&] {
            return driver::ControlText(dialog, IDC_TEST_RESULT).find(" from 2 of 3 sources") !=
                   std::string::npos;
        },
        10000))
        << driver::ControlText(dialog, IDC_TEST_RESULT);
    const HWND rows = GetDlgItem(dialog, IDC_TEST_SOURCES);
    EXPECT_EQ(driver::ListCell(rows, 0, 0), nts);
    EXPECT_EQ(driver::ListCell(rows, 0, 3), "used (authenticated)");
    EXPECT_EQ(driver::ListCell(rows, 1, 3),
              "refused: The server's certificate is for another name");
    EXPECT_EQ(driver::ListCell(rows, 2, 3), "used");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(dialog); }, 5000));

    driver::Click(main, IDC_SYNC);
    ASSERT_TRUE(WaitForStatus(kSuccess)) << Text(IDC_STATUS);
    ASSERT_TRUE(driver::WaitUntil([] { return History().size() == 1; }, 5000));
    EXPECT_NE(History()[0].find("several time sources (authenticated): " + nts +
                                " used (authenticated), " + foreign +
                                " refused: The server's certificate is for another name, " +
                                Server() + " used\t"),
              std::string::npos)
        << History()[0];
}

// Three time servers an hour wrong against an NTS server and an HTTPS web clock on the true time;
// a web clock whose certificate names another host is refused in words.
TEST_F(TimeSource, AuthenticatedSourcesSetTheClockOverAWrongMajority) {
    const std::string ke = test::EnvText("HOROLUX_NTS_KE_PORT");
    const std::string https = test::EnvText("HOROLUX_HTTPS_GOOD_PORT");
    if (ke.empty() || https.empty()) GTEST_SKIP() << "script/test starts them";
    const test::LoopbackBypassesTheProxy bypass;
    std::vector<std::string> entries, wrong;
    for (const char* name :
         {"HOROLUX_SNTPSERVER_PORT", "HOROLUX_SNTPSERVER2_PORT", "HOROLUX_SNTPSERVER3_PORT"}) {
        const std::string port = test::EnvText(name);
        ASSERT_EQ(test::ServerGet(std::atoi(port.c_str()), "/control?mode=offset&offset=3600"),
                  "ok\n");
        wrong.push_back("127.0.0.1:" + port);
        entries.push_back("server:" + wrong.back());
    }
    const std::string web = "localhost:" + https, foreign = "127.0.0.1:" + https;
    entries.insert(entries.end(), {"nts:localhost:" + ke, "web:https://" + web + "/",
                                   "web:https://" + foreign + "/"});
    SetSeveralSources(entries);
    HWND main = Start();
    ASSERT_TRUE(main);
    driver::Click(main, IDC_SYNC);
    const bool synced = WaitForStatus(kSuccess);
    for (const char* name : {"HOROLUX_SNTPSERVER2_PORT", "HOROLUX_SNTPSERVER3_PORT"})
        test::ServerGet(std::atoi(test::EnvText(name).c_str()), "/control?mode=now&offset=0");
    ASSERT_TRUE(synced) << Text(IDC_STATUS);
    ASSERT_TRUE(driver::WaitUntil([] { return History().size() == 1; }, 5000));
    EXPECT_NE(
        History()[0].find("several time sources (authenticated): " + wrong[0] + " disagrees, " +
                          wrong[1] + " disagrees, " + wrong[2] + " disagrees, localhost:" + ke +
                          " used (authenticated), " + web + " used (authenticated), " + foreign +
                          " refused: The server's certificate is for another name\t"),
        std::string::npos)
        << History()[0];
}

// Wine raises neither power nor network events: they are sent by hand, as the system would.
TEST_F(TimeSource, AMomentPassedInSleepIsSyncedAfterTheResumeOnce) {
    SetConfig("TimeSource", 1);
    SetConfig("TimeServer", Server());
    SetConfig("ScheduleSync", 1);
    SetConfig("ScheduleInterval", std::string("24"));
    const long long moment = static_cast<long long>(std::time(nullptr)) + 2;
    SetConfig("DoNextStartAt", std::to_string(moment));
    HWND main = Start();
    ASSERT_TRUE(main);
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0, SMTO_ABORTIFHUNG,
                                    5000, &ignored));
    ASSERT_TRUE(driver::WaitUntil([&] { return std::time(nullptr) > moment; }, 5000));
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0,
                                    SMTO_ABORTIFHUNG, 5000, &ignored));
    // Ten seconds after the resume; the minute's tick is a minute after the start.
    EXPECT_TRUE(WaitForStatus(kSuccess, 15000)) << Text(IDC_STATUS);
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(driver::ConfigText("DoNextStartAt"), "") << "the schedule counts from the sync";
}

TEST_F(TimeSource, AnUnreachableAutomaticSyncIsRetriedWhenANetworkComesUp) {
    SetConfig("TimeSource", 1);
    SetConfig("TimeServer", Server());
    SetConfig("SyncOnStart", 1);
    ASSERT_EQ(Control("mode=silent"), "ok\n");
    HWND main = Start();
    ASSERT_TRUE(main);
    const bool failed = WaitForStatus(" Sync error on connection to internet! ");
    ASSERT_EQ(Control("mode=now&offset=0"), "ok\n");
    ASSERT_TRUE(failed) << Text(IDC_STATUS);
    PostMessageA(main, WM_USER + 103, 0, 0);  // a network interface came up
    EXPECT_TRUE(WaitForStatus(kSuccess)) << Text(IDC_STATUS);
}

TEST_F(TimeSource, TheMachinesDefaultSourceHoldsUntilTheUserChoosesTheirOwn) {
    const DWORD automatic = 3;
    test::SetRaw(HKEY_LOCAL_MACHINE, driver::kMachineDefaultsKey, "TimeSource", REG_DWORD,
                 &automatic, sizeof automatic);
    HWND main = Start();
    ASSERT_TRUE(main);
    EXPECT_NE(WelcomeText(main).find("From several time sources."), std::string::npos)
        << WelcomeText(main);
    ASSERT_TRUE(program_.EndWithOk());

    SetConfig("TimeSource", 1);
    SetConfig("TimeServer", Server());
    main = Start();
    ASSERT_TRUE(main);
    EXPECT_NE(WelcomeText(main).find("From time server " + Server() + "."), std::string::npos)
        << WelcomeText(main);
}

TEST_F(TimeSource, FailuresEndAsThePagesDo) {
    SetConfig("TimeSource", 1);
    SetConfig("TimeServer", Server());
    HWND main = Start();
    ASSERT_TRUE(main);

    ASSERT_EQ(Control("mode=silent"), "ok\n");
    driver::Click(main, IDC_SYNC);
    EXPECT_TRUE(WaitForStatus(" Sync error on connection to internet! ")) << Text(IDC_STATUS);

    ASSERT_EQ(Control("mode=wrongmode"), "ok\n");
    driver::Click(main, IDC_SYNC);
    const auto box = driver::AnswerMessageBox(program_.Pid(), IDOK, 10000, {main});
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.text, "Unrecognized communication error!");
    EXPECT_TRUE(WaitForStatus(" Unrecognized communication error! ")) << Text(IDC_STATUS);
    EXPECT_EQ(Text(IDC_LAST_SYNC), "");
    // Noted once the sync has ended, just after its status shows.
    EXPECT_TRUE(driver::WaitUntil([] { return History().size() == 2; }, 5000)) << History().size();
}

TEST_F(TimeSource, ACorrectionOfMoreThanADayIsAskedAboutAndNoRefusesIt) {
    SetConfig("TimeSource", 1);
    SetConfig("TimeServer", Server());
    ASSERT_EQ(Control("mode=offset&offset=100000"), "ok\n");
    HWND main = Start();
    ASSERT_TRUE(main);
    driver::Click(main, IDC_SYNC);
    const auto box = driver::AnswerMessageBox(program_.Pid(), IDNO, 10000, {main});
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.caption, "Horolux");
    ASSERT_EQ(box.text.rfind("The PC clock is +", 0), 0u) << box.text;
    EXPECT_NEAR(std::atof(box.text.c_str() + 17), 100000.0, 0.01) << box.text;
    EXPECT_NE(box.text.find(" s \xB1 "), std::string::npos) << box.text;
    EXPECT_NE(box.text.find("Set it anyway?"), std::string::npos) << box.text;
    EXPECT_TRUE(WaitForStatus(" PC clock could not be set! ")) << Text(IDC_STATUS);
}

TEST_F(TimeSource, AnAutomaticSyncRefusesALargeCorrectionWithoutAsking) {
    SetConfig("TimeSource", 1);
    SetConfig("TimeServer", Server());
    SetConfig("SyncOnStart", 1);
    ASSERT_EQ(Control("mode=offset&offset=-100000"), "ok\n");
    HWND main = Start();
    ASSERT_TRUE(main);
    EXPECT_TRUE(WaitForStatus(" PC clock could not be set! ")) << Text(IDC_STATUS);
    EXPECT_TRUE(driver::Dialogs(program_.Pid(), {main}).empty()) << "nobody was asked";
}

TEST_F(TimeSource, TheWindowFromTheSystemMenuStoresTheChoice) {
    HWND main = Start();
    ASSERT_TRUE(main);
    EXPECT_EQ(WelcomeText(main).find("Master Clock time."), WelcomeText(main).size() - 18)
        << "the page keeps the template's text";
    HWND dialog = OpenTimeSourceWindow(main);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(driver::CheckState(dialog, IDC_SOURCE_PAGE), BST_CHECKED);
    EXPECT_EQ(driver::ControlText(dialog, IDC_PAGE_URL),
              "http://tycho.usno.navy.mil/cgi-bin/timer.pl");
    EXPECT_EQ(driver::ControlText(dialog, IDC_TIME_SERVER), "time.windows.com");

    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_SOURCE_SERVER), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG,
                        5000, &ignored);
    const std::string server = Server();
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_TIME_SERVER), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(server.c_str()), SMTO_ABORTIFHUNG, 5000, &ignored);
    driver::Click(dialog, IDC_TEST_SOURCE);
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return driver::ControlText(dialog, IDC_TEST_RESULT).rfind("Offset ", 0) == 0; },
        10000))
        << driver::ControlText(dialog, IDC_TEST_RESULT);
    EXPECT_NE(driver::ControlText(dialog, IDC_TEST_RESULT).find("(" + server + ")"),
              std::string::npos);

    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    EXPECT_EQ(driver::ConfigInt("TimeSource"), 1u);
    EXPECT_EQ(driver::ConfigText("TimeServer"), server);
    EXPECT_NE(WelcomeText(main).find("From time server " + server + "."), std::string::npos);
}

TEST_F(TimeSource, AutomaticMayBeHeldToAuthenticatedSourcesAndTheBoxIsStored) {
    HWND main = Start();
    ASSERT_TRUE(main);
    HWND dialog = OpenTimeSourceWindow(main);
    ASSERT_TRUE(dialog);
    const HWND box = GetDlgItem(dialog, IDC_AUTO_AUTHENTICATED);
    EXPECT_EQ(driver::ControlText(dialog, IDC_AUTO_AUTHENTICATED),
              "&Use authenticated sources only (NTS, HTTPS)");
    EXPECT_EQ(driver::CheckState(dialog, IDC_AUTO_AUTHENTICATED), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(box)) << "the page is chosen";

    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, IDC_SOURCE_AUTO), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    EXPECT_TRUE(IsWindowEnabled(box));
    SendMessageTimeoutA(box, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    EXPECT_EQ(driver::CheckState(dialog, IDC_AUTO_AUTHENTICATED), BST_CHECKED);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(dialog); }, 5000));
    // The choice is stored once the window has gone.
    EXPECT_TRUE(
        driver::WaitUntil([] { return driver::ConfigInt("RequireAuthenticated") == 1; }, 5000));
    EXPECT_EQ(driver::ConfigInt("TimeSource"), 3u);

    dialog = OpenTimeSourceWindow(main);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(driver::CheckState(dialog, IDC_AUTO_AUTHENTICATED), BST_CHECKED);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(dialog); }, 5000));
}

}  // namespace
