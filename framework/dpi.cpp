#include "framework/dpi.h"

#include "framework/wnd.h"

namespace fw {
namespace {

// A function of a module the program has loaded anyway, or none where that system lacks it.
template <class Fn>
Fn Lookup(const char* module, const char* name) {
    HMODULE m = GetModuleHandleA(module);
    return m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

UINT SystemDpi() {
    using Fn = UINT(WINAPI*)();
    static const Fn forSystem = Lookup<Fn>("user32.dll", "GetDpiForSystem");
    if (forSystem) return forSystem();
    WindowDC screen(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    return dpi > 0 ? static_cast<UINT>(dpi) : horolux::kDefaultDpi;
}

}  // namespace

UINT DpiOf(HWND hwnd) {
    if (!hwnd) return SystemDpi();
    const HWND root = GetAncestor(hwnd, GA_ROOT);
    if (const CWnd* top = CWnd::FromHandle(root ? root : hwnd); top && top->LayoutDpi())
        return top->LayoutDpi();
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn forWindow = Lookup<Fn>("user32.dll", "GetDpiForWindow");
    const UINT dpi = forWindow ? forWindow(hwnd) : 0;
    return dpi ? dpi : SystemDpi();
}

int SystemMetricForDpi(int index, UINT dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static const Fn forDpi = Lookup<Fn>("user32.dll", "GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, dpi);
    return horolux::RescaleLength(GetSystemMetrics(index), static_cast<int>(SystemDpi()),
                                  static_cast<int>(dpi));
}

Icon LoadIconAtSize(UINT resourceId, int size) {
    using Fn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const Fn scaleDown = Lookup<Fn>("comctl32.dll", "LoadIconWithScaleDown");
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HICON icon = nullptr;
    if (scaleDown &&
        SUCCEEDED(scaleDown(instance, MAKEINTRESOURCEW(resourceId), size, size, &icon)))
        return Icon(icon);
    return Icon(static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(resourceId), IMAGE_ICON, size, size, 0)));
}

Font RescaledFont(HFONT font, UINT fromDpi, UINT toDpi) {
    LOGFONTA lf{};
    if (!font || !GetObjectA(font, sizeof lf, &lf)) return Font();
    lf.lfHeight =
        horolux::RescaleFontHeight(lf.lfHeight, static_cast<int>(fromDpi), static_cast<int>(toDpi));
    lf.lfWidth =
        horolux::RescaleLength(lf.lfWidth, static_cast<int>(fromDpi), static_cast<int>(toDpi));
    return Font(CreateFontIndirectA(&lf));
}

SIZE DialogBaseUnits(HFONT font) {
    WindowDC screen(nullptr);
    SelectObjectScope select(screen, font ? font : GetStockObject(SYSTEM_FONT));
    TEXTMETRICA tm{};
    GetTextMetricsA(screen, &tm);
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE letters{};
    GetTextExtentPoint32A(screen, kLetters, 52, &letters);
    // The average of the 52 letters, rounded, as the dialog manager takes it.
    return {(letters.cx / 26 + 1) / 2, tm.tmHeight};
}

horolux::PixelSize RoomInParent(HWND control) {
    const HWND parent = GetParent(control);
    RECT place{}, client{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    GetClientRect(parent, &client);
    return {client.right - place.left, client.bottom - place.top};
}

SIZE WindowSizeForClient(HWND hwnd, SIZE client, UINT dpi) {
    RECT r{0, 0, client.cx, client.cy};
    const auto style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE));
    using Fn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const Fn forDpi = Lookup<Fn>("user32.dll", "AdjustWindowRectExForDpi");
    if (forDpi) {
        forDpi(&r, style, FALSE, exStyle, dpi);
        return {r.right - r.left, r.bottom - r.top};
    }
    // Before Windows 10 there is one DPI: the frame as it is now.
    RECT outer{}, inner{};
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &inner);
    return {client.cx + (outer.right - outer.left) - inner.right,
            client.cy + (outer.bottom - outer.top) - inner.bottom};
}

void TakeOverDialogDpiChange(HWND dialog) {
    using Fn = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
    static const Fn behaviour = Lookup<Fn>("user32.dll", "SetDialogDpiChangeBehavior");
    if (behaviour) behaviour(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

}  // namespace fw
