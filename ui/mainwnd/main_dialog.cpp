#include "ui/mainwnd/main_dialog.h"

#include <cstdlib>

#include "framework/accessible.h"
#include "framework/app.h"
#include "framework/controls.h"
#include "framework/dpi.h"
#include "framework/guard.h"
#include "framework/message_box.h"
#include "framework/message_map.h"
#include "platform/text.h"
#include "timesync/source_measure.h"
#include "ui/controls/about_box.h"
#include "ui/mainwnd/autostart.h"
#include "ui/mainwnd/connection_state.h"
#include "ui/mainwnd/moments.h"
#include "ui/sync/time_source_dialog.h"

namespace ui {

namespace {
constexpr char kTimeSourceMenuText[] = "Time source...";
// The template's welcome text; its third line names the page's source.
constexpr char kWelcomeText[] =
    "Welcome to Horolux \nThe real time sync of the PC clock through Internet. \nFrom US Naval "
    "Observatory Master Clock time.";
const std::string kWelcomeFirstLines =
    "Welcome to Horolux \nThe real time sync of the PC clock through Internet. \n";

// The welcome text has no ID of its own in the template; it is the static that shows it.
HWND FindWelcomeText(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char text[32] = {};
        GetWindowTextA(child, text, sizeof text);
        if (std::string(text).rfind("Welcome to Horolux", 0) == 0) return child;
    }
    return nullptr;
}

// The hour of the day 0 to 23, as every other time the window shows.
constexpr char kPickerFormat[] = "yyyy'-'MM'-'dd' 'HH':'mm";
constexpr int kScheduleControls[] = {IDC_INTERVAL, IDC_INTERVAL_SPIN, IDC_UNIT_HOUR, IDC_UNIT_DAY};
// The options an administrator's policy may hold.
constexpr PolicyControl kPolicyControls[] = {
    {IDC_SYNC_ON_START, "SyncOnStart"},
    {IDC_SCHEDULE_SYNC, "ScheduleSync"},
    {IDC_INTERVAL, "ScheduleInterval"},
    {IDC_INTERVAL_SPIN, "ScheduleInterval"},
    {IDC_UNIT_HOUR, "ScheduleHourDaySync"},
    {IDC_UNIT_DAY, "ScheduleHourDaySync"},
    {IDC_SYNC_ON_CONNECT, "SyncOnInternetConnect"},
};
// Names for screen readers where no label before a control gives one: the interval's label is a
// check box, and the sync texts are values beside their labels.
constexpr fw::ControlName kReaderNames[] = {
    {IDC_SYNC_ANIMATION, "Sync animation"},
    {IDC_LAST_SYNC, "Last sync"},
    {IDC_OLD_TIME, "Old time"},
    {IDC_NEW_TIME, "New time"},
    {IDC_INTERVAL, "Sync interval"},
    {IDC_INTERVAL_SPIN, "Sync interval"},
    {IDC_NEXT_START_PICKER, "Next sync at"},
    {IDC_NEXT_SYNC, "Next sync"},
    {IDC_STATUS, "Status"},
};
}  // namespace

CHoroluxDlg::CHoroluxDlg(horolux::HoroluxModel& model, AlarmSoundPlayer& sounds)
    : CPictureDialog(IDD), m_model(model), m_sounds(sounds) {
    m_hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

bool CHoroluxDlg::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CHoroluxDlg;
    static const fw::MessageMap<Self> map = {
        fw::OnCommand(IDC_SYNC, &Self::OnSyncClock),
        fw::OnCommand(ID_TRAY_SYNC_CLOCK, &Self::OnSyncClock),
        fw::OnCommand(IDC_EXIT, &Self::OnExit),
        fw::OnCommand(ID_TRAY_EXIT, &Self::OnExit),
        fw::OnCommand(ID_TRAY_SHOW, &Self::OnTrayShow),
        fw::OnCommand(ID_TRAY_ALARMS, &Self::OnTraySetAlarm),
        fw::OnCommand(ID_TRAY_SHOW_ALARM_CLOCK, &Self::OnTrayShowAlarmClock),
        fw::OnCommand(ID_TRAY_ABOUT, &Self::OnAbout),
        fw::OnCommand(IDC_AUTOSTART, &Self::OnAutostart),
        fw::OnCommand(IDC_SYNC_ON_START, &Self::OnSyncOnStart),
        fw::OnCommand(IDC_EXIT_AFTER_SYNC, &Self::OnExitAfterSync),
        fw::OnCommand(IDC_SCHEDULE_SYNC, &Self::OnScheduleSync),
        fw::OnCommand(IDC_UNIT_HOUR, &Self::OnScheduleChange),
        fw::OnCommand(IDC_UNIT_DAY, &Self::OnScheduleChange),
        fw::OnControl(IDC_INTERVAL, EN_CHANGE, &Self::OnScheduleChange),
        fw::OnCommand(IDC_SYNC_ON_CONNECT, &Self::OnSyncOnConnect),
        fw::OnNotify(IDC_NEXT_START_PICKER, DTN_DATETIMECHANGE, &Self::OnPickerChange),
        fw::OnMessage(UWM_SHOW_MAIN, &Self::OnShowMain),
        fw::OnMessage(WM_TIMER, &Self::OnTimerMessage),
        fw::OnMessage(WM_POWERBROADCAST, &Self::OnPowerBroadcast),
        fw::OnMessage(UWM_NETWORK_UP, &Self::OnNetworkUp),
        fw::OnMessage(WM_SYSCOMMAND, &Self::OnSysCommand),
        fw::OnMessage(WM_SIZE, &Self::OnSize),
        fw::OnMessage(WM_DESTROY, &Self::OnDestroy),
        fw::OnMessage(WM_QUERYENDSESSION, &Self::OnQueryEndSession),
        fw::OnMessage(WM_ENDSESSION, &Self::OnEndSession),
        fw::OnMessage(WM_LBUTTONDBLCLK, &Self::OnLButtonDblClk),
    };
    return map.Dispatch(*this, msg, wp, lp, result) ||
           CPictureDialog::ProcessMessage(msg, wp, lp, result);
}

void CHoroluxDlg::DoDataExchange(fw::DataExchange& dx) {
    dx.Text(IDC_LAST_SYNC, m_model.settings.lastSync);
    dx.Text(IDC_OLD_TIME, m_oldTimeText);
    dx.Text(IDC_NEW_TIME, m_newTimeText);
    dx.Text(IDC_STATUS, m_statusText);
    dx.Text(IDC_NEXT_SYNC, m_nextSyncText);
    dx.Check(IDC_AUTOSTART, m_autostart);
    dx.Check(IDC_SYNC_ON_START, m_model.settings.syncOnStart);
    dx.Check(IDC_EXIT_AFTER_SYNC, m_model.settings.exitAfterSync);
    dx.Check(IDC_SCHEDULE_SYNC, m_model.settings.scheduleSync);
    dx.Check(IDC_SYNC_ON_CONNECT, m_model.settings.syncOnInternetConnect);
    dx.Radio(IDC_UNIT_HOUR, m_model.settings.scheduleHourDaySync);
    dx.Text(IDC_INTERVAL, m_model.settings.scheduleInterval);
}

void CHoroluxDlg::CleanAlarmDataArray() {
    fw::CatchAll("CHoroluxDlg::CleanAlarmDataArray()", [&] { m_model.Alarms().RemoveAll(); });
}

BOOL CHoroluxDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetPropA(m_hWnd, kMainWindowProperty, reinterpret_cast<HANDLE>(1));
    fw::SetAccessibleNames(m_hWnd, kReaderNames);
    m_intervalEdit.SubclassDlgItem(IDC_INTERVAL, m_hWnd);
    m_intervalSpin.SubclassDlgItem(IDC_INTERVAL_SPIN, m_hWnd);

    HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
    char aboutText[64] = {};
    if (systemMenu &&
        LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, aboutText, sizeof aboutText) > 0) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, aboutText);
        AppendMenuA(systemMenu, MF_STRING, IDM_TIME_SOURCE, kTimeSourceMenuText);
    }
    m_welcome = FindWelcomeText(m_hWnd);
    fw::SetIcon(m_hWnd, m_hIcon, true);
    fw::SetIcon(m_hWnd, m_hIcon, false);

    SetBitmap(IDB_BACKGROUND, kStretch);
    SetUpButtons();
    fw::Animation(GetDlgItem(IDC_SYNC_ANIMATION)).Open(IDR_SYNC_AVI);

    LoadSettings();
    UpdateData(false);
    ShowSourceInWelcome();

    m_trayIcon.Create(nullptr, kTrayCallbackMessage, "Horolux",
                      CSystemTray::LoadTrayIcon(IDR_MAINFRAME), IDR_TRAY_MENU);
    m_trayIcon.SetDefaultMenuItem(0, true);

    EnableScheduleControls();
    SetUpScheduleControls();

    if (!m_model.settings.doNextStartAt.empty()) {
        m_model.nextSet = 1;
        SetPickerMoment(std::strtoll(m_model.settings.doNextStartAt.c_str(), nullptr, 10));
        UpdateData(false);
    } else {
        UpdateNextSync();
    }

    // Whatever connection is up now is not new; only a later one triggers a sync.
    m_model.connectionName = ReadConnectionState().name;

    if (m_model.settings.showAlarmClock) OnTrayShowAlarmClock();
    StartTimers();
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

void CHoroluxDlg::SetUpScheduleControls() {
    m_intervalSpin.SetBuddy(m_intervalEdit);
    m_intervalSpin.SetRange(1, 264);
    m_intervalSpin.SetPos(static_cast<float>(std::atoi(m_model.settings.scheduleInterval.c_str())));
    m_intervalSpin.SetDelta(1);
    fw::DateTimePicker(GetDlgItem(IDC_NEXT_START_PICKER)).SetFormat(kPickerFormat);
}

void CHoroluxDlg::EnableScheduleControls() {
    for (int id : kScheduleControls)
        EnableWindow(GetDlgItem(id), m_model.settings.scheduleSync != 0);
    m_policyLock.Apply(m_hWnd, kPolicyControls, m_model.policyHeld);
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
    // From the keyboard, while a window of ours waits for the user (an alarm's popup does not
    // take the focus when it appears): that window, the only one the keys can work.
    if (m_trayIcon.CommandByKeyboard() && !IsWindowEnabled(m_hWnd))
        if (HWND waiting = fw::EnabledPopupOf(m_hWnd)) SetForegroundWindow(waiting);
}

LRESULT CHoroluxDlg::OnShowMain(WPARAM, LPARAM) {
    OnTrayShow();
    return 0;
}

void CHoroluxDlg::OnAbout() {
    CAboutBox about(m_hWnd);
    about.DoModal();
}

LRESULT CHoroluxDlg::OnSysCommand(WPARAM wp, LPARAM) {
    if ((wp & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        return 0;
    }
    if ((wp & 0xFFF0) == IDM_TIME_SOURCE) {
        OnTimeSource();
        return 0;
    }
    return Default();
}

void CHoroluxDlg::OnTimeSource() {
    CTimeSourceDlg dialog(
        m_model.timeSource, m_model.history,
        [this](const horolux::SyncRequest& request) {
            return timesync::MeasureRequest(request, m_model.refusedServers,
                                            timesync::WinInetStack(), {});
        },
        m_hWnd);
    dialog.m_policyHeld = m_model.policyHeld;
    if (dialog.DoModal() != IDOK) return;
    m_model.timeSource = dialog.m_choice;
    m_model.SaveTimeSource();
    ShowSourceInWelcome();
}

void CHoroluxDlg::ShowSourceInWelcome() {
    if (!m_welcome) return;
    const std::string line = horolux::SourceWelcomeLine(m_model.timeSource);
    SetWindowTextA(m_welcome, line.empty() ? kWelcomeText : (kWelcomeFirstLines + line).c_str());
}

void CHoroluxDlg::OnAutostart() {
    UpdateData(true);
    if (m_autostart)
        WriteRunValue(m_model.appPath);
    else
        DeleteRunValue();
}

void CHoroluxDlg::OnSyncOnStart() {
    UpdateData(true);
    if (m_model.settings.syncOnStart) m_model.settings.exitAfterSync = 0;
    UpdateData(false);
    SaveSettings();
}

void CHoroluxDlg::OnExitAfterSync() {
    UpdateData(true);
    if (m_model.settings.exitAfterSync) m_model.settings.syncOnStart = 0;
    UpdateData(false);
    SaveSettings();
}

void CHoroluxDlg::OnScheduleSync() {
    UpdateData(true);
    EnableScheduleControls();
    SaveSettings();
    m_model.RestartSchedule();
    UpdateNextSync();
}

void CHoroluxDlg::OnScheduleChange() {
    // Only the user's changes count: the program filling the field while hidden does not.
    if (!IsWindowVisible(m_hWnd)) return;
    UpdateData(true);
    m_model.RestartSchedule();
    UpdateNextSync();
}

void CHoroluxDlg::OnSyncOnConnect() {
    if (IsWindowVisible(m_hWnd)) UpdateData(true);
}

LRESULT CHoroluxDlg::OnPickerChange(NMHDR*) {
    m_model.nextSet = 1;
    // 64-bit, so a moment after January 2038 is stored as chosen rather than wrapped negative.
    m_model.settings.doNextStartAt =
        platform::Format("%lld", static_cast<long long>(PickerMoment()));
    return 0;
}

LRESULT CHoroluxDlg::OnSize(WPARAM wp, LPARAM) {
    const LRESULT result = Default();
    if (wp == SIZE_MINIMIZED && m_hWnd) {
        if (IsWindowVisible(m_hWnd)) ShowWindow(m_hWnd, SW_HIDE);
        // Minimising the owner hid the floating clock with it.
        if (m_model.settings.showAlarmClock == 1 && m_alarmClock && m_alarmClock->GetSafeHwnd())
            ShowWindow(m_alarmClock->GetSafeHwnd(), SW_SHOW);
    }
    return result;
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

LRESULT CHoroluxDlg::OnDestroy(WPARAM, LPARAM) {
    m_trayIcon.DeleteIcon();  // first, so no tray click reaches a window going away
    m_networkWatch.Stop();
    RemovePropA(m_hWnd, kMainWindowProperty);
    SaveSettings();
    m_alarmClock.Reset();
    CleanAlarmDataArray();
    return Default();
}

LRESULT CHoroluxDlg::OnQueryEndSession(WPARAM, LPARAM) {
    return TRUE;  // never in the way of a log-off or shutdown
}

LRESULT CHoroluxDlg::OnEndSession(WPARAM ending, LPARAM) {
    // The process is ended after this without WM_DESTROY: store now what tear-down would.
    if (ending) {
        SaveSettings();
        if (m_alarmClock) m_alarmClock->SaveState();
    }
    return 0;
}

void CHoroluxDlg::OnTrayShowAlarmClock() {
    fw::CatchAll("CHoroluxDlg::OnTrayShowAlarmClock()", [&] {
        m_alarmClock.Reset();
        auto clock = std::make_unique<CAlarmClockDlg>(m_model.Store());
        if (!clock->Create(m_hWnd)) return;
        HWND window = clock->GetSafeHwnd();
        ShowWindow(window, SW_SHOW);
        m_model.settings.showAlarmClock = 1;
        clock->SetShowFlag(&m_model.settings.showAlarmClock);
        if (m_model.firstRun) {
            RECT r{};
            GetWindowRect(window, &r);
            const horolux::PixelRect centred = horolux::FirstRunRect(
                {r.left, r.top, r.right, r.bottom}, GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), static_cast<int>(fw::DpiOf(window)));
            SetWindowPos(window, nullptr, centred.left, centred.top, centred.Width(),
                         centred.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        }
        m_alarmClock.Reset(std::move(clock));
        SetAlarmClockText();
        // Chosen from the tray menu with the keyboard: the clock takes the focus, so that its
        // own keys (Esc, the context-menu key) reach it.
        if (m_trayIcon.CommandByKeyboard()) SetForegroundWindow(window);
    });
}

void CHoroluxDlg::SetAlarmClockText() {
    fw::CatchAll("CHoroluxDlg::SetAlarmClockText()", [&] {
        if (!m_alarmClock || !m_alarmClock->GetSafeHwnd()) return;
        m_alarmClock->SetClockText(
            horolux::AlarmClockText(m_model.Alarms(), static_cast<std::int64_t>(GetTickCount64())));
    });
}

}  // namespace ui
