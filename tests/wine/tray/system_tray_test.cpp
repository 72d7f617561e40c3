#include "ui/tray/system_tray.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/app.h"
#include "resource.h"
#include "shell_icons.h"
#include "ui/app/horolux_app.h"

using namespace ui;  // the layer under test

namespace {

// Stands in for the main window: records the commands the tray sends it.
class CommandSink : public fw::CWnd {
public:
    bool Create() {
        return CreateEx(0, RegisterClassFor("HoroluxTest.TrayOwner"), "Tray test owner",
                        WS_OVERLAPPED | WS_CAPTION, 40, 40, 240, 120, nullptr, nullptr);
    }
    std::vector<std::pair<WPARAM, LPARAM>> commands;
    const CSystemTray* tray = nullptr;
    std::vector<bool> byKeyboard;  // for each command, what the tray said while it was handled

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_COMMAND) {
            commands.emplace_back(wp, lp);
            byKeyboard.push_back(tray && tray->CommandByKeyboard());
            result = 0;
            return true;
        }
        return CWnd::ProcessMessage(msg, wp, lp, result);
    }
};

void Pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

class SystemTrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(owner.Create());
        app = &ui::theApp;  // named, so that the program's application object is linked in
        ASSERT_EQ(fw::CWinApp::Get(), app);
        savedMain = app->m_pMainWnd;
        app->m_pMainWnd = &owner;
        normal = CSystemTray::LoadTrayIcon(IDR_MAINFRAME);
        ASSERT_TRUE(normal);
        ASSERT_TRUE(tray.Create(nullptr, WM_USER, "Horolux", normal, IDR_TRAY_MENU));
        owner.tray = &tray;
        EXPECT_TRUE(tray.SetDefaultMenuItem(0, true));
    }
    void TearDown() override {
        tray.DeleteIcon();
        if (app) app->m_pMainWnd = savedMain;
        owner.DestroyWindow();
    }
    LRESULT Callback(WPARAM id, UINT mouse) {
        return SendMessageA(tray.GetSafeHwnd(), WM_USER, id, mouse);
    }
    static HICON Frame(UINT id) { return CSystemTray::LoadTrayIcon(id); }

    CommandSink owner;
    CSystemTray tray;
    fw::CWinApp* app = nullptr;
    fw::CWnd* savedMain = nullptr;
    HICON normal = nullptr;
};

TEST_F(SystemTrayTest, IconIsAddedAndDeleted) {
    EXPECT_TRUE(tray.IsEnabled());
    EXPECT_TRUE(test::ShellHoldsIcon(tray.GetSafeHwnd(), IDR_TRAY_MENU));
    EXPECT_EQ(tray.GetTrayIcon(), normal);
    EXPECT_EQ(tray.GetTipText(), "Horolux");

    tray.DeleteIcon();
    EXPECT_FALSE(tray.IsEnabled());
    EXPECT_FALSE(test::ShellHoldsIcon(tray.GetSafeHwnd(), IDR_TRAY_MENU));
    // Every icon operation now does nothing and fails.
    EXPECT_EQ(tray.GetTrayIcon(), nullptr);
    EXPECT_FALSE(tray.SetTrayIcon(normal));
    EXPECT_FALSE(tray.SetTipText("Horolux - Syncing..."));
    EXPECT_FALSE(tray.StartAnimation(50));
    EXPECT_FALSE(tray.IsAnimating());
}

// Explorer restarted: its new notification area has none of the old icons until they are added.
TEST_F(SystemTrayTest, ANewTaskbarGetsTheIconBackAsItIsNow) {
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    HWND hwnd = tray.GetSafeHwnd();
    ASSERT_TRUE(tray.SetFrameIcons(IDI_SYNC_FRAME_FIRST, IDI_SYNC_FRAME_LAST));
    ASSERT_TRUE(tray.SetTipText("Horolux - Syncing..."));
    ASSERT_TRUE(tray.StartAnimation(60000));  // a frame is showing; the timer will not move it
    const HICON frame = tray.GetTrayIcon();
    ASSERT_NE(frame, normal);

    // The shell forgets the icon, as a restarted Explorer does.
    NOTIFYICONDATAA gone{};
    gone.cbSize = NOTIFYICONDATAA_V2_SIZE;
    gone.hWnd = hwnd;
    gone.uID = IDR_TRAY_MENU;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    ASSERT_FALSE(test::ShellHoldsIcon(hwnd, IDR_TRAY_MENU));

    SendMessageA(hwnd, taskbarCreated, 0, 0);
    EXPECT_TRUE(test::ShellHoldsIcon(hwnd, IDR_TRAY_MENU)) << "added again";
    EXPECT_EQ(tray.GetTrayIcon(), frame) << "with the frame it showed";
    EXPECT_EQ(tray.GetTipText(), "Horolux - Syncing...");
    EXPECT_TRUE(tray.IsAnimating());

    // Still known to the shell (Wine never broadcasts the message itself): brought up to date.
    SendMessageA(hwnd, taskbarCreated, 0, 0);
    EXPECT_TRUE(test::ShellHoldsIcon(hwnd, IDR_TRAY_MENU));
    EXPECT_TRUE(tray.StopAnimation());
    EXPECT_EQ(tray.GetTrayIcon(), normal);

    // An icon the program removed stays removed.
    tray.DeleteIcon();
    SendMessageA(hwnd, taskbarCreated, 0, 0);
    EXPECT_FALSE(test::ShellHoldsIcon(hwnd, IDR_TRAY_MENU));
    EXPECT_FALSE(tray.IsEnabled());
}

TEST_F(SystemTrayTest, OwnerWindowIsHiddenAndNotTakenForTheMainWindow) {
    HWND hwnd = tray.GetSafeHwnd();
    ASSERT_TRUE(hwnd);
    char text[64] = "x";
    GetWindowTextA(hwnd, text, sizeof text);
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_TRUE(GetWindowLongA(hwnd, GWL_STYLE) & WS_POPUP);
    EXPECT_EQ(GetParent(hwnd), nullptr);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "CSystemTray");
    EXPECT_NE(FindWindowA(nullptr, "Horolux"), hwnd);
}

TEST_F(SystemTrayTest, CallbackForAnotherIconReturnsZeroAndDoesNothing) {
    const UINT mice[] = {WM_RBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE};
    for (UINT mouse : mice) EXPECT_EQ(Callback(IDR_TRAY_MENU + 1, mouse), 0) << mouse;
    Pump();
    EXPECT_TRUE(owner.commands.empty());
    EXPECT_EQ(Callback(IDR_TRAY_MENU, WM_MOUSEMOVE), 1) << "our icon, an ignored mouse message";
    EXPECT_EQ(Callback(IDR_TRAY_MENU, WM_LBUTTONDOWN), 1);
    Pump();
    EXPECT_TRUE(owner.commands.empty());
}

TEST_F(SystemTrayTest, DoubleClickSendsTheDefaultCommand) {
    const struct {
        UINT item;
        bool byPosition;
        WPARAM command;
    } cases[] = {
        {0, true, ID_TRAY_SHOW},                // Horolux's choice: 32772
        {4, true, ID_TRAY_SYNC_CLOCK},          // another position
        {ID_TRAY_ABOUT, false, ID_TRAY_ABOUT},  // a command ID
        {0, true, ID_TRAY_SHOW},
    };
    for (const auto& c : cases) {
        owner.commands.clear();
        EXPECT_TRUE(tray.SetDefaultMenuItem(c.item, c.byPosition));
        EXPECT_EQ(Callback(IDR_TRAY_MENU, WM_LBUTTONDBLCLK), 1);
        ASSERT_EQ(owner.commands.size(), 1u) << "sent, not posted";
        EXPECT_EQ(owner.commands[0].first, c.command);
        EXPECT_EQ(owner.commands[0].second, 0);
    }
    EXPECT_EQ(ID_TRAY_SHOW, 32772);
}

// Finds this process's open popup menu window.
HWND FindOpenMenu() {
    HWND menu = nullptr;
    while ((menu = FindWindowExA(nullptr, menu, "#32768", nullptr))) {
        DWORD pid = 0;
        GetWindowThreadProcessId(menu, &pid);
        if (pid == GetCurrentProcessId() && IsWindowVisible(menu)) return menu;
    }
    return nullptr;
}

TEST_F(SystemTrayTest, RightClickOpensTheMenuAndTheChoiceReachesTheOwnerAsACommand) {
    SetCursorPos(300, 200);
    std::atomic<bool> seen{false}, boldFirst{false}, atCursor{false}, foreground{false};
    std::atomic<UINT> items{0};
    std::thread helper([&] {
        HWND menu = nullptr;
        for (int i = 0; i < 500 && !(menu = FindOpenMenu()); ++i) Sleep(10);
        if (!menu) return;
        seen = true;
        foreground = GetForegroundWindow() == owner.GetSafeHwnd();
        HMENU hmenu = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
        items = static_cast<UINT>(GetMenuItemCount(hmenu));
        boldFirst = GetMenuDefaultItem(hmenu, TRUE, 0) == 0 &&
                    (GetMenuState(hmenu, 0, MF_BYPOSITION) & MFS_DEFAULT);
        RECT rc{};
        GetWindowRect(menu, &rc);
        atCursor = rc.left == 300 && rc.top == 200;
        // Down five times from no selection: the fifth item, "Sync clock".
        for (int k = 0; k < 5; ++k) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
        for (int i = 0; i < 300 && FindOpenMenu(); ++i) Sleep(10);
        while (FindOpenMenu()) {  // never leave the test hanging in the menu
            PostMessageA(FindOpenMenu(), WM_KEYDOWN, VK_ESCAPE, 0);
            Sleep(50);
        }
    });
    const LRESULT handled = Callback(IDR_TRAY_MENU, WM_RBUTTONUP);
    helper.join();
    Pump();
    EXPECT_EQ(handled, 1);
    ASSERT_TRUE(seen) << "the tray menu opened";
    EXPECT_EQ(items, 6u);
    EXPECT_TRUE(boldFirst) << "\"Show Horolux\" is the default item";
    EXPECT_TRUE(atCursor);
    EXPECT_TRUE(foreground) << "the main window was brought to the foreground first";
    ASSERT_EQ(owner.commands.size(), 1u);
    EXPECT_EQ(owner.commands[0].first, static_cast<WPARAM>(ID_TRAY_SYNC_CLOCK));
}

// The shell's keyboard events: Space or Enter on the icon runs the default command, once for
// Enter's two notifications; a single click's NIN_SELECT runs nothing; the context-menu key
// opens the menu, whose choice its handler knows came from the keyboard; the shell's
// WM_CONTEXTMENU that follows a right click opens no second menu.
TEST_F(SystemTrayTest, TheKeyboardSelectsTheIconAndOpensItsMenu) {
    EXPECT_EQ(Callback(IDR_TRAY_MENU, NIN_SELECT), 1);
    EXPECT_EQ(Callback(IDR_TRAY_MENU, NIN_KEYSELECT), 1);
    EXPECT_EQ(Callback(IDR_TRAY_MENU, NIN_KEYSELECT), 1);
    Pump();
    ASSERT_EQ(owner.commands.size(), 1u);
    EXPECT_EQ(owner.commands[0].first, static_cast<WPARAM>(ID_TRAY_SHOW));

    std::atomic<int> menus{0};
    std::atomic<bool> stop{false};
    std::thread helper([&] {  // takes "Sync clock" from the first menu, dismisses any other
        while (!stop) {
            HWND menu = FindOpenMenu();
            if (!menu) {
                Sleep(10);
                continue;
            }
            if (++menus == 1)
                for (int k = 0; k < 5; ++k) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageA(menu, WM_KEYDOWN, menus == 1 ? VK_RETURN : VK_ESCAPE, 0);
            while (!stop && FindOpenMenu() == menu) Sleep(10);
        }
    });
    Callback(IDR_TRAY_MENU, WM_CONTEXTMENU);
    Callback(IDR_TRAY_MENU, WM_RBUTTONUP);
    Callback(IDR_TRAY_MENU, WM_CONTEXTMENU);  // returns at once: no menu to wait for
    stop = true;
    helper.join();
    Pump();
    EXPECT_EQ(menus, 2);
    ASSERT_EQ(owner.commands.size(), 2u);
    EXPECT_EQ(owner.commands[1].first, static_cast<WPARAM>(ID_TRAY_SYNC_CLOCK));
    EXPECT_TRUE(owner.byKeyboard[0]);
    EXPECT_TRUE(owner.byKeyboard[1]);
    Callback(IDR_TRAY_MENU, WM_LBUTTONDBLCLK);
    ASSERT_EQ(owner.byKeyboard.size(), 3u);
    EXPECT_FALSE(owner.byKeyboard[2]) << "the mouse's";
}

TEST_F(SystemTrayTest, FramesRunFromTheSecondAndWrapAround) {
    ASSERT_TRUE(tray.SetFrameIcons(IDI_SYNC_FRAME_FIRST, IDI_SYNC_FRAME_LAST));
    ASSERT_TRUE(tray.StartAnimation(60000));
    EXPECT_TRUE(tray.IsAnimating());
    std::vector<HICON> shown{tray.GetTrayIcon()};
    for (int i = 0; i < 12; ++i) {
        // Any timer message advances the animation, whatever its ID.
        SendMessageA(tray.GetSafeHwnd(), WM_TIMER, i % 2 ? 4567 : 1, 0);
        shown.push_back(tray.GetTrayIcon());
    }
    const UINT expected[] = {152, 153, 154, 155, 156, 157, 158, 159, 160, 161, 162, 151, 152};
    for (size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], Frame(expected[i])) << "step " << i;
    EXPECT_TRUE(tray.StopAnimation());
    EXPECT_EQ(tray.GetTrayIcon(), normal);
}

TEST_F(SystemTrayTest, AnimationTimerHasItsFixedId) {
    ASSERT_TRUE(tray.SetFrameIcons(IDI_SYNC_FRAME_FIRST, IDI_SYNC_FRAME_LAST));
    ASSERT_TRUE(tray.StartAnimation(60000));
    EXPECT_TRUE(KillTimer(tray.GetSafeHwnd(), 4567));
    EXPECT_FALSE(tray.StopAnimation()) << "the timer was already gone";
    EXPECT_EQ(tray.GetTrayIcon(), normal);
    EXPECT_FALSE(tray.StopAnimation()) << "harmless when none runs";
}

TEST_F(SystemTrayTest, StartingAgainRestoresTheSavedIconFirst) {
    ASSERT_TRUE(tray.SetFrameIcons(IDI_SYNC_FRAME_FIRST, IDI_SYNC_FRAME_LAST));
    ASSERT_TRUE(tray.StartAnimation(60000));
    EXPECT_TRUE(tray.NextFrame());
    EXPECT_EQ(tray.GetTrayIcon(), Frame(153));
    // The new run must save the icon from before the first run, not the frame on show.
    ASSERT_TRUE(tray.StartAnimation(60000));
    EXPECT_EQ(tray.GetTrayIcon(), Frame(152));
    EXPECT_TRUE(tray.StopAnimation());
    EXPECT_EQ(tray.GetTrayIcon(), normal);
}

TEST_F(SystemTrayTest, ReversedFrameRangeFailsAndKeepsTheFrames) {
    ASSERT_TRUE(tray.SetFrameIcons(IDI_SYNC_FRAME_FIRST, IDI_SYNC_FRAME_LAST));
    EXPECT_FALSE(tray.SetFrameIcons(IDI_SYNC_FRAME_LAST, IDI_SYNC_FRAME_FIRST));
    ASSERT_TRUE(tray.StartAnimation(60000));
    EXPECT_EQ(tray.GetTrayIcon(), Frame(152));
    tray.StopAnimation();
}

TEST_F(SystemTrayTest, NextFrameWithoutFramesFailsAndLeavesTheIcon) {
    EXPECT_FALSE(tray.NextFrame());
    EXPECT_EQ(tray.GetTrayIcon(), normal);
    EXPECT_TRUE(tray.StartAnimation(60000)) << "the timer runs even without frames";
    EXPECT_EQ(tray.GetTrayIcon(), normal);
    tray.StopAnimation();
}

TEST_F(SystemTrayTest, PeriodStopsTheAnimationOnceMoreWholeSecondsHavePassed) {
    ASSERT_TRUE(tray.SetFrameIcons(IDI_SYNC_FRAME_FIRST, IDI_SYNC_FRAME_LAST));
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    ASSERT_TRUE(tray.StartAnimation(50, 1));
    while (tray.IsAnimating() && Clock::now() - start < std::chrono::seconds(4)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_FALSE(tray.IsAnimating());
    EXPECT_GE(seconds, 1.4) << "1 s rounds to 1, not more than the period";
    EXPECT_LE(seconds, 2.5);
    EXPECT_EQ(tray.GetTrayIcon(), normal);
}

TEST_F(SystemTrayTest, WithoutPeriodTheAnimationRunsUntilStopped) {
    ASSERT_TRUE(tray.SetFrameIcons(IDI_SYNC_FRAME_FIRST, IDI_SYNC_FRAME_LAST));
    ASSERT_TRUE(tray.StartAnimation(20));
    const DWORD until = GetTickCount() + 400;
    while (GetTickCount() < until) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    EXPECT_TRUE(tray.IsAnimating());
    EXPECT_NE(tray.GetTrayIcon(), normal);
    EXPECT_TRUE(tray.StopAnimation());
    EXPECT_EQ(tray.GetTrayIcon(), normal);
}

TEST_F(SystemTrayTest, TooltipIsCutToFitItsField) {
    const struct {
        std::string text;
        std::string kept;
    } cases[] = {
        {"Horolux - Syncing...", "Horolux - Syncing..."},
        {std::string(127, 'a'), std::string(127, 'a')},
        {std::string(128, 'b'), std::string(127, 'b')},
        {std::string(400, 'c'), std::string(127, 'c')},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(tray.SetTipText(c.text.c_str()));
        EXPECT_EQ(tray.GetTipText(), c.kept);
    }
}

TEST_F(SystemTrayTest, IconCanBeSetByHandleAndByResource) {
    EXPECT_TRUE(tray.SetTrayIcon(static_cast<UINT>(IDI_SYNC_FRAME_FIRST)));
    EXPECT_EQ(tray.GetTrayIcon(), Frame(151));
    EXPECT_TRUE(tray.SetTrayIcon(normal));
    EXPECT_EQ(tray.GetTrayIcon(), normal);
}

TEST(SystemTrayLifetime, DestructionRemovesTheIconAndTheWindow) {
    HWND hwnd = nullptr;
    {
        ui::CSystemTray tray;
        ASSERT_TRUE(tray.Create(nullptr, WM_USER, "Horolux",
                                ui::CSystemTray::LoadTrayIcon(IDR_MAINFRAME), IDR_TRAY_MENU));
        hwnd = tray.GetSafeHwnd();
        ASSERT_TRUE(test::ShellHoldsIcon(hwnd, IDR_TRAY_MENU));
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(test::ShellHoldsIcon(hwnd, IDR_TRAY_MENU));
}

}  // namespace
