#include <gtest/gtest.h>

#include "ui/alarms/alarm_popup_dialog.h"

using namespace ui;  // the layer under test

namespace {

std::string TextOf(HWND w) {
    char buf[256] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

TEST(AlarmPopup, OpensCentredOnTopWithTheMessageAndSleepingButtons) {
    ui::CAlarmPopupDlg popup;
    popup.m_message = "Tea time";
    ASSERT_TRUE(popup.Create());
    HWND h = popup.GetSafeHwnd();
    EXPECT_EQ(TextOf(h), " A L A R M ");
    EXPECT_FALSE(GetWindowLongA(h, GWL_STYLE) & WS_SYSMENU) << "no close box";
    EXPECT_TRUE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(TextOf(GetDlgItem(h, IDC_POPUP_MESSAGE)), "Tea time");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, IDOK)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, IDCANCEL)));

    RECT rc{};
    GetWindowRect(h, &rc);
    EXPECT_EQ(rc.left, GetSystemMetrics(SM_CXSCREEN) / 2 - (rc.right - rc.left) / 2);
    EXPECT_EQ(rc.top, GetSystemMetrics(SM_CYSCREEN) / 2 - (rc.bottom - rc.top) / 2);

    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendDlgItemMessageA(h, IDC_POPUP_MESSAGE, WM_GETFONT, 0, 0)),
               sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, 26);
    EXPECT_EQ(font.lfWeight, 800);

    RECT picture{};
    GetClientRect(GetDlgItem(h, IDC_POPUP_PICTURE), &picture);
    EXPECT_EQ(picture.right, 100) << "the bell picture is in";
    EXPECT_EQ(picture.bottom, 115);

    // "Delete alarm" in the first seconds deletes nothing.
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindow(h));

    SendMessageA(h, WM_TIMER, ui::kPopupTimerEnableButtons, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(h, IDOK)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(h, IDCANCEL)));
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(h)) << "Delete alarm closes it once awake";
}

TEST(AlarmPopup, ModalRunGivesOkDeleteOrSnoozeAfterTheButtonsWake) {
    for (int button : {IDOK, IDCANCEL, IDC_POPUP_SNOOZE}) {
        struct Driven : CAlarmPopupDlg {
            int button = IDOK;
            BOOL OnInitDialog() override {
                BOOL r = CAlarmPopupDlg::OnInitDialog();
                // A click while asleep, then the wake-up tick and the real click.
                PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                PostMessageA(m_hWnd, WM_TIMER, ui::kPopupTimerEnableButtons, 0);
                PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                return r;
            }
        } popup;
        popup.button = button;
        popup.m_message = "x";
        EXPECT_EQ(popup.DoModal(), button);
    }
}

}  // namespace
