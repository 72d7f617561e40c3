#pragma once
// Asking the notification area about an icon, from the program's process or another one.
#include "framework/win32.h"

namespace test {

// The shell modifies only icons it holds: a cheap way to ask whether one is there.
inline bool ShellHoldsIcon(HWND owner, UINT id) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nid.hWnd = owner;
    nid.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

}  // namespace test
