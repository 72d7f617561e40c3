#include "ui/controls/title_tip.h"

#include <stdexcept>

#include "framework/controls.h"
#include "framework/dpi.h"
#include "framework/gdi.h"
#include "framework/geometry.h"
#include "framework/message_map.h"

namespace ui {

namespace {

using fw::LParamOf;
using fw::PointOf;

// A window of another program may hang; a tip must not hang with it.
LRESULT HitTest(HWND hwnd, POINT screen) {
    DWORD_PTR hit = HTNOWHERE;
    if (!SendMessageTimeoutA(hwnd, WM_NCHITTEST, 0, LParamOf(screen), SMTO_ABORTIFHUNG, 500, &hit))
        return HTNOWHERE;
    return static_cast<LRESULT>(static_cast<LONG_PTR>(hit));
}

// The window-frame form of a button press, for a click that lands outside a client area.
UINT NonClientButton(UINT msg) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            return WM_NCLBUTTONDOWN;
        case WM_RBUTTONDOWN:
            return WM_NCRBUTTONDOWN;
        case WM_MBUTTONDOWN:
            return WM_NCMBUTTONDOWN;
        default:
            return msg;
    }
}

}  // namespace

CTitleTipWnd::CTitleTipWnd() {
    WNDCLASSA wc{};
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoA(instance, kClassName, &wc)) return;
    wc.style = CS_SAVEBITS | CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcA;  // the object takes the window over when it is created
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_INFOBK + 1));
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) throw std::runtime_error("cannot register the title tip's class");
}

CTitleTipWnd::~CTitleTipWnd() {
    DestroyWindow();
}

bool CTitleTipWnd::Create(HWND parent) {
    m_parent = parent;
    return CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, nullptr, WS_POPUP | WS_BORDER, 0,
                    0, 0, 0, nullptr, nullptr);
}

void CTitleTipWnd::Show(const RECT& cell, const std::string& text, int offset) {
    if (!m_hWnd || !GetFocus()) return;  // the focus is in another program
    const int cellWidth = cell.right - cell.left, cellHeight = cell.bottom - cell.top;
    m_holdArea = horolux::TitleTipHoldArea(cellWidth, cellHeight, offset);

    POINT topLeft{cell.left, cell.top};
    ClientToScreen(m_parent, &topLeft);
    const horolux::PixelRect onScreen{topLeft.x, topLeft.y, topLeft.x + cellWidth,
                                      topLeft.y + cellHeight};
    SIZE extent{};
    {
        fw::WindowDC dc(m_hWnd);
        fw::SavedDcState state(dc);
        SelectObject(dc, ParentFont());
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    }
    if (horolux::TitleTipTextFits(extent.cx, cellWidth, offset)) return;

    m_text = text;
    m_margin = fw::ScaleFor(m_parent, horolux::kTitleTipMargin);  // the list's display scale
    const horolux::PixelRect tip = horolux::TitleTipWindow(onScreen, extent.cx, offset, m_margin);
    SetWindowPos(m_hWnd, HWND_TOPMOST, tip.left, tip.top, tip.Width(), tip.Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    {
        fw::WindowDC dc(m_hWnd);
        Paint(dc);
    }
    SetCapture(m_hWnd);
}

void CTitleTipWnd::Hide() {
    if (!m_hWnd) return;
    if (GetCapture() == m_hWnd) ReleaseCapture();
    ShowWindow(m_hWnd, SW_HIDE);
}

void CTitleTipWnd::Paint(HDC dc) {
    fw::SavedDcState state(dc);
    SelectObject(dc, ParentFont());
    if (m_backgroundBrush) {
        SetTextColor(dc, m_textColour);
        SetBkColor(dc, m_backgroundColour);
        SetBkMode(dc, OPAQUE);
        SelectObject(dc, m_backgroundBrush);
        RECT client{};
        GetClientRect(m_hWnd, &client);
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
    } else {
        SetBkMode(dc, TRANSPARENT);
    }
    TextOutA(dc, m_margin, 0, m_text.c_str(), static_cast<int>(m_text.size()));
}

HFONT CTitleTipWnd::ParentFont() const {
    return fw::GetFont(m_parent);
}

HWND CTitleTipWnd::TargetAt(POINT screen) const {
    HWND hwnd = WindowFromPoint(screen);
    return hwnd && hwnd != m_hWnd ? hwnd : m_parent;
}

bool CTitleTipWnd::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    // Input reaches the tip only while it holds the capture; it is handed on before anything
    // else sees it.
    using Self = CTitleTipWnd;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(WM_KEYDOWN, &Self::OnKey),
        fw::OnMessage(WM_SYSKEYDOWN, &Self::OnKey),
        fw::OnMessage(WM_LBUTTONDOWN, &Self::OnButton),
        fw::OnMessage(WM_LBUTTONUP, &Self::OnButton),
        fw::OnMessage(WM_LBUTTONDBLCLK, &Self::OnButton),
        fw::OnMessage(WM_RBUTTONDOWN, &Self::OnButton),
        fw::OnMessage(WM_RBUTTONUP, &Self::OnButton),
        fw::OnMessage(WM_RBUTTONDBLCLK, &Self::OnButton),
        fw::OnMessage(WM_MBUTTONDOWN, &Self::OnButton),
        fw::OnMessage(WM_MBUTTONUP, &Self::OnButton),
        fw::OnMessage(WM_MBUTTONDBLCLK, &Self::OnButton),
        fw::OnMessage(WM_MOUSEMOVE, &Self::OnMouseMove),
        fw::OnMessage(WM_PAINT, &Self::OnPaint),
        fw::OnMessage(WM_PRINTCLIENT, &Self::OnPrintClient),
        fw::OnMessage(WM_MOUSEACTIVATE, &Self::OnMouseActivate),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CWnd::ProcessMessage(msg, wp, lp, result);
}

LRESULT CTitleTipWnd::OnMouseMove(WPARAM wp, LPARAM lp) {
    // Another program took the focus: the tip must not keep the mouse.
    if (!GetFocus()) Hide();
    POINT pt = PointOf(lp);
    if (IsShown() && m_holdArea.Contains(pt.x, pt.y)) return 0;
    Hide();
    ClientToScreen(m_hWnd, &pt);
    HWND target = TargetAt(pt);
    const LRESULT hit = HitTest(target, pt);
    if (hit != HTCLIENT) {
        PostMessageA(target, WM_NCMOUSEMOVE, static_cast<WPARAM>(hit), LParamOf(pt));
    } else {
        ScreenToClient(target, &pt);
        PostMessageA(target, WM_MOUSEMOVE, wp, LParamOf(pt));
    }
    return 0;
}

LRESULT CTitleTipWnd::OnKey(UINT msg, WPARAM wp, LPARAM lp) {
    Hide();
    PostMessageA(m_parent, msg, wp, lp);
    return 0;
}

LRESULT CTitleTipWnd::OnButton(UINT msg, WPARAM wp, LPARAM lp) {
    POINT pt = PointOf(lp);
    ClientToScreen(m_hWnd, &pt);
    HWND target = TargetAt(pt);
    const LRESULT hit = HitTest(target, pt);
    if (hit == HTCLIENT) {
        ScreenToClient(target, &pt);
        lp = LParamOf(pt);
    } else {
        msg = NonClientButton(msg);
        wp = static_cast<WPARAM>(hit);
        lp = LParamOf(pt);
        Hide();
    }
    ::SendMessageA(target, msg, wp, lp);
    // The window below may have taken and released the capture; a tip still shown needs it
    // back to see the mouse leave.
    if (!GetCapture() && IsShown()) SetCapture(m_hWnd);
    return 0;
}

LRESULT CTitleTipWnd::OnPaint(WPARAM, LPARAM) {
    fw::PaintDC dc(m_hWnd);
    Paint(dc);
    return 0;
}

LRESULT CTitleTipWnd::OnPrintClient(WPARAM wp, LPARAM lp) {
    HDC dc = reinterpret_cast<HDC>(wp);
    if (lp & PRF_ERASEBKGND) ::SendMessageA(m_hWnd, WM_ERASEBKGND, wp, 0);
    Paint(dc);
    return 0;
}

LRESULT CTitleTipWnd::OnMouseActivate(WPARAM, LPARAM) {
    return MA_NOACTIVATE;  // the list's window keeps the activation
}

}  // namespace ui
