#include "ui/alarms/alarm_popup_dialog.h"

#include "framework/message_map.h"
#include "res/resource.h"
#include "ui/alarms/message_font.h"
#include "ui/controls/keep_on_top.h"

namespace ui {

bool CAlarmPopupDlg::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CAlarmPopupDlg;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(WM_TIMER, &Self::OnTimer),
        fw::OnMessage(WM_CLOSE, &Self::OnClose),
        fw::OnCommand(IDC_POPUP_SNOOZE, &Self::OnSnooze),
        fw::OnMessage(WM_GETOBJECT, &Self::OnGetObject),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CDialog::ProcessMessage(msg, wp, lp, result);
}

BOOL CAlarmPopupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    KeepOnTop(m_hWnd);

    RECT rc{};
    GetWindowRect(m_hWnd, &rc);
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    SetWindowPos(m_hWnd, nullptr, GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2,
                 GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    m_messageFont = SetMessageFont(m_hWnd, IDC_POPUP_MESSAGE);

    // The dialog hands the focus to the message and selects it all; nothing is to be selected.
    PostMessageA(GetDlgItem(IDC_POPUP_MESSAGE), EM_SETSEL, static_cast<WPARAM>(-1), 0);

    SetTimer(m_hWnd, kPopupTimerEnableButtons, 2500, nullptr);
    SetTimer(m_hWnd, kPopupTimerKeepOnTop, 15000, nullptr);

    m_picture.SubclassDlgItem(IDC_POPUP_PICTURE, m_hWnd);
    if (m_picture.LoadPictureResource(MAKEINTRESOURCEA(IDR_ALARM_GIF), "GIF"))
        m_picture.ShowPicture();
    AnnounceToReaders();
    return TRUE;
}

bool CAlarmPopupDlg::PreTranslateMessage(MSG& msg) {
    // Before the dialog manager makes Escape the cancel command, which is "Delete alarm".
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE) return false;
    if (msg.hwnd != m_hWnd && !IsChild(m_hWnd, msg.hwnd)) return false;
    OnOK();
    return true;
}

LRESULT CAlarmPopupDlg::OnClose(WPARAM, LPARAM) {
    OnOK();  // not the dialog's default, which would be the cancel command
    return 0;
}

LRESULT CAlarmPopupDlg::OnTimer(WPARAM id, LPARAM) {
    if (id == kPopupTimerEnableButtons) {
        for (int button : {IDOK, IDC_POPUP_SNOOZE, IDCANCEL})
            EnableWindow(GetDlgItem(button), TRUE);
    } else if (id == kPopupTimerKeepOnTop) {
        KeepOnTop(m_hWnd);
    }
    return Default();
}

}  // namespace ui
