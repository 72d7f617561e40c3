#include "ui/controls/picture_dialog.h"

#include "framework/dpi.h"
#include "framework/high_contrast.h"
#include "framework/message_map.h"

namespace ui {

namespace {

bool IsTrackbar(HWND hwnd) {
    return fw::IsWindowClass(hwnd, TRACKBAR_CLASSA);
}

// Controls that fill their whole window with the colour brush, and so need the picture put
// behind them first to repaint cleanly when their text changes. Group boxes fill nothing and
// may lie over other controls, so they are left out.
// An animation control fills the frame's transparent parts with the brush it is given.
bool IsAnimation(HWND hwnd) {
    return fw::IsWindowClass(hwnd, ANIMATE_CLASSA);
}

bool FillsItsBackground(HWND hwnd) {
    if (fw::IsWindowClass(hwnd, WC_STATICA) || fw::IsWindowClass(hwnd, WC_EDITA)) return true;
    if (!fw::IsWindowClass(hwnd, WC_BUTTONA)) return false;
    const LONG type = GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
           type == BS_AUTO3STATE || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

}  // namespace

bool CPictureDialog::SetBitmap(UINT resourceId, int mode) {
    m_mode = mode;
    m_resourceId = resourceId;
    return m_picture.LoadResource(resourceId);
}

bool CPictureDialog::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CPictureDialog;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(WM_ERASEBKGND, &Self::OnEraseBkgnd),
        fw::OnMessage(WM_CTLCOLORBTN, &Self::OnCtlColor),
        fw::OnMessage(WM_CTLCOLORSTATIC, &Self::OnCtlColor),
        fw::OnMessage(WM_QUERYNEWPALETTE, &Self::OnQueryNewPalette),
        fw::OnMessage(WM_PALETTECHANGED, &Self::OnPaletteChanged),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CDialog::ProcessMessage(msg, wp, lp, result);
}

bool CPictureDialog::Enlarged() const {
    return fw::DpiOf(m_hWnd) > static_cast<UINT>(horolux::kDefaultDpi);
}

void CPictureDialog::DrawCentred(HDC dc, const RECT& client) const {
    if (!Enlarged()) {
        m_picture.DrawAt(dc, (client.right - m_picture.Width()) / 2,
                         (client.bottom - m_picture.Height()) / 2);
        return;
    }
    const int w = fw::ScaleFor(m_hWnd, m_picture.Width());
    const int h = fw::ScaleFor(m_hWnd, m_picture.Height());
    m_picture.DrawSmooth(dc, (client.right - w) / 2, (client.bottom - h) / 2, w, h);
}

void CPictureDialog::PaintBackground(HDC dc) {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const int w = client.right, h = client.bottom;
    switch (m_mode) {
        case kStretch:
            // The 96-DPI picture stays exactly as it always was drawn; larger scales get the
            // smooth copy, as a plain stretch would show its pixels as blocks.
            if (Enlarged())
                m_picture.DrawSmooth(dc, 0, 0, w, h);
            else
                m_picture.Draw(dc, 0, 0, w, h);
            break;
        case kCentre:
            FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
            DrawCentred(dc, client);
            break;
        default:
            if (Enlarged())
                m_picture.TileSmooth(dc, client, fw::ScaleFor(m_hWnd, m_picture.Width()),
                                     fw::ScaleFor(m_hWnd, m_picture.Height()));
            else
                m_picture.Tile(dc, client);
            break;
    }
}

bool CPictureDialog::ShowsPicture() const {
    return m_picture.HasPixels() && !fw::HighContrast();
}

LRESULT CPictureDialog::OnEraseBkgnd(WPARAM wp, LPARAM) {
    if (!ShowsPicture()) return Default();
    HDC dc = reinterpret_cast<HDC>(wp);
    if (m_mode == kCentre) {
        Default();  // the plain dialog colour around the picture
        RECT client{};
        GetClientRect(m_hWnd, &client);
        DrawCentred(dc, client);
    } else {
        PaintBackground(dc);
    }
    return TRUE;
}

void CPictureDialog::PaintBehind(HWND control, HDC dc) {
    RECT rc{};
    GetWindowRect(control, &rc);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    fw::ViewportOffsetScope offset(dc, -rc.left, -rc.top);
    PaintBackground(dc);
}

HBRUSH CPictureDialog::BrushBehind(HWND control) {
    // Per scale too: the control and the picture behind it change size with it.
    fw::Brush& brush = m_behindBrushes[{control, m_resourceId, m_mode, fw::DpiOf(m_hWnd)}];
    if (brush) return brush.Get();
    RECT rc{};
    GetClientRect(control, &rc);
    fw::WindowDC screen(m_hWnd);
    fw::MemoryDC memory(screen);
    fw::Bitmap picture(CreateCompatibleBitmap(screen, rc.right, rc.bottom));
    {
        fw::SelectObjectScope select(memory, picture.Get());
        PaintBehind(control, memory);
    }
    brush.Reset(CreatePatternBrush(picture.Get()));  // the brush keeps its own copy
    return brush.Get();
}

LRESULT CPictureDialog::OnCtlColor(WPARAM wp, LPARAM lp) {
    if (!ShowsPicture()) return Default();
    HWND control = reinterpret_cast<HWND>(lp);
    HDC dc = reinterpret_cast<HDC>(wp);
    // Sliders keep their own background: a hollow brush would leave their channel smeared.
    if (IsTrackbar(control)) return Default();
    if (IsAnimation(control)) return reinterpret_cast<LRESULT>(BrushBehind(control));
    if (control && GetParent(control) == m_hWnd && FillsItsBackground(control))
        PaintBehind(control, dc);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(m_transparentBrush);
}

LRESULT CPictureDialog::OnQueryNewPalette(WPARAM, LPARAM) {
    if (!m_picture.Palette()) return Default();
    UINT changed = 0;
    {
        fw::WindowDC dc(m_hWnd);
        fw::SelectPaletteScope select(dc, m_picture.Palette(), false);
        changed = RealizePalette(dc);
    }
    if (changed == 0 || changed == GDI_ERROR) return 0;
    InvalidateRect(m_hWnd, nullptr, TRUE);
    return 1;
}

LRESULT CPictureDialog::OnPaletteChanged(WPARAM wp, LPARAM) {
    HWND changer = reinterpret_cast<HWND>(wp);
    if (!m_picture.Palette() || changer == m_hWnd || IsChild(m_hWnd, changer)) return Default();
    UINT changed = 0;
    {
        fw::WindowDC dc(m_hWnd);
        fw::SelectPaletteScope select(dc, m_picture.Palette(), true);
        changed = RealizePalette(dc);
    }
    if (changed != 0 && changed != GDI_ERROR) InvalidateRect(m_hWnd, nullptr, TRUE);
    return 0;
}

}  // namespace ui
