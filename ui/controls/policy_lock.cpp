#include "ui/controls/policy_lock.h"

#include <algorithm>

#include "core/settings/policy.h"

namespace ui {

void PolicyLock::Apply(HWND dialog, std::span<const PolicyControl> controls,
                       const std::vector<std::string>& held) {
    for (const PolicyControl& c : controls) {
        if (std::find(held.begin(), held.end(), c.value) == held.end()) continue;
        HWND control = GetDlgItem(dialog, c.id);
        EnableWindow(control, FALSE);
        if (!m_tipped.insert(c.id).second) continue;
        if (!m_tips)
            m_tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = dialog;
        tool.uId = static_cast<UINT_PTR>(c.id);
        tool.rect = rect;
        tool.lpszText = const_cast<char*>(horolux::policy::kHeldTip);
        SendMessageA(m_tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

}  // namespace ui
