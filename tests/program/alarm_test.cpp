#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "program_test.h"
#include "res/alarm_resource.h"
#include "res/resource.h"
#include "stand_in_tray.h"

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

TEST_F(Alarms, WarningsAndTheSnoozeLengthAreShownEditedAndStoredAndOddOnesMeanNone) {
    driver::SetConfig("AlarmTime", std::string("30@@45@@60"));
    driver::SetConfig("AlarmMsg", std::string("Tea@@Nap@@Walk"));
    driver::SetConfig("AlarmWarn", std::string("5@@x@@99"));
    driver::SetConfig("SnoozeMinutes", DWORD{0});
    ASSERT_TRUE(Start());
    HWND list = OpenAlarmsList();
    ASSERT_TRUE(list);
    HWND rows = GetDlgItem(list, IDC_ALARM_LIST);
    EXPECT_EQ(driver::ListCell(rows, 0, 3), "5 min");
    EXPECT_EQ(driver::ListCell(rows, 1, 3), "");
    EXPECT_EQ(driver::ListCell(rows, 2, 3), "") << "beyond 60 minutes: no warning";
    EXPECT_EQ(driver::ControlText(list, IDC_SNOOZE_MINUTES), "5") << "an odd length: the default";

    ASSERT_TRUE(driver::SelectListRow(rows, 0));
    driver::Click(list, IDC_EDIT_ALARM);
    HWND set = WaitForShown("Set Alarm");
    ASSERT_TRUE(set);
    EXPECT_EQ(driver::ControlText(set, IDC_ALARM_WARN), "5");
    SetItemText(set, IDC_ALARM_WARN, "10");
    PostMessageA(set, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return !IsWindow(set); }, 3000));
    EXPECT_TRUE(
        driver::WaitUntil([] { return driver::ConfigText("AlarmWarn") == "10@@0@@0"; }, 3000));
    SetItemText(list, IDC_SNOOZE_MINUTES, "7");
    Close(list);
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(driver::ConfigInt("SnoozeMinutes"), 7u);
}

// Posted as the program's own timers would fire: a snoozed alarm's timer is 0x1000 plus its slot;
// 5 looks for alarms held back while the user was busy.
constexpr UINT_PTR kSnoozeTimerOfFirstSlot = 0x1000;
constexpr UINT_PTR kHeldAlarmsTimer = 5;

TEST_F(Alarms, SnoozeRingsAgainAndNeitherEscapeNorCloseLosesTheAlarm) {
    driver::SetConfig("AlarmTime", std::string("1"));
    driver::SetConfig("AlarmMsg", std::string("Tea"));
    HWND main = Start();
    ASSERT_TRUE(main);

    PostMessageA(main, WM_TIMER, 2, 0);
    HWND popup = WaitForPopup();
    ASSERT_TRUE(popup);
    EXPECT_EQ(driver::ControlText(popup, IDC_POPUP_SNOOZE), "Snooze");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(popup, IDC_POPUP_SNOOZE))) << "asleep at first";
    Answer(popup, IDC_POPUP_SNOOZE);
    PostMessageA(main, WM_TIMER, kSnoozeTimerOfFirstSlot, 0);
    popup = WaitForPopup();
    ASSERT_TRUE(popup) << "the snooze is over: it rings again";
    EXPECT_EQ(driver::ControlText(popup, IDC_POPUP_MESSAGE), "Tea");

    // Escape, then a close message: each ends the popup as OK does.
    PostMessageA(popup, WM_TIMER, 88, 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(popup, IDOK)); }, 5000));
    PostMessageA(GetDlgItem(popup, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(popup); }, 5000));
    PostMessageA(main, WM_TIMER, 2, 0);
    popup = WaitForPopup();
    ASSERT_TRUE(popup);
    PostMessageA(popup, WM_TIMER, 88, 0);
    ASSERT_TRUE(driver::WaitUntil([&] { return IsWindowEnabled(GetDlgItem(popup, IDOK)); }, 5000));
    PostMessageA(popup, WM_CLOSE, 0, 0);
    EXPECT_TRUE(driver::WaitUntil([&] { return !IsWindow(popup); }, 5000));

    HWND list = OpenAlarmsList();
    ASSERT_TRUE(list);
    EXPECT_EQ(Rows(list), 1) << "the alarm is kept";
    Close(list);
    ASSERT_TRUE(program_.EndWithOk());
    EXPECT_EQ(driver::ConfigText("AlarmTime"), "1");
}

// A window of this process covering the whole monitor, in the foreground: a full-screen program.
class FullScreenWindow {
public:
    FullScreenWindow() {
        MONITORINFO m{};
        m.cbSize = sizeof m;
        GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &m);
        const RECT& r = m.rcMonitor;
        window_ =
            CreateWindowExA(0, "STATIC", "full screen", WS_POPUP | WS_VISIBLE, r.left, r.top,
                            r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(window_);
    }
    ~FullScreenWindow() { Close(); }
    void Close() {
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
    }
    HWND Get() const { return window_; }

private:
    HWND window_ = nullptr;
};

TEST_F(Alarms, AFullScreenWindowHoldsAnAlarmBackUntilItClosesThenItRingsOnce) {
    driver::SetConfig("AlarmTime", std::string("1"));
    driver::SetConfig("AlarmMsg", std::string("Tea"));
    HWND main = Start();
    ASSERT_TRUE(main);
    FullScreenWindow game;
    ASSERT_TRUE(driver::WaitUntil([&] { return GetForegroundWindow() == game.Get(); }, 5000));

    // Two of its intervals pass. A popup would keep the sent tick from returning.
    for (int minute = 0; minute < 2; ++minute) {
        DWORD_PTR ignored = 0;
        ASSERT_TRUE(SendMessageTimeoutA(main, WM_TIMER, 2, 0, SMTO_NORMAL, 10000, &ignored))
            << "held back: no popup";
        EXPECT_FALSE(driver::FindTopLevel(program_.Pid(), " A L A R M "));
    }

    game.Close();
    HWND popup = WaitForPopup(10000);
    ASSERT_TRUE(popup) << "it rings once the full-screen window is gone";
    const std::string text = driver::ControlText(popup, IDC_POPUP_MESSAGE);
    EXPECT_EQ(text.substr(0, 12), "Tea (due at ");
    EXPECT_EQ(text.size(), std::string("Tea (due at 12:34)").size()) << text;
    Answer(popup, IDOK);
    // Once: a look for held alarms now finds none, and so opens no popup that would hold the send.
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(
        SendMessageTimeoutA(main, WM_TIMER, kHeldAlarmsTimer, 0, SMTO_NORMAL, 10000, &ignored));
    EXPECT_FALSE(driver::FindTopLevel(program_.Pid(), " A L A R M "));
}

// UTF-16 text as Wine's shell passes it on, found anywhere in a request.
std::size_t FindWide(const std::vector<BYTE>& data, const std::string& text) {
    std::vector<BYTE> wide;
    for (char c : text) wide.insert(wide.end(), {static_cast<BYTE>(c), 0});
    wide.insert(wide.end(), {0, 0});
    const auto at = std::search(data.begin(), data.end(), wide.begin(), wide.end());
    return at == data.end() ? std::string::npos : static_cast<std::size_t>(at - data.begin());
}

TEST_F(Alarms, AWarningBalloonComesTheChosenMinutesBeforeWithoutASound) {
    driver::SetConfig("AlarmTime", std::string("5"));
    driver::SetConfig("AlarmMsg", std::string("Tea"));
    driver::SetConfig("AlarmWarn", std::string("3"));
    HWND main = Start();
    ASSERT_TRUE(main);
    driver::StandInTray tray;
    PostMessageA(main, WM_TIMER, 2, 0);
    PostMessageA(main, WM_TIMER, 2, 0);  // 3 minutes left
    const driver::StandInTray::Request* balloon = nullptr;
    ASSERT_TRUE(tray.Pump(
        [&](const driver::StandInTray::Request& r) {
            balloon = &r;
            return r.action == NIM_MODIFY && FindWide(r.data, "In 3 min: Tea") != std::string::npos;
        },
        10000));
    // Wine's record: the flags third, the balloon's flags right after its 64-character title.
    const auto dword = [&](std::size_t at) {
        DWORD value = 0;
        if (at + sizeof value <= balloon->data.size())
            std::memcpy(&value, balloon->data.data() + at, sizeof value);
        return value;
    };
    EXPECT_EQ(dword(8), static_cast<DWORD>(NIF_INFO));
    const std::size_t title = FindWide(balloon->data, "Horolux");
    ASSERT_NE(title, std::string::npos);
    EXPECT_EQ(dword(title + 64 * sizeof(WCHAR)), static_cast<DWORD>(NIIF_USER | NIIF_NOSOUND))
        << "the program's icon, and silent";
}

}  // namespace
