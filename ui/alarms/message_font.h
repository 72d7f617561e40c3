#pragma once
// The large bold letters in which the alarm windows show an alarm's message.
#include "framework/controls.h"
#include "framework/dpi.h"
#include "framework/gdi.h"

namespace ui {

// Creates the font, 26 pixels high at 96 DPI and as much larger as the dialog's display scale
// is, and gives it to the dialog's control; the caller keeps the font alive. A later change of
// scale is the framework's (CDialog).
inline fw::Font SetMessageFont(HWND dialog, int controlId) {
    constexpr int kHeight = 26;
    fw::Font font(
        CreateFontA(fw::ScaleFor(dialog, kHeight), 0, 0, 0, 800, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
    fw::SetFont(GetDlgItem(dialog, controlId), font.Get(), true);
    return font;
}

}  // namespace ui
