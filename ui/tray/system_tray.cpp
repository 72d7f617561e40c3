#include "ui/tray/system_tray.h"

#include <map>
#include <utility>

#include "core/tray/tray_tip.h"
#include "framework/app.h"
#include "framework/dpi.h"
#include "framework/gdi.h"
#include "framework/message_box.h"
#include "framework/message_map.h"

namespace ui {

namespace {

// Broadcast by the shell to every top-level window when the taskbar is created anew.
UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

double NowDays() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return horolux::DateTimeDays(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                                 t.wMilliseconds);
}

// Every tray icon loaded, by resource and size, for the life of the process.
std::map<std::pair<UINT, int>, fw::Icon>& LoadedIcons() {
    static std::map<std::pair<UINT, int>, fw::Icon> icons;
    return icons;
}

}  // namespace

CSystemTray::~CSystemTray() {
    DeleteIcon();
    m_frames.Clear();
    DestroyWindow();
}

HICON CSystemTray::LoadTrayIcon(UINT resourceId) {
    return LoadTrayIcon(resourceId, fw::SmallIconSize(fw::DpiOf(nullptr)));
}

HICON CSystemTray::LoadTrayIcon(UINT resourceId, int size) {
    fw::Icon& icon = LoadedIcons()[{resourceId, size}];
    if (!icon) icon = fw::LoadIconAtSize(resourceId, size);
    return icon.Get();
}

int CSystemTray::IconSize() const {
    return m_iconSize ? m_iconSize : fw::SmallIconSize(fw::DpiOf(nullptr));
}

bool CSystemTray::Create(fw::CWnd* parent, UINT callbackMessage, const char* tip, HICON icon,
                         UINT id) {
    if (LOBYTE(LOWORD(GetVersion())) < 4) {
        m_enabled = FALSE;
        return false;
    }
    // The title stays empty: a second instance looks for the main window by its caption.
    if (!m_hWnd && !CreateEx(0, RegisterClassFor(kRuntimeClassName), "", WS_POPUP, 0, 0, 10, 10,
                             nullptr, nullptr))
        return false;
    m_layoutDpi = fw::DpiOf(m_hWnd);
    m_iconSize = fw::SmallIconSize(m_layoutDpi);

    m_notifyData = NOTIFYICONDATAA{};
    // The platform's version-2 layout: the shell then takes the 128-byte tip and balloons.
    m_notifyData.cbSize = NOTIFYICONDATAA_V2_SIZE;
    m_notifyData.hWnd = parent && parent->GetSafeHwnd() ? parent->GetSafeHwnd() : m_hWnd;
    m_notifyData.uID = id;
    m_notifyData.hIcon = icon;
    m_notifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_notifyData.uCallbackMessage = callbackMessage;
    horolux::CopyTipText(m_notifyData.szTip, sizeof m_notifyData.szTip, tip ? tip : "");

    m_wanted = true;
    m_enabled = Shell_NotifyIconA(NIM_ADD, &m_notifyData);
    if (m_enabled) AskForKeyboardEvents();
    return m_enabled != FALSE;
}

UINT CSystemTray::TaskbarCreated() const {
    return TaskbarCreatedMessage();
}

void CSystemTray::OnTaskbarCreated() {
    // Also when the first add failed because the program started before the taskbar did.
    if (!m_wanted) return;
    constexpr UINT kAll = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    if (Notify(NIM_ADD, kAll)) {
        m_enabled = TRUE;
        AskForKeyboardEvents();
    } else if (m_enabled)
        Notify(NIM_MODIFY, kAll);  // a shell that still knows the icon refuses it twice
}

void CSystemTray::AskForKeyboardEvents() {
    // Version 3 keeps the mouse messages as they are and adds the keyboard's selection and
    // context-menu events.
    m_notifyData.uVersion = NOTIFYICON_VERSION;
    Notify(NIM_SETVERSION, 0);
    m_notifyData.uTimeout = 0;  // shares its place with the version; balloons use it
}

bool CSystemTray::Notify(DWORD action, UINT flags) {
    m_notifyData.uFlags = flags;
    return Shell_NotifyIconA(action, &m_notifyData) != FALSE;
}

void CSystemTray::DeleteIcon() {
    m_wanted = false;
    if (!m_enabled) return;
    Notify(NIM_DELETE, 0);
    m_enabled = FALSE;
}

bool CSystemTray::SetTrayIcon(HICON icon) {
    if (!m_enabled) return false;
    m_notifyData.hIcon = icon;
    return Notify(NIM_MODIFY, NIF_ICON);
}

bool CSystemTray::SetTrayIcon(UINT resourceId) {
    return SetTrayIcon(LoadTrayIcon(resourceId, IconSize()));
}

HICON CSystemTray::GetTrayIcon() const {
    return m_enabled ? m_notifyData.hIcon : nullptr;
}

bool CSystemTray::SetTipText(const char* text) {
    if (!m_enabled) return false;
    horolux::CopyTipText(m_notifyData.szTip, sizeof m_notifyData.szTip, text ? text : "");
    return Notify(NIM_MODIFY, NIF_TIP);
}

bool CSystemTray::ShowBalloon(const char* title, const char* text) {
    if (!m_enabled) return false;
    horolux::CopyTipText(m_notifyData.szInfoTitle, sizeof m_notifyData.szInfoTitle, title);
    horolux::CopyTipText(m_notifyData.szInfo, sizeof m_notifyData.szInfo, text);
    m_notifyData.dwInfoFlags = NIIF_USER | NIIF_NOSOUND;
    const bool shown = Notify(NIM_MODIFY, NIF_INFO);
    m_notifyData.szInfo[0] = '\0';  // later updates must not show it again
    return shown;
}

bool CSystemTray::SetFrameIcons(UINT firstId, UINT lastId) {
    const int size = IconSize();
    const auto result =
        m_frames.Set(firstId, lastId, [size](UINT id) { return LoadTrayIcon(id, size); });
    if (result != horolux::FrameListResult::kBadRange) {
        m_firstFrame = firstId;
        m_lastFrame = lastId;
    }
    if (result == horolux::FrameListResult::kOutOfMemory) fw::AppMessageBox("Out of memory.");
    return result == horolux::FrameListResult::kOk;
}

bool CSystemTray::StartAnimation(UINT delayMs, int periodSeconds) {
    StopAnimation();
    if (!m_enabled || !m_hWnd) return false;
    m_frames.Restart();
    m_startTime = NowDays();
    m_period = periodSeconds;
    m_savedIcon = GetTrayIcon();
    m_timer = SetTimer(m_hWnd, kAnimationTimer, delayMs, nullptr);
    NextFrame();
    return m_timer != 0;
}

bool CSystemTray::NextFrame() {
    if (!m_enabled) return false;
    const auto frame = m_frames.Next();
    if (!frame) return false;
    SetTrayIcon(*frame);
    return true;
}

bool CSystemTray::StopAnimation() {
    bool stopped = false;
    if (m_timer) {
        stopped = KillTimer(m_hWnd, m_timer) != FALSE;
        m_timer = 0;
    }
    if (m_savedIcon) {
        SetTrayIcon(m_savedIcon);
        m_savedIcon = nullptr;
    }
    return stopped;
}

LRESULT CSystemTray::OnTimer(WPARAM, LPARAM) {
    if (horolux::AnimationPeriodOver(m_startTime, NowDays(), m_period))
        StopAnimation();
    else
        NextFrame();
    return 0;
}

bool CSystemTray::SetDefaultMenuItem(UINT item, bool byPosition) {
    if (m_defaultItem == item && (m_defaultByPosition != FALSE) == byPosition) return true;
    m_defaultItem = item;
    m_defaultByPosition = byPosition;
    // Try the choice on a copy of the menu: only whether the menu loads decides the result.
    fw::OwnedMenu menu(m_notifyData.uID);
    HMENU popup = menu.SubMenu(0);
    if (!popup) return false;
    SetMenuDefaultItem(popup, m_defaultItem, m_defaultByPosition);
    return true;
}

HWND CSystemTray::CommandTarget() const {
    fw::CWinApp* app = fw::CWinApp::Get();
    if (app && app->m_pMainWnd && app->m_pMainWnd->GetSafeHwnd())
        return app->m_pMainWnd->GetSafeHwnd();
    return m_notifyData.hWnd;  // no main window: at least the menu has an owner
}

bool CSystemTray::ShowMenu(HWND target, bool byKeyboard) {
    fw::OwnedMenu menu(m_notifyData.uID);
    HMENU popup = menu.SubMenu(0);
    if (!popup) return false;
    SetMenuDefaultItem(popup, m_defaultItem, m_defaultByPosition);
    const POINT pos = byKeyboard ? MenuPointForKeyboard() : CursorPoint();
    // Without the foreground the menu would not close when the user clicks elsewhere, and
    // without the WM_NULL after it the next right click would open it only briefly.
    SetForegroundWindow(target);
    MenuScope open(m_inMenu);
    if (!byKeyboard) {
        TrackPopupMenu(popup, 0, pos.x, pos.y, 0, target, nullptr);
        PostMessageA(target, WM_NULL, 0, 0);
        return true;
    }
    // Chosen with the keyboard: the command is sent from here, so its handler can tell.
    const UINT command =
        static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD, pos.x, pos.y, 0, target, nullptr));
    PostMessageA(target, WM_NULL, 0, 0);
    if (!command) return true;
    m_commandByKeyboard = true;
    ::SendMessageA(target, WM_COMMAND, command, 0);
    m_commandByKeyboard = false;
    return true;
}

bool CSystemTray::RunDefaultCommand(HWND target, bool byKeyboard) {
    SetForegroundWindow(target);
    UINT command = m_defaultItem;
    if (m_defaultByPosition) {
        fw::OwnedMenu menu(m_notifyData.uID);
        HMENU popup = menu.SubMenu(0);
        if (!popup) return false;
        command = GetMenuItemID(popup, static_cast<int>(m_defaultItem));
    }
    m_commandByKeyboard = byKeyboard;
    ::SendMessageA(target, WM_COMMAND, command, 0);
    m_commandByKeyboard = false;
    return true;
}

POINT CSystemTray::CursorPoint() {
    POINT pos{};
    GetCursorPos(&pos);
    return pos;
}

POINT CSystemTray::MenuPointForKeyboard() const {
    // At the icon; where the shell cannot say where that is, at the pointer as for a click.
    // Looked up, as shells before Windows 7 do not have it.
    using GetRect = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
    const auto getRect = reinterpret_cast<GetRect>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("shell32.dll"), "Shell_NotifyIconGetRect")));
    NOTIFYICONIDENTIFIER icon{sizeof icon, m_notifyData.hWnd, m_notifyData.uID, {}};
    RECT rc{};
    if (getRect && SUCCEEDED(getRect(&icon, &rc))) return {rc.left, rc.top};
    return CursorPoint();
}

LRESULT CSystemTray::OnTrayMessage(WPARAM wp, LPARAM lp) {
    if (wp != m_notifyData.uID) return 0;
    HWND target = CommandTarget();

    // Version 3 of the shell's protocol adds the keyboard's events to the mouse messages; a
    // mouse action may bring one of them too, which must not run it a second time.
    const UINT event = LOWORD(lp);
    const DWORD now = GetTickCount();
    const bool echoOfRightClick = now - m_lastMouseMenu <= GetDoubleClickTime();
    switch (event) {
        case WM_RBUTTONUP:
            m_lastMouseMenu = now;
            return ShowMenu(target, false) ? 1 : 0;
        case WM_CONTEXTMENU:  // the context-menu key or Shift+F10 on the icon
            if (m_inMenu || echoOfRightClick) return 1;  // the shell's echo of a right click
            return ShowMenu(target, true) ? 1 : 0;
        case WM_LBUTTONDBLCLK:
            return RunDefaultCommand(target, false) ? 1 : 0;
        case NIN_KEYSELECT:  // Space or Enter on the icon; Windows sends Enter's twice
            if (now - m_lastKeySelect <= GetDoubleClickTime()) return 1;
            m_lastKeySelect = now;
            return RunDefaultCommand(target, true) ? 1 : 0;
        default:  // NIN_SELECT included: a single click does nothing
            return 1;
    }
}

bool CSystemTray::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CSystemTray;
    static const fw::MessageMap<Self> map = {
        fw::OnMessageOf(&Self::CallbackMessage, &Self::OnTrayMessage),
        fw::OnMessage(WM_TIMER, &Self::OnTimer),
        fw::OnMessageOf(&Self::TaskbarCreated, &Self::OnTaskbarCreatedMessage),
        fw::OnMessage(WM_DPICHANGED, &Self::OnDpiChanged),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CWnd::ProcessMessage(msg, wp, lp, result);
}

LRESULT CSystemTray::OnTaskbarCreatedMessage(WPARAM, LPARAM) {
    OnTaskbarCreated();
    return 0;
}

LRESULT CSystemTray::OnDpiChanged(WPARAM wp, LPARAM) {
    const UINT dpi = LOWORD(wp);
    if (!dpi || !m_hWnd) return 0;
    m_layoutDpi = dpi;
    const int size = fw::SmallIconSize(dpi);
    if (size == IconSize()) return 0;
    const int oldSize = IconSize();
    m_iconSize = size;
    // The same picture at the new size, for an icon this tray loaded; any other stays.
    const auto resized = [&](HICON icon) {
        if (!icon) return icon;
        for (const auto& [key, loaded] : LoadedIcons())
            if (loaded.Get() == icon && key.second == oldSize) return LoadTrayIcon(key.first, size);
        return icon;
    };
    if (!m_frames.Empty()) SetFrameIcons(m_firstFrame, m_lastFrame);
    m_savedIcon = resized(m_savedIcon);
    if (m_notifyData.hIcon) {
        const HICON shown = resized(m_notifyData.hIcon);
        if (m_enabled)
            SetTrayIcon(shown);
        else
            m_notifyData.hIcon = shown;
    }
    return 0;
}

}  // namespace ui
