#include "ui/clockwnd/segment_display.h"

#include "framework/dpi.h"
#include "framework/gdi.h"
#include "framework/high_contrast.h"
#include "framework/message_map.h"

namespace ui {

namespace {

using Pen = fw::GdiObject<HPEN>;

bool IsLeadByte(unsigned char b) {
    return IsDBCSLeadByte(b) != FALSE;
}

void Trace(HDC dc, const std::vector<horolux::PathPoint>& points) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        const horolux::PathPoint& p = points[i];
        switch (p.op) {
            case horolux::PathOp::kMoveTo:
                MoveToEx(dc, p.x, p.y, nullptr);
                break;
            case horolux::PathOp::kLineTo:
                LineTo(dc, p.x, p.y);
                break;
            case horolux::PathOp::kBezierTo:
                if (i + 2 < points.size()) {
                    const POINT curve[3] = {{p.x, p.y},
                                            {points[i + 1].x, points[i + 1].y},
                                            {points[i + 2].x, points[i + 2].y}};
                    PolyBezierTo(dc, curve, 3);
                }
                i += 2;
                break;
        }
    }
}

}  // namespace

void CSegmentDisplay::SetText(const std::string& text) {
    if (text == m_text) return;
    m_text = text;
    m_dirty = true;
    Invalidate();
    TellReadersOfNewText();
}

void CSegmentDisplay::SetColors(COLORREF unlit, COLORREF lit) {
    if (unlit == m_unlitColour && lit == m_litColour) return;
    m_unlitColour = unlit;
    m_litColour = lit;
    Invalidate();
}

void CSegmentDisplay::SetBackground(COLORREF colour) {
    if (colour == m_background) return;
    m_background = colour;
    Invalidate();
}

bool CSegmentDisplay::ModifyDisplayStyle(DWORD remove, DWORD add) {
    if (remove & add) return false;
    m_style = (m_style | add) & ~remove;
    m_dirty = true;
    Invalidate();
    return true;
}

bool CSegmentDisplay::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CSegmentDisplay;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(WM_PAINT, &Self::OnPaint),
        fw::OnMessage(WM_ERASEBKGND, &Self::OnEraseBkgnd),
        fw::OnMessage(WM_PRINTCLIENT, &Self::OnPrintClient),
        fw::OnMessage(WM_SETTEXT, &Self::OnSetWindowText),
        fw::OnMessage(WM_ENABLE, &Self::OnEnable),
        fw::OnMessage(WM_GETOBJECT, &Self::OnGetObject),
        fw::OnMessage(WM_TIMER, &Self::OnTimer),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CWnd::ProcessMessage(msg, wp, lp, result);
}

LRESULT CSegmentDisplay::OnEraseBkgnd(WPARAM, LPARAM) {
    return 0;  // the paint covers every pixel; erasing first would only flicker
}

LRESULT CSegmentDisplay::OnPaint(WPARAM, LPARAM) {
    fw::PaintDC dc(m_hWnd);
    RECT rc{};
    GetClientRect(m_hWnd, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER) {
        Draw(dc, w, h);
        return 0;
    }
    // Drawn off screen and copied in one go, so the frequent updates do not flicker.
    fw::MemoryDC memory(dc);
    fw::Bitmap bitmap(w > 0 && h > 0 ? CreateCompatibleBitmap(dc, w, h) : nullptr);
    if (!memory || !bitmap) {
        Draw(dc, w, h);
        return 0;
    }
    fw::SelectObjectScope select(memory, bitmap.Get());
    SetMapMode(memory, GetMapMode(dc));
    Draw(memory, w, h);
    BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
    return 0;
}

// The static control paints its plain text straight onto the screen when its window text or
// its enabled state changes, over the segments; neither changes what the display shows.
LRESULT CSegmentDisplay::OnSetWindowText(WPARAM wp, LPARAM lp) {
    return DefWindowProcA(m_hWnd, WM_SETTEXT, wp, lp);
}

LRESULT CSegmentDisplay::OnEnable(WPARAM, LPARAM) {
    return 0;
}

LRESULT CSegmentDisplay::OnPrintClient(WPARAM wp, LPARAM) {
    // The static control would print its plain text; print what the screen shows instead.
    RECT rc{};
    GetClientRect(m_hWnd, &rc);
    Draw(reinterpret_cast<HDC>(wp), rc.right - rc.left, rc.bottom - rc.top);
    return 0;
}

void CSegmentDisplay::RebuildGlyphs() {
    horolux::UpperCaseText(m_text, &IsLeadByte);
    m_glyphs = horolux::BuildGlyphs(m_text, m_style);
    m_dirty = false;
}

void CSegmentDisplay::Draw(HDC dc, int width, int height) {
    // High contrast: lit segments in the text colour on the window colour, unlit ones not drawn;
    // the colours the user chose stay for when it is off.
    const bool plain = fw::HighContrast();
    const COLORREF background = plain ? GetSysColor(COLOR_WINDOW) : m_background;
    const COLORREF lit = plain ? GetSysColor(COLOR_WINDOWTEXT) : m_litColour;
    const RECT all{0, 0, width, height};
    {
        const fw::Brush backgroundBrush(CreateSolidBrush(background));
        FillRect(dc, &all, backgroundBrush.Get());
    }
    const fw::Brush unlitBrush(CreateSolidBrush(m_unlitColour));
    const fw::Brush litBrush(CreateSolidBrush(lit));
    // The outline is one pixel at 96 DPI and keeps its share of the segment at larger scales.
    const int penWidth = fw::ScaleFor(m_hWnd, 1);
    const Pen unlitPen(
        CreatePen(PS_SOLID, penWidth, horolux::SegmentPenColour(background, m_unlitColour)));
    const Pen litPen(
        CreatePen(PS_SOLID, penWidth, plain ? lit : horolux::SegmentPenColour(background, lit)));

    if (m_dirty) RebuildGlyphs();
    const auto segments = horolux::LayOutSegments(m_glyphs, width, height, m_style);
    if (segments.empty()) return;

    // The scopes give the device context its own pen and brush back before the objects go.
    fw::SelectObjectScope keepPen(dc, unlitPen.Get());
    fw::SelectObjectScope keepBrush(dc, unlitBrush.Get());
    for (const horolux::SegmentPath& segment : segments) {
        if (plain && !segment.lit) continue;
        SelectObject(dc, segment.lit ? litPen.Get() : unlitPen.Get());
        SelectObject(dc, segment.lit ? litBrush.Get() : unlitBrush.Get());
        BeginPath(dc);
        Trace(dc, segment.points);
        EndPath(dc);
        StrokeAndFillPath(dc);
    }
}

}  // namespace ui
