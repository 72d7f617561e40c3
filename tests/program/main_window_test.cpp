#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <string>

#include "program_test.h"
#include "resource.h"
#include "shell_icons.h"

namespace {

using driver::ConfigInt;
using driver::SetConfig;

bool Visible(HWND h) {
    return IsWindowVisible(h) != FALSE;
}

constexpr UINT_PTR kStartUpTimer = 999;  // once, 300 ms after start

class MainWindow : public driver::ProgramTest {
protected:
    // Starts the program as on any run after the first, so it hides itself into the tray.
    HWND StartLaterRun() {
        SetConfig("FirstRun", std::string("NO"));
        return Start();
    }
};

TEST_F(MainWindow, FirstRunStaysVisibleALaterRunHidesAfterStart) {
    HWND first = Start();
    ASSERT_TRUE(first);
    // The start-up tick is what hides a later run. Delivered here and waited for, the check below
    // comes after it however late the program's own timer fires; the tick ends that timer.
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(
        SendMessageTimeoutA(first, WM_TIMER, kStartUpTimer, 0, SMTO_ABORTIFHUNG, 5000, &ignored));
    EXPECT_TRUE(Visible(first)) << "the first run shows the window";
    ASSERT_TRUE(program_.EndWithOk());

    driver::Program later;
    ASSERT_TRUE(later.Start(exe_, home_));
    HWND main = later.WaitForMainWindow();
    ASSERT_TRUE(main);
    EXPECT_TRUE(driver::WaitUntil([&] { return !Visible(main); }, 3000)) << "hidden into the tray";
    EXPECT_TRUE(later.Running());
}

TEST_F(MainWindow, CloseHidesAndShowRestoresAtTheOldPlace) {
    HWND main = Start();
    ASSERT_TRUE(main);
    SetWindowPos(main, nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT before{};
    GetWindowRect(main, &before);

    driver::Click(main, IDCANCEL);
    ASSERT_TRUE(driver::WaitUntil([&] { return !Visible(main); }, 3000));
    EXPECT_TRUE(program_.Running());

    driver::Command(main, ID_TRAY_SHOW);
    ASSERT_TRUE(driver::WaitUntil([&] { return Visible(main) && !IsIconic(main); }, 3000));
    RECT after{};
    GetWindowRect(main, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);

    // Esc is the same cancel action.
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return !Visible(main); }, 3000));
}

TEST_F(MainWindow, ExitAsksAndNoKeepsTheProgram) {
    HWND main = Start();
    ASSERT_TRUE(main);
    for (bool fromTray : {false, true}) {
        if (fromTray)
            driver::Command(main, ID_TRAY_EXIT);
        else
            driver::Click(main, IDC_EXIT);
        auto box = driver::AnswerMessageBox(program_.Pid(), IDNO);
        ASSERT_TRUE(box.seen);
        EXPECT_EQ(box.caption, "Horolux");
        EXPECT_EQ(box.text, "Do you realy want to exit?");
        ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(box.window); }, 5000));
        // A quit request is taken before any paint: painted again, the program goes on.
        EXPECT_TRUE(driver::WaitForNextPaint(main)) << "the No ended nothing";
        EXPECT_TRUE(program_.Running());
    }
    driver::Click(main, IDC_EXIT);
    ASSERT_TRUE(driver::AnswerMessageBox(program_.Pid(), IDYES).seen);
    DWORD code = 99;
    EXPECT_TRUE(program_.WaitForExit(5000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ConfigInt("ScheduleSync"), 0u) << "the settings were saved on the way out";
}

TEST_F(MainWindow, SyncOnStartAndExitAfterSyncExcludeEachOtherAndAreStoredAtOnce) {
    SetConfig("ExitAfterSync", 1);
    HWND main = Start();
    ASSERT_TRUE(main);
    ASSERT_EQ(driver::CheckState(main, IDC_EXIT_AFTER_SYNC), BST_CHECKED);

    driver::Click(main, IDC_SYNC_ON_START);
    ASSERT_TRUE(driver::WaitUntil([&] { return ConfigInt("SyncOnStart") == 1u; }, 3000));
    EXPECT_EQ(ConfigInt("ExitAfterSync"), 0u);
    EXPECT_EQ(driver::CheckState(main, IDC_EXIT_AFTER_SYNC), BST_UNCHECKED);

    driver::Click(main, IDC_EXIT_AFTER_SYNC);
    ASSERT_TRUE(driver::WaitUntil([&] { return ConfigInt("ExitAfterSync") == 1u; }, 3000));
    EXPECT_EQ(ConfigInt("SyncOnStart"), 0u);
    EXPECT_EQ(driver::CheckState(main, IDC_SYNC_ON_START), BST_UNCHECKED);
}

TEST_F(MainWindow, SyncEveryEnablesItsControlsAndShowsTheNextMoment) {
    SetConfig("ScheduleSync", 1);
    HWND main = Start();
    ASSERT_TRUE(main);
    const int controls[] = {IDC_INTERVAL, IDC_INTERVAL_SPIN, IDC_UNIT_HOUR, IDC_UNIT_DAY};
    for (int id : controls) EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, id))) << id;
    // The next moment (an hour from now) is shown in the hidden static.
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return driver::ControlText(main, IDC_NEXT_SYNC).size() == 21; }, 3000))
        << driver::ControlText(main, IDC_NEXT_SYNC);

    driver::Click(main, IDC_SCHEDULE_SYNC);
    ASSERT_TRUE(driver::WaitUntil([&] { return ConfigInt("ScheduleSync") == 0u; }, 3000));
    for (int id : controls) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, id))) << id;
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, IDC_NEXT_START_PICKER)));
    // The handler stores the box before it empties the next moment: wait for the text itself.
    EXPECT_TRUE(
        driver::WaitUntil([&] { return driver::ControlText(main, IDC_NEXT_SYNC).empty(); }, 3000))
        << driver::ControlText(main, IDC_NEXT_SYNC);
}

// The picker shows the hour of the day 0 to 23, as every other time the window shows.
TEST_F(MainWindow, TheNextSyncPickerShowsTheHourOfTheDay) {
    const std::time_t now = std::time(nullptr);
    std::tm local = *std::localtime(&now);
    local.tm_mday += 1;
    local.tm_hour = 21;
    local.tm_min = 36;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    const std::time_t moment = std::mktime(&local);
    char shown[24];
    std::strftime(shown, sizeof shown, "%Y-%m-%d 21:36", &local);
    SetConfig("DoNextStartAt", std::to_string(static_cast<long long>(moment)));
    HWND main = Start();
    ASSERT_TRUE(main);
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return driver::ControlText(main, IDC_NEXT_START_PICKER) == shown; }, 3000))
        << driver::ControlText(main, IDC_NEXT_START_PICKER);
}

TEST_F(MainWindow, ASecondStartShowsTheHiddenWindow) {
    HWND main = StartLaterRun();
    ASSERT_TRUE(main);
    ASSERT_TRUE(driver::WaitUntil([&] { return !Visible(main); }, 3000));
    driver::Program second;
    ASSERT_TRUE(second.Start(exe_, home_));
    EXPECT_TRUE(second.WaitForExit(5000));
    EXPECT_TRUE(driver::WaitUntil([&] { return Visible(main); }, 3000));
}

TEST_F(MainWindow, StartShowsStoredTextsAndEmptyStatus) {
    SetConfig("LastSync", std::string(" 2026-12-01  08:15:00"));
    HWND main = Start();
    ASSERT_TRUE(main);
    EXPECT_EQ(driver::ControlText(main, IDC_LAST_SYNC), " 2026-12-01  08:15:00");
    EXPECT_EQ(driver::ControlText(main, IDC_OLD_TIME), "");
    EXPECT_EQ(driver::ControlText(main, IDC_NEW_TIME), "");
    EXPECT_EQ(driver::ControlText(main, IDC_STATUS), "");
    char caption[64] = {};
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_STREQ(caption, "Horolux");
    EXPECT_TRUE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_APPWINDOW);
}

TEST_F(MainWindow, TheAboutBoxOpensFromTheSystemMenuAndTheTray) {
    HWND main = Start();
    ASSERT_TRUE(main);
    for (bool fromTray : {false, true}) {
        if (fromTray)
            driver::Command(main, ID_TRAY_ABOUT);
        else
            PostMessageA(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        HWND about = nullptr;
        ASSERT_TRUE(driver::WaitUntil(
            [&] {
                return (about = driver::FindTopLevel(
                            program_.Pid(), "                                  About - Horolux"));
            },
            5000))
            << (fromTray ? "tray" : "system menu");
        PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(about); }, 5000));
    }
    EXPECT_TRUE(program_.Running());
}

// At log-off Windows ends the process after WM_ENDSESSION, without WM_DESTROY.
TEST_F(MainWindow, TheEndOfASessionStoresWhatTearDownWouldBeforeTheProcessIsEnded) {
    SetConfig("ScheduleSync", 1);
    SetConfig("AlarmTime", std::string("15"));
    SetConfig("AlarmMsg", std::string("Tea"));
    HWND main = Start();
    ASSERT_TRUE(main);
    // Changes the program holds in memory until it ends.
    driver::Click(main, IDC_SYNC_ON_CONNECT);
    ASSERT_TRUE(driver::WaitUntil(
        [&] { return driver::CheckState(main, IDC_SYNC_ON_CONNECT) == BST_CHECKED; }, 3000));
    SendMessageTimeoutA(GetDlgItem(main, IDC_INTERVAL), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>("36"), SMTO_ABORTIFHUNG, 5000, nullptr);

    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                    SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "never in the way of the session ending";
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                                    5000, &answer));
    ASSERT_TRUE(TerminateProcess(program_.Handle(), 1));
    ASSERT_TRUE(program_.WaitForExit(5000));

    EXPECT_EQ(ConfigInt("SyncOnInternetConnect"), 1u);
    EXPECT_EQ(driver::ConfigText("ScheduleInterval"), "36");
    EXPECT_EQ(driver::ConfigText("AlarmTime"), "15");
    EXPECT_EQ(driver::ConfigText("AlarmMsg"), "Tea");
    EXPECT_EQ(driver::ConfigText("AlarmSound"), "0");
}

// Explorer restarted: the new taskbar broadcasts "TaskbarCreated" and holds none of the old icons.
TEST_F(MainWindow, TheTrayIconComesBackWhenTheTaskbarIsCreatedAnew) {
    ASSERT_TRUE(Start());
    HWND tray = nullptr;
    for (HWND w = nullptr; !tray && (w = FindWindowExA(nullptr, w, "CSystemTray", nullptr));) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == program_.Pid()) tray = w;
    }
    ASSERT_TRUE(tray) << "the icon's own hidden window";
    ASSERT_TRUE(driver::WaitUntil([&] { return test::ShellHoldsIcon(tray, IDR_TRAY_MENU); }, 3000));

    NOTIFYICONDATAA gone{};
    gone.cbSize = NOTIFYICONDATAA_V2_SIZE;
    gone.hWnd = tray;
    gone.uID = IDR_TRAY_MENU;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    ASSERT_FALSE(test::ShellHoldsIcon(tray, IDR_TRAY_MENU));

    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0,
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    EXPECT_TRUE(test::ShellHoldsIcon(tray, IDR_TRAY_MENU)) << "added again";
    EXPECT_TRUE(program_.Running());
}

}  // namespace
