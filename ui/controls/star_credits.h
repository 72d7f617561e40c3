#pragma once
// CStarCredits: takes over a static control and plays a credits screen in it: stars fly
// towards the viewer while the credit lines crawl up and recede into the distance. Each frame is
// composed in a memory image and copied to the window whole, so nothing flickers.
#include <cstdint>
#include <string>
#include <vector>

#include "core/controls/star_field.h"
#include "framework/accessible.h"
#include "framework/gdi.h"
#include "framework/wnd.h"

namespace ui {

class CStarCredits : public fw::CWnd, private fw::AccessibleSource {
public:
    static constexpr UINT_PTR kFrameTimer = 1;
    static constexpr UINT kFrameMs = 75;

    // The seed of the star field; by default every opening shows another sky.
    explicit CStarCredits(std::uint64_t seed = GetTickCount64());
    ~CStarCredits() override;

    // Attaching starts it: stars, the crawl from the bottom edge, a first frame and the timer.
    bool SubclassDlgItem(UINT id, HWND parent);

    // An empty text gives an empty line.
    void AddLine(const std::string& text) { m_lines.push_back(text); }
    void SetStarSpeed(int speed) { m_starSpeed = speed; }
    void SetScrollStep(int step) { m_scrollStep = step; }

    const std::vector<std::string>& Lines() const { return m_lines; }
    int StarSpeed() const { return m_starSpeed; }
    int ScrollStep() const { return m_scrollStep; }
    int ScrollPosition() const { return m_scroll; }
    HFONT CrawlFont() const { return m_font.Get(); }
    const std::vector<horolux::Star>& Stars() const { return m_stars; }
    int Frames() const { return m_frames; }
    // The last composed frame (none before the first).
    HDC FrameImage() const { return m_frameDc.Get(); }

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnTimer(WPARAM wp, LPARAM lp);
    LRESULT OnEraseBkgnd(WPARAM wp, LPARAM lp);
    LRESULT OnPaint(WPARAM wp, LPARAM lp);
    LRESULT OnPrintClient(WPARAM wp, LPARAM lp);
    LRESULT OnSize(WPARAM wp, LPARAM lp);
    LRESULT OnDestroy(WPARAM wp, LPARAM lp);
    LRESULT OnDpiChanged(WPARAM wp, LPARAM lp);
    LRESULT OnGetObject(WPARAM wp, LPARAM lp);

    // An animation whose text a screen reader can read (star_credits_accessible.cpp).
    fw::AccessibleFacts Describe() const override;

    // The crawl's font at a display scale: 24 pixels high at 96 DPI.
    void MakeFont(UINT dpi);

    void ComposeFrame();
    bool MakeFrameImage();
    void DrawStars(HDC dc);
    void DrawCredits(HDC dc);
    void CopyFrameTo(HDC dc) const;
    void CopyFrameInSystemColours(HDC dc) const;
    int Width() const { return m_client.right - m_client.left; }
    int Height() const { return m_client.bottom - m_client.top; }

    horolux::StarRandom m_random;
    std::vector<horolux::Star> m_stars;
    int m_starSpeed = 30;
    int m_scrollStep = 2;
    int m_scroll = 0;
    int m_frames = 0;
    RECT m_client{};
    fw::Font m_font;
    UINT m_fontDpi = 0;
    // Declared in this order so that the frame's bitmap is deselected before it is deleted, and
    // deleted before its device context.
    fw::MemoryDC m_frameDc;
    fw::Bitmap m_frameBitmap;
    fw::SelectObjectScope m_frameSelect;
    std::vector<std::string> m_lines;
    fw::AccessibleServer m_accessible{*this};
};

}  // namespace ui
