// Every window with the keyboard alone: distinct access keys, and Tab reaches every control a
// user can work, groups once, in the dialog manager's own handling of the key.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "controls/test_picture_dialog.h"
#include "framework/data_exchange.h"
#include "framework/wnd.h"
#include "tests/support/memory_settings_store.h"
#include "ui/alarms/alarm_popup_dialog.h"
#include "ui/alarms/alarms_dialog.h"
#include "ui/alarms/set_alarm_dialog.h"
#include "ui/controls/about_box.h"
#include "ui/mainwnd/main_dialog.h"
#include "ui/sync/time_source_dialog.h"

using namespace ui;  // the layer under test

namespace {

// The letter after a single '&', or 0.
char AccessKey(const std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') return static_cast<char>(std::tolower(text[i + 1]));
        ++i;
    }
    return 0;
}

// Controls that take a key; a tab stop anywhere else would be a stop where nothing happens.
bool TakesKeys(HWND control) {
    for (const char* c : {WC_BUTTONA, WC_EDITA, WC_LISTVIEWA, DATETIMEPICK_CLASSA, TRACKBAR_CLASSA})
        if (fw::IsWindowClass(control, c)) return true;
    return false;
}

bool Works(HWND control) {
    return IsWindowVisible(control) && IsWindowEnabled(control);
}

// The first control of the group a control belongs to.
HWND GroupOf(HWND dialog, HWND control) {
    for (HWND c = control; c; c = GetWindow(c, GW_HWNDPREV))
        if (GetWindowLongA(c, GWL_STYLE) & WS_GROUP) return c;
    return GetWindow(control, GW_HWNDFIRST) ? GetWindow(control, GW_HWNDFIRST) : dialog;
}

void ExpectKeyboardReachesEverything(HWND dialog, const char* name) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(dialog);
    std::map<char, std::string> keys;
    std::set<HWND> wanted;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        const std::string text = fw::GetWindowTextString(c);
        if (const char key = AccessKey(text)) {
            EXPECT_EQ(keys.count(key), 0u) << "\"" << text << "\" and \"" << keys[key] << "\"";
            keys[key] = text;
        }
        if ((GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP) && Works(c))
            wanted.insert(GroupOf(dialog, c));
    }

    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    ASSERT_TRUE(first);
    SetFocus(first);
    std::set<HWND> reached;
    for (int step = 0; step < 64; ++step) {
        HWND focus = GetFocus();
        ASSERT_TRUE(focus && (focus == dialog || IsChild(dialog, focus)));
        while (GetParent(focus) != dialog && focus != dialog) focus = GetParent(focus);
        EXPECT_TRUE(Works(focus) && TakesKeys(focus)) << GetDlgCtrlID(focus);
        reached.insert(GroupOf(dialog, focus));
        MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        ASSERT_TRUE(IsDialogMessageA(dialog, &tab));
        if (GetFocus() == first && step > 0) break;
    }
    EXPECT_EQ(GetFocus(), first) << "Tab comes round";
    EXPECT_EQ(reached, wanted);
}

}  // namespace

TEST(Keyboard, EveryWindowHasDistinctAccessKeysAndTabReachesEveryControl) {
    horolux::MemorySettingsStore settings;
    horolux::HoroluxModel model{settings};
    AlarmSoundPlayer sounds;
    const auto check = [](fw::CDialog& window, const char* name,
                          const std::function<void(HWND)>& prepare = nullptr) {
        ASSERT_TRUE(window.Create());
        HWND hwnd = window.GetSafeHwnd();
        ShowWindow(hwnd, SW_SHOWNA);
        if (prepare) prepare(hwnd);
        ExpectKeyboardReachesEverything(hwnd, name);
        window.DestroyWindow();
    };
    CHoroluxDlg main(model, sounds);
    check(main, "main window", [](HWND h) { KillTimer(h, kTimerInit); });
    CAboutBox about;
    check(about, "about box");
    horolux::AlarmDataArray alarms;
    CAlarmsDlg list(alarms, sounds);
    check(list, "alarms");
    CSetAlarmDlg set(sounds);
    check(set, "set alarm");
    CAlarmPopupDlg popup;
    popup.m_message = "Tea";
    check(popup, "alarm popup",
          [](HWND h) { SendMessageA(h, WM_TIMER, kPopupTimerEnableButtons, 0); });
    CTimeSourceDlg source(horolux::TimeSourceChoice{}, {}, {});
    check(source, "time source");
}

// The shaded buttons are owner-drawn: they still answer their access key and the space bar.
TEST(Keyboard, TheShadedButtonsAnswerTheirAccessKeyAndSpace) {
    test::PictureDialog dialog;
    ASSERT_TRUE(dialog.Open());
    HWND hwnd = dialog.GetSafeHwnd();
    MSG alt{hwnd, WM_SYSCHAR, 's', 1 << 29, 0, {}};
    EXPECT_TRUE(IsDialogMessageA(hwnd, &alt));
    EXPECT_EQ(dialog.commands.size(), 1u) << "Alt+S";
    EXPECT_EQ(GetFocus(), dialog.sync.GetSafeHwnd());
    SendMessageA(dialog.sync.GetSafeHwnd(), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(dialog.sync.GetSafeHwnd(), WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(dialog.commands.size(), 2u) << "Space";
    dialog.Close();
}
