#pragma once
// What a control's window class and style ask of the floating clock's layout.
#include <cstring>

#include "framework/win32.h"

namespace ui {

// A group box drawn over its neighbours must clip them, or it erases them when it moves.
inline bool NeedsClipSiblings(const char* className, DWORD style) {
    return lstrcmpiA(className, "BUTTON") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX;
}

// Left, centred and right text, and a centred image, are drawn relative to the control's size,
// so they must be painted anew after each move.
inline bool NeedsRepaintAfterMoving(const char* className, DWORD style) {
    if (lstrcmpiA(className, "STATIC") != 0) return false;
    const DWORD type = style & SS_TYPEMASK;
    return type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT || (style & SS_CENTERIMAGE);
}

}  // namespace ui
