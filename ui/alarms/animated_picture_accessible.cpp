// CAnimatedPicture to screen readers: an animation, named by the window that shows it.
#include <oleacc.h>

#include "ui/alarms/animated_picture.h"

namespace ui {

LRESULT CAnimatedPicture::OnGetObject(WPARAM wp, LPARAM lp) {
    return m_accessible.Answer(m_hWnd, wp, lp, [this] { return Default(); });
}

fw::AccessibleFacts CAnimatedPicture::Describe() const {
    fw::AccessibleFacts facts;
    facts.role = ROLE_SYSTEM_ANIMATION;
    facts.name = m_readerName;
    facts.states = IsAnimating() ? STATE_SYSTEM_ANIMATED : 0;
    return facts;
}

}  // namespace ui
