#include "framework/high_contrast.h"

namespace fw {

namespace {

std::optional<bool>& TestSwitch() {
    static std::optional<bool> on;
    return on;
}

BOOL CALLBACK AnnounceTo(HWND window, LPARAM) {
    SendMessageA(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

}  // namespace

bool HighContrast() {
    if (TestSwitch()) return *TestSwitch();
    HIGHCONTRASTA hc{};
    hc.cbSize = sizeof hc;
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) &&
           (hc.dwFlags & HCF_HIGHCONTRASTON);
}

void SetHighContrastForTesting(std::optional<bool> on) {
    TestSwitch() = on;
}

void AnnounceHighContrastChange() {
    EnumThreadWindows(GetCurrentThreadId(), AnnounceTo, 0);
}

void RedrawForSystemColours(HWND window) {
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        SendMessageA(c, WM_SYSCOLORCHANGE, 0, 0);
    if (HighContrast())
        SendMessageA(window, WM_CHANGEUISTATE,
                     MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace fw
