#pragma once
// The display scale of windows. The program declares itself per-monitor aware, so each window
// lays itself out for its monitor's DPI: lengths made for 96 DPI (the dialog templates' scale,
// the pictures and pixel constants) are scaled to it, and WM_DPICHANGED lays a window out anew
// (CDialog). The calls for this came with Windows 10; each is looked up at run time and has a
// stand-in for older systems, which know only the system's DPI. The arithmetic is the core's
// (core/geometry/dpi_scale.h).
#include "core/geometry/dpi_scale.h"
#include "framework/gdi.h"

namespace fw {

// Sent to every control after its top-level window moved to another DPI; newer than the
// Windows 7 headers the program is built with.
inline constexpr UINT kWmDpiChangedAfterParent = 0x02E3;
// Asks a window, before a move to another scale, what size it wants there (wParam: the DPI,
// lParam: SIZE* to fill); Windows then suggests that size in WM_DPICHANGED.
inline constexpr UINT kWmGetDpiScaledSize = 0x02E4;

// The DPI the window (or the top-level window it belongs to) was last laid out for by the
// framework, else its monitor's; the system's DPI where there is no per-window DPI or no window.
UINT DpiOf(HWND hwnd);
// A length made for 96 DPI, at the window's DPI.
inline int ScaleFor(HWND hwnd, int length) {
    return horolux::ScaleToDpi(length, static_cast<int>(DpiOf(hwnd)));
}

// A system metric (SM_...) at a DPI.
int SystemMetricForDpi(int index, UINT dpi);
// The side of a small icon (title bars, the notification area): 16 at 96 DPI, 24 at 144.
inline int SmallIconSize(UINT dpi) {
    return SystemMetricForDpi(SM_CXSMICON, dpi);
}

// The room a control has from its top left corner to the far corner of its parent's client
// area: a picture that grows with the scale grows only as far as this (under Wine, whose MS Sans
// Serif has no size above 20 pixels, dialogs grow less than the DPI at 192).
horolux::PixelSize RoomInParent(HWND control);

// An icon of the program's resources, size × size: the image of that size, else a larger one
// scaled down (sharper than a smaller one scaled up).
Icon LoadIconAtSize(UINT resourceId, int size);

// A copy of a font for another DPI (core's RescaleFontHeight); none for no font.
Font RescaledFont(HFONT font, UINT fromDpi, UINT toDpi);

// The dialog manager's base units of a font (average letter width, height): one dialog unit is
// a quarter of the first, an eighth of the second.
SIZE DialogBaseUnits(HFONT font);

// The outer size of a window whose client area is client × client at a DPI, with its styles.
SIZE WindowSizeForClient(HWND hwnd, SIZE client, UINT dpi);

// Leaves a dialog's answer to a DPI change to the framework alone: since Windows 10 1703 the
// dialog manager would otherwise re-lay and re-font it too, from its own idea of the layout.
void TakeOverDialogDpiChange(HWND dialog);

}  // namespace fw
