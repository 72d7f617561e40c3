#pragma once
// CSegmentDisplay: a static control that shows its text as segment glyphs (lit segments in one
// colour, unlit ones dimmer, on a background), scaled to fill the control. The floating clock's
// face.
#include <string>
#include <vector>

#include "core/clockwnd/segment_glyphs.h"
#include "core/controls/event_throttle.h"
#include "framework/accessible.h"
#include "framework/wnd.h"

namespace ui {

// The display's own timer: a change of what it shows reaches screen readers at most once a
// minute, and the last change held back goes when the minute is over.
inline constexpr UINT_PTR kTimerReaderNameChange = 8934875;
inline constexpr std::int64_t kReaderNameChangePeriodMs = 60000;

class CSegmentDisplay : public fw::CWnd, private fw::AccessibleSource {
public:
    // Display style bits.
    static constexpr DWORD kStyleSmooth = horolux::kSegmentSmooth;
    static constexpr DWORD kStyleFourteenDigits = horolux::kSegmentFourteenDigits;
    static constexpr DWORD kStyleProportional = horolux::kSegmentProportional;

    CSegmentDisplay() = default;

    // Each setter repaints only when something changed.
    void SetText(const std::string& text);
    void SetColors(COLORREF unlit, COLORREF lit);
    void SetBackground(COLORREF colour);
    // False, and nothing changes, when remove and add share a bit.
    bool ModifyDisplayStyle(DWORD remove, DWORD add);

    const std::string& GetText() const { return m_text; }
    COLORREF GetUnlitColor() const { return m_unlitColour; }
    COLORREF GetLitColor() const { return m_litColour; }
    COLORREF GetBackground() const { return m_background; }
    DWORD GetDisplayStyle() const { return m_style; }
    std::size_t GlyphCount() const { return m_glyphs.size(); }
    // What it shows, as a screen reader says it ("12 minutes, 5 minutes").
    std::string SpokenText() const;

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnPaint(WPARAM wp, LPARAM lp);
    LRESULT OnEraseBkgnd(WPARAM wp, LPARAM lp);
    LRESULT OnPrintClient(WPARAM wp, LPARAM lp);
    LRESULT OnSetWindowText(WPARAM wp, LPARAM lp);
    LRESULT OnEnable(WPARAM wp, LPARAM lp);
    LRESULT OnGetObject(WPARAM wp, LPARAM lp);
    LRESULT OnTimer(WPARAM wp, LPARAM lp);

    // Static text to screen readers (segment_display_accessible.cpp).
    fw::AccessibleFacts Describe() const override;
    void TellReadersOfNewText();

    // Background and every segment, straight into dc.
    void Draw(HDC dc, int width, int height);
    void RebuildGlyphs();
    void Invalidate() {
        if (m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
    }

    std::string m_text = "EMPTY";
    bool m_dirty = true;  // the glyphs no longer match the text or the style
    std::vector<horolux::Glyph> m_glyphs;
    COLORREF m_unlitColour = RGB(0, 128, 0);
    COLORREF m_litColour = RGB(0, 255, 0);
    COLORREF m_background = RGB(0, 0, 0);
    DWORD m_style = kStyleProportional;
    horolux::EventThrottle m_nameChanges{kReaderNameChangePeriodMs};
    fw::AccessibleServer m_accessible{*this};
};

}  // namespace ui
