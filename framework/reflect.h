#pragma once
// Owner-drawn controls draw themselves: the parent sends WM_DRAWITEM back to the control as
// kReflectBase + WM_DRAWITEM, and a control of ours that handles it returns TRUE.
#include "framework/wnd.h"

namespace fw {

inline constexpr UINT kReflectBase = 0xBC00;  // inside the application's message range
inline constexpr UINT kReflectedDrawItem = kReflectBase + WM_DRAWITEM;

// Call from a parent's message handling; true when a child drew itself (result is then TRUE).
inline bool ReflectDrawItem(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg != WM_DRAWITEM) return false;
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    if (!dis || dis->CtlType == ODT_MENU || !CWnd::FromHandle(dis->hwndItem)) return false;
    if (!SendMessageA(dis->hwndItem, kReflectedDrawItem, wp, lp)) return false;
    result = TRUE;
    return true;
}

}  // namespace fw
