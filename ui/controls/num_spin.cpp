#include "ui/controls/num_spin.h"

#include "core/controls/number_text.h"
#include "framework/controls.h"

namespace ui {

CNumEdit* CNumSpinCtrl::BuddyEdit() const {
    return dynamic_cast<CNumEdit*>(fw::CWnd::FromHandle(GetBuddy()));
}

void CNumSpinCtrl::SetDelta(float delta) {
    if (CNumEdit* edit = BuddyEdit()) edit->SetDelta(delta);
}

float CNumSpinCtrl::GetDelta() const {
    const CNumEdit* edit = BuddyEdit();
    return edit ? edit->GetDelta() : 0.0f;
}

HWND CNumSpinCtrl::SetBuddy(HWND buddy) {
    const HWND previous = fw::UpDown(m_hWnd).SetBuddy(buddy);
    if (CNumEdit* edit = BuddyEdit()) edit->SetValue(0);
    return previous;
}

HWND CNumSpinCtrl::GetBuddy() const {
    return fw::UpDown(m_hWnd).GetBuddy();
}

void CNumSpinCtrl::GetRange(float& min, float& max) const {
    min = max = 0.0f;
    if (const CNumEdit* edit = BuddyEdit()) edit->GetRange(min, max);
}

void CNumSpinCtrl::SetRange(float min, float max) {
    fw::UpDown(m_hWnd).SetRange(horolux::kSpinLower, horolux::kSpinUpper);
    if (CNumEdit* edit = BuddyEdit()) edit->SetRange(min, max);
}

float CNumSpinCtrl::GetPos() const {
    CNumEdit* edit = BuddyEdit();
    return edit ? edit->GetValue() : 0.0f;
}

void CNumSpinCtrl::SetPos(float value) {
    fw::UpDown(m_hWnd).SetPos(horolux::kSpinMiddle);
    if (CNumEdit* edit = BuddyEdit()) edit->SetValue(value);
}

LRESULT CNumSpinCtrl::OnDeltaPos(NMUPDOWN* change) {
    const int before = horolux::SpinPositionBeforeStep(change->iPos, change->iDelta);
    if (before != change->iPos) {
        change->iPos = before;
        // The up-down adds iDelta to its own position, not to iPos: move that one too.
        fw::UpDown(m_hWnd).SetPos32(before);
    }
    if (CNumEdit* edit = BuddyEdit()) edit->ChangeValue(change->iDelta);
    return 0;  // the step is allowed
}

bool CNumSpinCtrl::OnChildNotify(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_NOTIFY || reinterpret_cast<const NMHDR*>(lp)->code != UDN_DELTAPOS) return false;
    result = OnDeltaPos(reinterpret_cast<NMUPDOWN*>(lp));
    return true;
}

}  // namespace ui
