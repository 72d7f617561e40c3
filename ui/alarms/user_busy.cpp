#include "ui/alarms/user_busy.h"

#include <cstring>
#include <initializer_list>

namespace ui {

namespace {

// The desktop and the taskbar cover a monitor without the user being busy in them.
bool IsShellWindow(HWND window) {
    if (window == GetDesktopWindow() || window == GetShellWindow()) return true;
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    for (const char* shell : {"Progman", "WorkerW", "Shell_TrayWnd", "Shell_SecondaryTrayWnd"})
        if (std::strcmp(name, shell) == 0) return true;
    return false;
}

bool ForegroundCoversItsMonitor() {
    const HWND window = GetForegroundWindow();
    if (!window || !IsWindowVisible(window) || IsIconic(window) || IsShellWindow(window))
        return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) return false;
    RECT rect{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowRect(window, &rect) ||
        !GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        return false;
    const RECT& m = monitor.rcMonitor;
    return rect.left <= m.left && rect.top <= m.top && rect.right >= m.right &&
           rect.bottom >= m.bottom;
}

}  // namespace

bool UserIsBusy() {
    QUERY_USER_NOTIFICATION_STATE state{};
    if (SUCCEEDED(SHQueryUserNotificationState(&state)) &&
        (state == QUNS_BUSY || state == QUNS_RUNNING_D3D_FULL_SCREEN ||
         state == QUNS_PRESENTATION_MODE))
        return true;
    return ForegroundCoversItsMonitor();
}

}  // namespace ui
