// CStarCredits to screen readers: the crawl is drawn, so its lines are its value, and a reader
// reads at its own pace what crawls by.
#include <oleacc.h>

#include "ui/controls/star_credits.h"

namespace ui {

namespace {
constexpr char kName[] = "Credits";
}

LRESULT CStarCredits::OnGetObject(WPARAM wp, LPARAM lp) {
    return m_accessible.Answer(m_hWnd, wp, lp, [this] { return Default(); });
}

fw::AccessibleFacts CStarCredits::Describe() const {
    std::string lines;
    for (const std::string& line : m_lines) {
        if (line.empty()) continue;  // the crawl's spacing, nothing to read
        if (!lines.empty()) lines += '\n';
        lines += line;
    }
    fw::AccessibleFacts facts;
    facts.role = ROLE_SYSTEM_ANIMATION;
    facts.name = kName;
    facts.value = lines;
    facts.states = STATE_SYSTEM_ANIMATED | STATE_SYSTEM_READONLY;
    return facts;
}

}  // namespace ui
