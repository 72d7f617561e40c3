#pragma once
// The large bold letters in which the alarm windows show an alarm's message.
#include "framework/controls.h"
#include "framework/gdi.h"

// Creates the font and gives it to the dialog's control; the caller keeps the font alive.
inline fw::Font SetMessageFont(HWND dialog, int controlId) {
    fw::Font font(CreateFontA(26, 0, 0, 0, 800, 0, 0, 0, 0, 0, 0, 0, 0, "Arial"));
    fw::SetFont(GetDlgItem(dialog, controlId), font.Get(), true);
    return font;
}
