#include "ui/controls/keep_on_top.h"

namespace ui {

void KeepOnTop(HWND window) {
    // Showing the window activates it; the foreground window gets the activation back.
    HWND foreground = GetForegroundWindow();
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE);
    if (foreground) SetForegroundWindow(foreground);
}

}  // namespace ui
