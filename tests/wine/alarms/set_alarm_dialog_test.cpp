#include "ui/alarms/set_alarm_dialog.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/app.h"
#include "message_box_watcher.h"

using namespace ui;  // the layer under test

namespace {

std::string TextOf(HWND dlg, int id) {
    char buf[256] = {};
    GetDlgItemTextA(dlg, id, buf, sizeof buf);
    return buf;
}

// Hears the previews instead of playing them.
struct RecordingPlayer : AlarmSoundPlayer {
    void PlayAlarmSound(int sound) override { played.push_back(sound); }
    std::vector<int> played;
};

// The dialog as the Alarms window shows it, but modeless so the test can look at it.
struct OpenDialog {
    explicit OpenDialog(const char* interval, const char* message = "Alarm!", int sound = 0) {
        dlg.m_intervalText = interval;
        dlg.m_messageText = message;
        dlg.m_sound = sound;
        EXPECT_TRUE(dlg.Create());
        hwnd = dlg.GetSafeHwnd();
        ShowWindow(hwnd, SW_SHOW);
    }
    ~OpenDialog() {
        if (dlg.GetSafeHwnd()) dlg.DestroyWindow();
    }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(hwnd, id)) != FALSE; }
    void Type(const char* text) { SetDlgItemTextA(hwnd, IDC_ALARM_INTERVAL, text); }

    RecordingPlayer sounds;
    CSetAlarmDlg dlg{sounds};
    HWND hwnd = nullptr;
};

TEST(SetAlarmDialog, ANewAlarmOpensOnWithItsDefaults) {
    OpenDialog d("1");
    EXPECT_EQ(IsDlgButtonChecked(d.hwnd, IDC_ALARM_ON_OFF), BST_CHECKED);
    EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_INTERVAL), "1")
        << "the caller's interval, not the spin's rewrites";
    EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_INTERVAL_LABEL), "minutes");
    EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_MESSAGE), "Alarm!");
    EXPECT_EQ(IsDlgButtonChecked(d.hwnd, IDC_SOUND_NONE), BST_CHECKED);
    EXPECT_TRUE(d.Enabled(IDC_ALARM_INTERVAL));
    EXPECT_TRUE(d.Enabled(IDC_ALARM_MESSAGE));

    LOGFONTA font{};
    GetObjectA(
        reinterpret_cast<HFONT>(SendDlgItemMessageA(d.hwnd, IDC_ALARM_MESSAGE, WM_GETFONT, 0, 0)),
        sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, 26);
    EXPECT_EQ(font.lfWeight, 800);
}

TEST(SetAlarmDialog, TheLabelFollowsTheTypedInterval) {
    OpenDialog d("120", "Tea", 9);
    EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_INTERVAL), "120");
    EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_INTERVAL_LABEL), "minutes")
        << "the template's text until a change";
    EXPECT_EQ(IsDlgButtonChecked(d.hwnd, IDC_SOUND_NONE + 9), BST_CHECKED);
    EXPECT_TRUE(d.sounds.played.empty()) << "opening plays nothing";
    const struct {
        const char* typed;
        const char* label;
    } cases[] = {
        {"4320", "= 3 days"}, {"59", "minutes"}, {"120", "= 2 hours"}, {"2879", "= 1 days"}};
    for (const auto& c : cases) {
        d.Type(c.typed);
        EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_INTERVAL_LABEL), c.label) << c.typed;
    }
}

TEST(SetAlarmDialog, TheOnOffButtonDrivesTheIntervalAndTheEdits) {
    OpenDialog d("0");
    EXPECT_EQ(IsDlgButtonChecked(d.hwnd, IDC_ALARM_ON_OFF), BST_UNCHECKED);
    EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_INTERVAL), "0");
    EXPECT_FALSE(d.Enabled(IDC_ALARM_INTERVAL));
    EXPECT_FALSE(d.Enabled(IDC_ALARM_MESSAGE));

    SendDlgItemMessageA(d.hwnd, IDC_ALARM_ON_OFF, BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_INTERVAL), "1");
    EXPECT_TRUE(d.Enabled(IDC_ALARM_INTERVAL));
    EXPECT_TRUE(d.Enabled(IDC_ALARM_MESSAGE));

    d.Type("90");
    SendDlgItemMessageA(d.hwnd, IDC_ALARM_ON_OFF, BM_CLICK, 0, 0);
    EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_INTERVAL), "0");
    EXPECT_FALSE(d.Enabled(IDC_ALARM_INTERVAL));
    EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_INTERVAL_LABEL), "= 1 hours")
        << "switching off keeps the label";
}

TEST(SetAlarmDialog, OkRefusesAnIntervalThatIsNotPlainDigits) {
    OpenDialog d("15", "Stretch", 3);
    d.Type("1.5");
    {
        test::MessageBoxWatcher box(IDOK);
        SendMessageA(d.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        box.Finish();
        ASSERT_TRUE(box.Seen());
        EXPECT_EQ(box.text, "Alarm Interval must be a number!");
    }
    EXPECT_TRUE(IsWindow(d.hwnd)) << "the dialog stays open";
    EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_INTERVAL), "0");

    d.Type("45");
    SendMessageA(d.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(d.hwnd));
    EXPECT_EQ(d.dlg.m_intervalText, "45");
    EXPECT_EQ(d.dlg.m_messageText, "Stretch");
    EXPECT_EQ(d.dlg.m_sound, 3);
}

TEST(SetAlarmDialog, OkRefusesAMessageTheStoredFormCannotKeep) {
    OpenDialog d("15", "Tea", 2);
    for (const char* message : {"Tea@@Nap", "mail me@", "@@"}) {
        SetDlgItemTextA(d.hwnd, IDC_ALARM_MESSAGE, message);
        SetFocus(GetDlgItem(d.hwnd, IDC_ALARM_INTERVAL));
        test::MessageBoxWatcher box(IDOK);
        SendMessageA(d.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        box.Finish();
        ASSERT_TRUE(box.Seen()) << message;
        EXPECT_EQ(box.text, "An alarm message must not contain \"@@\" or end with \"@\"!");
        EXPECT_EQ(box.caption, fw::ExecutableBaseName());
        EXPECT_TRUE(box.hasIcon);
        ASSERT_TRUE(IsWindow(d.hwnd)) << message << ": the dialog stays open";
        EXPECT_EQ(GetFocus(), GetDlgItem(d.hwnd, IDC_ALARM_MESSAGE)) << message;
        EXPECT_EQ(TextOf(d.hwnd, IDC_ALARM_MESSAGE), message) << "kept for the user to mend";
    }
    SetDlgItemTextA(d.hwnd, IDC_ALARM_MESSAGE, "mail me@home");
    SendMessageA(d.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(d.hwnd));
    EXPECT_EQ(d.dlg.m_messageText, "mail me@home");
}

TEST(SetAlarmDialog, PickingASoundPreviewsItAndOkKeepsIt) {
    OpenDialog d("15", "Tea", 0);
    for (int sound : {4, 1, 10})
        SendDlgItemMessageA(d.hwnd, IDC_SOUND_NONE + sound, BM_CLICK, 0, 0);
    EXPECT_EQ(d.sounds.played, (std::vector<int>{4, 1, 10}));
    SendMessageA(d.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(d.hwnd));
    EXPECT_EQ(d.dlg.m_sound, 10);
}

}  // namespace
