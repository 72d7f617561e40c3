#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "program_test.h"
#include "res/alarm_resource.h"
#include "res/resource.h"

namespace {

class Alarms : public driver::ProgramTest {
protected:
    // The next alarm popup of the program, once it shows.
    HWND WaitForPopup(DWORD timeoutMs = 5000) {
        HWND popup = nullptr;
        // A popup exists before its controls; it is shown once its initialisation is done.
        driver::WaitUntil(
            [&] {
                popup = driver::FindTopLevel(program_.Pid(), " A L A R M ");
                return popup && IsWindowVisible(popup);
            },
            timeoutMs);
        return popup && IsWindowVisible(popup) ? popup : nullptr;
    }
    // A window of the program with this caption, once it shows.
    HWND WaitForShown(const char* caption) {
        HWND window = nullptr;
        driver::WaitUntil(
            [&] {
                return (window = driver::FindTopLevel(program_.Pid(), caption)) &&
                       IsWindowVisible(window);
            },
            5000);
        return window && IsWindowVisible(window) ? window : nullptr;
    }
    // The Alarms window, opened with the tray command.
    HWND OpenAlarmsList() {
        driver::Command(program_.MainWindow(), ID_TRAY_ALARMS);
        return WaitForShown("Horolux - Alarms");
    }
    // Set Alarm from the list's Add button, filled in and confirmed with OK.
    HWND AddAlarm(HWND list, const char* interval, const char* message, int sound) {
        driver::Click(list, IDC_ADD_ALARM);
        HWND set = WaitForShown("Set Alarm");
        if (!set) return nullptr;
        SetItemText(set, IDC_ALARM_INTERVAL, interval);
        SetItemText(set, IDC_ALARM_MESSAGE, message);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(GetDlgItem(set, IDC_SOUND_NONE + sound), BM_CLICK, 0, 0,
                            SMTO_ABORTIFHUNG, 5000, &ignored);
        PostMessageA(set, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return set;
    }
    static void SetItemText(HWND dialog, int id, const char* text) {
        SendMessageTimeoutA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, 5000, nullptr);
    }
    static void Close(HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        driver::WaitUntil([&] { return !IsWindow(dialog); }, 3000);
    }
    static int Rows(HWND list) {
        DWORD_PTR rows = 0;
        SendMessageTimeoutA(GetDlgItem(list, IDC_ALARM_LIST), LVM_GETITEMCOUNT, 0, 0,
                            SMTO_ABORTIFHUNG, 5000, &rows);
        return static_cast<int>(rows);
    }

    // Wakes the popup's buttons without waiting 2.5 s, then presses one.
    void Answer(HWND popup, int button) {
        PostMessageA(popup, WM_TIMER, 88, 0);
        driver::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(popup, button)) != FALSE; },
                          10000);
        PostMessageA(popup, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        driver::WaitUntil([&] { return !IsWindow(popup); }, 10000);
    }
};

TEST_F(Alarms, DueAlarmsRingInSlotOrderAndDeleteRemovesOne) {
    driver::SetConfig("AlarmTime", std::string("1@@1@@5"));
    driver::SetConfig("AlarmMsg", std::string("Tea@@Nap@@Later"));
    HWND main = Start();
    ASSERT_TRUE(main);

    // One alarm minute, sent: the send returns only once the whole tick, every popup it showed
    // included, has ended. Meanwhile another thread answers the popups as they come: OK to the
    // first, "Delete alarm" to the second, OK to any further one.
    struct Rang {
        std::string message;
        bool okEnabled;
        DWORD msAfterTick;  // when the button was looked at
    };
    std::vector<Rang> rang;
    std::atomic<bool> tickOver{false};
    const DWORD tickAt = GetTickCount();
    std::thread user([&] {
        std::vector<HWND> answered;
        while (!tickOver) {
            HWND popup = WaitForPopup(100);
            if (!popup || std::find(answered.begin(), answered.end(), popup) != answered.end()) {
                Sleep(20);  // none, or the last one still closing
                continue;
            }
            answered.push_back(popup);
            const std::string message = driver::ControlText(popup, IDC_POPUP_MESSAGE);
            const bool okEnabled = IsWindowEnabled(GetDlgItem(popup, IDOK)) != FALSE;
            rang.push_back({message, okEnabled, GetTickCount() - tickAt});
            Answer(popup, rang.size() == 2 ? IDCANCEL : IDOK);
        }
    });
    DWORD_PTR ignored = 0;
    const bool delivered =
        SendMessageTimeoutA(main, WM_TIMER, 2, 0, SMTO_NORMAL, 60000, &ignored) != 0;
    tickOver = true;
    user.join();
    ASSERT_TRUE(delivered) << "the tick ended";

    ASSERT_EQ(rang.size(), 2u) << "the 5-minute alarm is not due";
    EXPECT_EQ(rang[0].message, "Tea");
    EXPECT_EQ(rang[1].message, "Nap");
    // The buttons wake 2.5 s after the popup opens; looked at sooner than that after the tick
    // (and so after the popup opened), they must still be asleep.
    if (rang[0].msAfterTick < 2400) {
        EXPECT_FALSE(rang[0].okEnabled) << "asleep for the first seconds";
    }
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
    ASSERT_TRUE(driver::WaitUntil(
        [&] {
            return (list = driver::FindTopLevel(program_.Pid(), "Horolux - Alarms")) &&
                   IsWindowVisible(list);
        },
        5000));
    EXPECT_EQ(SendMessageA(GetDlgItem(list, IDC_ALARM_LIST), LVM_GETITEMCOUNT, 0, 0), 1);
    PostMessageA(list, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(list); }, 3000));
}

// The one test that waits for the real minute: an alarm added to a program that started with
// none must ring without a restart. It is on disk as soon as it is added.
TEST_F(Alarms, AnAlarmAddedToAFreshStartRingsOnTimeAndIsStoredAtOnce) {
    ASSERT_TRUE(Start());
    HWND list = OpenAlarmsList();
    ASSERT_TRUE(list);
    HWND set = AddAlarm(list, "1", "Tea", 3);
    ASSERT_TRUE(set);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(set); }, 3000));
    EXPECT_TRUE(driver::WaitUntil([] { return driver::ConfigText("AlarmTime") == "1"; }, 3000));
    EXPECT_EQ(driver::ConfigText("AlarmMsg"), "Tea");
    EXPECT_EQ(driver::ConfigText("AlarmSound"), "3");
    Close(list);

    HWND popup = WaitForPopup(75000);
    ASSERT_TRUE(popup) << "the alarm rang within its minute";
    EXPECT_EQ(driver::ControlText(popup, IDC_POPUP_MESSAGE), "Tea");
    Answer(popup, IDOK);
}

TEST_F(Alarms, ASwitchedOffAlarmNeitherCountsNorRings) {
    driver::SetConfig("AlarmTime", std::string("0@@1"));
    driver::SetConfig("AlarmMsg", std::string("Off@@On"));
    HWND main = Start();
    ASSERT_TRUE(main);
    for (int minute = 1; minute <= 3; ++minute) {
        PostMessageA(main, WM_TIMER, 2, 0);
        HWND popup = WaitForPopup();  // the minute has been counted once the other alarm rings
        ASSERT_TRUE(popup) << minute;
        EXPECT_EQ(driver::ControlText(popup, IDC_POPUP_MESSAGE), "On") << minute;
        Answer(popup, IDOK);
    }
    HWND list = OpenAlarmsList();
    ASSERT_TRUE(list);
    ASSERT_EQ(Rows(list), 2);
    HWND rows = GetDlgItem(list, IDC_ALARM_LIST);
    EXPECT_EQ(driver::ListCell(rows, 0, 0), "0");
    EXPECT_EQ(driver::ListCell(rows, 0, 1), "0") << "a switched-off alarm does not count";
    Close(list);
}

TEST_F(Alarms, EachAlarmKeepsItsSoundAcrossARestart) {
    driver::SetConfig("AlarmTime", std::string("30@@45"));
    driver::SetConfig("AlarmMsg", std::string("Tea@@Nap"));
    driver::SetConfig("AlarmSound", std::string("7@@2"));
    ASSERT_TRUE(Start());
    HWND list = OpenAlarmsList();
    ASSERT_TRUE(list);
    ASSERT_TRUE(driver::SelectListRow(GetDlgItem(list, IDC_ALARM_LIST), 1));
    driver::Click(list, IDC_EDIT_ALARM);
    HWND set = WaitForShown("Set Alarm");
    ASSERT_TRUE(set);
    EXPECT_EQ(driver::ControlText(set, IDC_ALARM_MESSAGE), "Nap");
    EXPECT_EQ(driver::CheckState(set, IDC_SOUND_NONE + 2), BST_CHECKED);
    EXPECT_EQ(driver::CheckState(set, IDC_SOUND_NONE), BST_UNCHECKED);
    Close(set);
    Close(list);
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(driver::ConfigText("AlarmSound"), "7@@2");
}

TEST_F(Alarms, AMessageTheStoreCannotKeepIsRefusedAndNothingIsStored) {
    ASSERT_TRUE(Start());
    HWND list = OpenAlarmsList();
    ASSERT_TRUE(list);
    HWND set = nullptr;
    for (const char* message : {"Tea@@Nap", "mail me@"}) {
        SCOPED_TRACE(message);
        if (!set) {
            set = AddAlarm(list, "5", message, 0);
        } else {  // still open after the first refusal
            SetItemText(set, IDC_ALARM_MESSAGE, message);
            PostMessageA(set, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        ASSERT_TRUE(set);
        const auto box = driver::AnswerMessageBox(program_.Pid(), IDOK, 5000,
                                                  {program_.MainWindow(), list, set});
        ASSERT_TRUE(box.seen);
        EXPECT_EQ(box.caption, "Horolux");
        EXPECT_EQ(box.text, "An alarm message must not contain \"@@\" or end with \"@\"!");
        EXPECT_TRUE(
            driver::WaitUntil([&] { return IsWindowVisible(set) && IsWindowEnabled(set); }, 3000))
            << "Set Alarm stays open";
    }
    Close(set);
    EXPECT_EQ(Rows(list), 0);
    Close(list);
    EXPECT_FALSE(driver::ConfigText("AlarmTime")) << "nothing was stored";
}

}  // namespace
