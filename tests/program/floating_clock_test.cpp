#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clock_resource.h"
#include "program_test.h"
#include "resource.h"

namespace {

using driver::ConfigInt;
using driver::ConfigText;
using driver::SetConfig;

// The visible floating clocks of process pid: dialogs holding the digit display.
std::vector<HWND> Clocks(DWORD pid) {
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w) && GetDlgItem(w, IDC_CLOCK_DISPLAY))
            found.push_back(w);
    }
    return found;
}

HWND WaitForClock(DWORD pid, HWND other = nullptr) {
    HWND clock = nullptr;
    driver::WaitUntil(
        [&] {
            const auto clocks = Clocks(pid);
            clock = clocks.size() == 1 && clocks[0] != other ? clocks[0] : nullptr;
            return clock != nullptr;
        },
        5000);
    return clock;
}

RECT Rect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

class FloatingClock : public driver::ProgramTest {};

TEST_F(FloatingClock, TheTrayCommandShowsItHidingTheMainWindowKeepsItAndExitStoresIt) {
    HWND main = Start();  // the first run: the clock comes centred and enlarged
    ASSERT_TRUE(main);
    driver::Command(main, ID_TRAY_SHOW_ALARM_CLOCK);
    HWND clock = WaitForClock(program_.Pid());
    ASSERT_TRUE(clock);
    EXPECT_EQ(GetWindow(clock, GW_OWNER), main);
    const LONG ex = GetWindowLongA(clock, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    BYTE alpha = 0;
    DWORD flags = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(clock, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 178);
    // The window shows before the command has centred it: wait for the command to end.
    RECT r{};
    auto centred = [&] {
        r = Rect(clock);
        const int w = r.right - r.left, h = r.bottom - r.top;
        return r.left == GetSystemMetrics(SM_CXSCREEN) / 2 - w / 2 &&
               r.top == GetSystemMetrics(SM_CYSCREEN) / 2 - h / 2;
    };
    EXPECT_TRUE(driver::WaitUntil(centred, 3000)) << "at " << r.left << "," << r.top << " size "
                                                  << r.right - r.left << "x" << r.bottom - r.top;

    // Asked again: a fresh clock in place of the old one.
    driver::Command(main, ID_TRAY_SHOW_ALARM_CLOCK);
    HWND fresh = WaitForClock(program_.Pid(), clock);
    ASSERT_TRUE(fresh);
    EXPECT_FALSE(IsWindow(clock));

    // Windows hides the owned clock with its minimised owner; Wine leaves it, so the test hides
    // it first and the main window must show it again.
    ShowWindow(fresh, SW_HIDE);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindowVisible(fresh); }, 3000));
    driver::Click(main, IDCANCEL);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindowVisible(main); }, 3000));
    EXPECT_TRUE(driver::WaitUntil([&] { return IsWindowVisible(fresh) != FALSE; }, 3000))
        << "the clock stays when the main window goes";

    SetWindowPos(fresh, nullptr, 200, 120, 150, 60, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(ConfigInt("ShowAlarmClock"), 1u);
    EXPECT_EQ(ConfigInt("AlarmClockTransp"), 70u);
    EXPECT_EQ(ConfigText("AlarmClockPlacement"), "200,120,350,180,1,0");

    // The next start brings it back where it was.
    driver::Program again;
    ASSERT_TRUE(again.Start(exe_, home_));
    ASSERT_TRUE(again.WaitForMainWindow());
    HWND restored = WaitForClock(again.Pid());
    ASSERT_TRUE(restored);
    const RECT back = Rect(restored);
    EXPECT_EQ(back.left, 200);
    EXPECT_EQ(back.top, 120);
    EXPECT_EQ(back.right, 350);
    EXPECT_EQ(back.bottom, 180);
}

TEST_F(FloatingClock, ClosingItIsRememberedAndOddStoredValuesDoNoHarm) {
    SetConfig("FirstRun", std::string("NO"));
    SetConfig("ShowAlarmClock", 1);
    SetConfig("AlarmClockPlacement", std::string("99999,-99999,5,5,6,-1"));
    SetConfig("AlarmClockTransp", 256);
    SetConfig("AlarmClockBkColor", std::string("-7"));
    HWND main = Start();
    ASSERT_TRUE(main);
    HWND clock = WaitForClock(program_.Pid());
    ASSERT_TRUE(clock);
    const RECT r = Rect(clock);
    EXPECT_TRUE(r.left < GetSystemMetrics(SM_CXSCREEN) && r.top >= 0 && !IsIconic(clock))
        << r.left << "," << r.top;
    BYTE alpha = 0;
    EXPECT_TRUE(GetLayeredWindowAttributes(clock, nullptr, &alpha, nullptr));
    EXPECT_EQ(alpha, 255) << "a stored 256 is the most opaque, not invisible";

    PostMessageA(clock, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(clock); }, 3000));
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(ConfigInt("ShowAlarmClock"), 0u);
    EXPECT_EQ(ConfigInt("AlarmClockTransp"), 100u);
    const auto placement = ConfigText("AlarmClockPlacement");
    ASSERT_TRUE(placement);
    EXPECT_EQ(*placement, std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                              std::to_string(r.right) + "," + std::to_string(r.bottom) + ",1,0");
}

}  // namespace
