#include "ui/mainwnd/main_dialog.h"

#include "framework/message_box.h"
#include "framework/message_map.h"
#include "ui/app/horolux_app.h"

CHoroluxDlg::CHoroluxDlg() : CPictureDialog(IDD) {
    m_hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

bool CHoroluxDlg::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CHoroluxDlg;
    static const fw::MessageMap<Self> map = {
        fw::OnCommand(IDC_EXIT, &Self::OnExit),
        fw::OnCommand(ID_TRAY_EXIT, &Self::OnExit),
        fw::OnCommand(ID_TRAY_SHOW, &Self::OnTrayShow),
        fw::OnCommand(ID_TRAY_ABOUT, &Self::OnAbout),
        fw::OnMessage(UWM_SHOW_MAIN, &Self::OnShowMain),
        fw::OnMessage(WM_SYSCOMMAND, &Self::OnSysCommand),
        fw::OnMessage(WM_SIZE, &Self::OnSize),
        fw::OnMessage(WM_DESTROY, &Self::OnDestroy),
        fw::OnMessage(WM_LBUTTONDBLCLK, &Self::OnLButtonDblClk),
    };
    return map.Dispatch(*this, msg, wp, lp, result) ||
           CPictureDialog::ProcessMessage(msg, wp, lp, result);
}

void CHoroluxDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Text(IDC_LAST_SYNC, m_settings.lastSync);
    dx.Text(IDC_OLD_TIME, m_oldTimeText);
    dx.Text(IDC_NEW_TIME, m_newTimeText);
    dx.Text(IDC_STATUS, m_statusText);
    dx.Text(IDC_NEXT_SYNC, m_nextSyncText);
    dx.Check(IDC_AUTOSTART, m_autostart);
    dx.Check(IDC_SYNC_ON_START, m_settings.syncOnStart);
    dx.Check(IDC_EXIT_AFTER_SYNC, m_settings.exitAfterSync);
    dx.Check(IDC_SCHEDULE_SYNC, m_settings.scheduleSync);
    dx.Check(IDC_SYNC_ON_CONNECT, m_settings.syncOnInternetConnect);
    dx.Radio(IDC_UNIT_HOUR, m_settings.scheduleHourDaySync);
    dx.Text(IDC_INTERVAL, m_settings.scheduleInterval);
}

void CHoroluxDlg::LoadSettings() {
    horolux::LoadSettings(theApp.Profile(), m_settings);
}

void CHoroluxDlg::SaveSettings() {
    horolux::SaveSettings(theApp.Profile(), m_settings);
}

BOOL CHoroluxDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
    char aboutText[64] = {};
    if (systemMenu &&
        LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, aboutText, sizeof aboutText) > 0) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
    }
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    SetBitmap(IDB_BACKGROUND, kStretch);
    SetUpButtons();

    LoadSettings();
    UpdateData(false);

    m_trayIcon.Create(nullptr, kTrayCallbackMessage, "Horolux",
                      CSystemTray::LoadTrayIcon(IDR_MAINFRAME), IDR_TRAY_MENU);
    m_trayIcon.SetDefaultMenuItem(0, true);
    return TRUE;
}

void CHoroluxDlg::SetUpButtons() {
    const struct {
        CShadedButton& button;
        UINT id;
        const char* tip;
    } buttons[] = {
        {m_syncButton, IDC_SYNC, "Sync the PC clock from Internet"},
        {m_closeButton, IDCANCEL, "Close/Hide this window"},
        {m_exitButton, IDC_EXIT, "Exit the application!"},
    };
    for (const auto& b : buttons) {
        b.button.SubclassDlgItem(b.id, m_hWnd);
        b.button.SetShade(CShadedButton::kSoftBump, 8, 10, 0, RGB(0, 0, 0));
        b.button.SetTooltipText(b.tip, true);
    }
}

LRESULT CHoroluxDlg::OnLButtonDblClk(WPARAM, LPARAM) {
    if (m_backgroundToggle == 0) {
        SetBitmap(IDB_PATTERN, kTile);
        m_backgroundToggle = 1;
    } else {
        SetBitmap(IDB_BACKGROUND, kStretch);
        m_backgroundToggle = 0;
    }
    InvalidateRect(m_hWnd, nullptr, TRUE);
    return Default();
}

void CHoroluxDlg::OnCancel() {
    // Closing only puts the window away; the size handler hides it in the tray.
    ShowWindow(m_hWnd, SW_MINIMIZE);
}

void CHoroluxDlg::OnExit() {
    if (fw::AppMessageBox("Do you realy want to exit?", MB_YESNO | MB_ICONQUESTION, "Horolux") ==
        IDYES)
        PostQuitMessage(0);
}

void CHoroluxDlg::OnTrayShow() {
    ShowWindow(m_hWnd, SW_RESTORE);
    if (!IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_SHOW);
}

LRESULT CHoroluxDlg::OnShowMain(WPARAM, LPARAM) {
    OnTrayShow();
    return 0;
}

void CHoroluxDlg::OnAbout() {
    fw::CDialog about(IDD_ABOUTBOX, m_hWnd);
    about.DoModal();
}

LRESULT CHoroluxDlg::OnSysCommand(WPARAM wp, LPARAM) {
    if ((wp & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        return 0;
    }
    return Default();
}

LRESULT CHoroluxDlg::OnSize(WPARAM wp, LPARAM) {
    const LRESULT result = Default();
    if (wp == SIZE_MINIMIZED && m_hWnd && IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_HIDE);
    return result;
}

LRESULT CHoroluxDlg::OnDestroy(WPARAM, LPARAM) {
    m_trayIcon.DeleteIcon();  // first, so no tray click reaches a window going away
    SaveSettings();
    return Default();
}
