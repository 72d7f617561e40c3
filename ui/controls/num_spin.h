#pragma once
// CNumSpinCtrl: an up-down control that steps its CNumEdit buddy by the buddy's delta, held
// within the buddy's range. Its own position runs from 0 to 1000 and is kept near the middle, so
// it never stops at an end. It never writes the buddy's text through the up-down itself: the
// template must not have UDS_SETBUDDYINT.
#include "framework/wnd.h"
#include "ui/controls/num_edit.h"

namespace ui {

class CNumSpinCtrl : public fw::CWnd {
public:
    CNumSpinCtrl() = default;

    // The buddy operations act only when the buddy is a CNumEdit; otherwise they do nothing and
    // the getters give 0.
    virtual void SetDelta(float delta);
    virtual float GetDelta() const;
    // Returns the previous buddy. A CNumEdit buddy starts at the value 0.
    virtual HWND SetBuddy(HWND buddy);
    virtual HWND GetBuddy() const;
    virtual void GetRange(float& min, float& max) const;
    virtual void SetRange(float min, float max);
    virtual float GetPos() const;
    virtual void SetPos(float value);

protected:
    // The up-down reports a step (UDN_DELTAPOS) to its parent only; it comes back here.
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    virtual LRESULT OnDeltaPos(NMUPDOWN* change);

private:
    CNumEdit* BuddyEdit() const;
};

}  // namespace ui
