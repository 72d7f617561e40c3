#include <gtest/gtest.h>

#include "program_test.h"
#include "res/alarm_resource.h"
#include "res/resource.h"

namespace {

class Alarms : public driver::ProgramTest {
protected:
    // The next alarm popup of the program, once it shows.
    HWND WaitForPopup() {
        HWND popup = nullptr;
        // A popup exists before its controls; it is shown once its initialisation is done.
        driver::WaitUntil(
            [&] {
                popup = driver::FindTopLevel(program_.Pid(), " A L A R M ");
                return popup && IsWindowVisible(popup);
            },
            5000);
        return popup && IsWindowVisible(popup) ? popup : nullptr;
    }
    // Wakes the popup's buttons without waiting 2.5 s, then presses one.
    void Answer(HWND popup, int button) {
        PostMessageA(popup, WM_TIMER, 88, 0);
        driver::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(popup, button)) != FALSE; }, 3000);
        PostMessageA(popup, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        driver::WaitUntil([&] { return !IsWindow(popup); }, 3000);
    }
};

TEST_F(Alarms, DueAlarmsRingInSlotOrderAndDeleteRemovesOne) {
    driver::SetConfig("AlarmTime", std::string("1@@1@@5"));
    driver::SetConfig("AlarmMsg", std::string("Tea@@Nap@@Later"));
    HWND main = Start();
    ASSERT_TRUE(main);
    PostMessageA(main, WM_TIMER, 2, 0);  // one alarm minute

    HWND first = WaitForPopup();
    ASSERT_TRUE(first);
    EXPECT_EQ(driver::ControlText(first, IDC_POPUP_MESSAGE), "Tea");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(first, IDOK))) << "asleep for the first seconds";
    Answer(first, IDOK);

    HWND second = WaitForPopup();
    ASSERT_TRUE(second);
    EXPECT_EQ(driver::ControlText(second, IDC_POPUP_MESSAGE), "Nap");
    Answer(second, IDCANCEL);  // "Delete alarm"

    Sleep(300);
    EXPECT_FALSE(driver::FindTopLevel(program_.Pid(), " A L A R M ")) << "the 5-minute alarm is not due";
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(driver::ConfigText("AlarmTime"), "1@@5");
    EXPECT_EQ(driver::ConfigText("AlarmMsg"), "Tea@@Later");
}

TEST_F(Alarms, TheTrayCommandOpensTheAlarmsList) {
    driver::SetConfig("AlarmTime", std::string("30"));
    driver::SetConfig("AlarmMsg", std::string("Tea"));
    HWND main = Start();
    ASSERT_TRUE(main);
    driver::Command(main, ID_TRAY_ALARMS);
    HWND list = nullptr;
    ASSERT_TRUE(driver::WaitUntil([&] { return (list = driver::FindTopLevel(program_.Pid(), "Horolux - Alarms")) && IsWindowVisible(list); },
                                  5000));
    EXPECT_EQ(SendMessageA(GetDlgItem(list, IDC_ALARM_LIST), LVM_GETITEMCOUNT, 0, 0), 1);
    PostMessageA(list, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(list); }, 3000));
}

}  // namespace
