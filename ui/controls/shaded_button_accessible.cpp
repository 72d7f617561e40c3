// CShadedButton to screen readers: owner-drawn, it is a plain button to the standard proxy, so
// it says itself that it is a push button, what it does and how it is pressed.
#include <oleacc.h>

#include "core/text/mnemonic.h"
#include "framework/controls.h"
#include "framework/data_exchange.h"
#include "ui/controls/shaded_button.h"

namespace ui {

namespace {

constexpr char kPress[] = "Press";

}  // namespace

LRESULT CShadedButton::OnGetObject(WPARAM wp, LPARAM lp) {
    return m_accessible.Answer(m_hWnd, wp, lp, [this] { return Default(); });
}

fw::AccessibleFacts CShadedButton::Describe() const {
    const std::string text = fw::GetWindowTextString(m_hWnd);
    fw::AccessibleFacts facts;
    facts.role = ROLE_SYSTEM_PUSHBUTTON;
    facts.name = horolux::WithoutMnemonic(text);
    facts.shortcut = horolux::MnemonicShortcut(text);
    facts.defaultAction = kPress;
    if (m_tooltip) facts.description = fw::ToolTip(m_tooltip).GetToolText(0);
    const bool enabled = IsWindowEnabled(m_hWnd) != FALSE;
    facts.states = (enabled ? STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_UNAVAILABLE) |
                   (GetFocus() == m_hWnd ? STATE_SYSTEM_FOCUSED : 0) |
                   (m_isDefault ? STATE_SYSTEM_DEFAULT : 0) |
                   (m_holding ? STATE_SYSTEM_PRESSED : 0);
    return facts;
}

bool CShadedButton::DoDefaultAction() {
    if (!IsWindowEnabled(m_hWnd)) return false;
    // Posted: the command may open a modal window, which the reader's call must not wait for.
    PostMessageA(m_hWnd, BM_CLICK, 0, 0);
    return true;
}

}  // namespace ui
