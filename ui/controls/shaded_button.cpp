#include "ui/controls/shaded_button.h"

#include <cstring>
#include <vector>

#include "core/controls/shade.h"
#include "framework/controls.h"
#include "framework/dpi.h"
#include "framework/gdi.h"
#include "framework/geometry.h"
#include "framework/high_contrast.h"
#include "framework/message_map.h"

namespace ui {

namespace {

constexpr UINT_PTR kToolId = 1;
constexpr int kTooltipMaxWidth = 400;

// One generator for every button, as the C library's rand would be: each face its own grain.
horolux::GrainRandom& Grain() {
    static horolux::GrainRandom random;
    return random;
}

void FillLine(HDC dc, int left, int top, int right, int bottom, int sysColour) {
    RECT r{left, top, right, bottom};
    FillRect(dc, &r, GetSysColorBrush(sysColour));
}

// A one-pixel frame: top and left in one colour, right and bottom (with both far corners)
// in the other.
void Frame(HDC dc, const RECT& rc, int topLeft, int bottomRight) {
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    FillLine(dc, rc.left, rc.top, rc.left + w - 1, rc.top + 1, topLeft);
    FillLine(dc, rc.left, rc.top, rc.left + 1, rc.top + h - 1, topLeft);
    FillLine(dc, rc.right - 1, rc.top, rc.right, rc.bottom, bottomRight);
    FillLine(dc, rc.left, rc.bottom - 1, rc.right, rc.bottom, bottomRight);
}

}  // namespace

CShadedButton::~CShadedButton() {
    if (m_tooltip && IsWindow(m_tooltip)) ::DestroyWindow(m_tooltip);
}

bool CShadedButton::SubclassDlgItem(UINT id, HWND parent) {
    if (!CWnd::SubclassDlgItem(id, parent)) return false;
    const LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    m_isDefault = (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    SetWindowLongA(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    Repaint();
    return true;
}

void CShadedButton::SetShade(int reliefType, int granularity, int highlightPercent,
                             int colouringPercent, COLORREF colour) {
    if (reliefType != kSoftBump || !m_hWnd) return;
    m_shade = Shade{granularity, highlightPercent, colouringPercent, colour};
    BuildFaces();
}

void CShadedButton::BuildFaces() {
    RECT rc{};
    GetWindowRect(m_hWnd, &rc);
    const horolux::ShadeColours colours{GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNFACE),
                                        GetSysColor(COLOR_BTNHIGHLIGHT)};
    horolux::SoftBumpParams params;
    params.granularity = m_shade->granularity;
    params.highlightPercent = static_cast<unsigned>(m_shade->highlightPercent);
    params.colouringPercent = static_cast<unsigned>(m_shade->colouringPercent);
    params.colour = m_shade->colour;
    horolux::BuildSoftBumpFaces(rc.right - rc.left, rc.bottom - rc.top, colours, params, Grain(),
                                m_normalFace.Image(), m_hoverFace.Image());
    m_normalFace.Reset();
    m_hoverFace.Reset();
    Repaint();
}

LRESULT CShadedButton::OnSize(WPARAM, LPARAM) {
    const LRESULT result = Default();
    // Drawn for the button's real size rather than stretched: the grain stays one pixel fine.
    RECT rc{};
    GetWindowRect(m_hWnd, &rc);
    if (m_shade && (rc.right - rc.left != m_normalFace.Image().Width() ||
                    rc.bottom - rc.top != m_normalFace.Image().Height()))
        BuildFaces();
    if (m_tooltip) {
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = m_hWnd;
        ti.uId = kToolId;
        GetClientRect(m_hWnd, &ti.rect);
        fw::ToolTip(m_tooltip).NewToolRect(ti);
    }
    return result;
}

bool CShadedButton::MakeTooltip() {
    if (m_tooltip) return true;
    if (!m_hWnd) return false;
    m_tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!m_tooltip) return false;
    const fw::ToolTip tip(m_tooltip);
    tip.Activate(false);
    tip.SetMaxTipWidth(kTooltipMaxWidth);
    return true;
}

void CShadedButton::SetTooltipText(const char* text, bool activate) {
    if (!text || !MakeTooltip()) return;
    std::vector<char> buffer(text, text + strlen(text) + 1);  // the tool info wants it writable
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = m_hWnd;
    ti.uId = kToolId;
    ti.hinst = GetModuleHandleA(nullptr);
    ti.lpszText = buffer.data();
    const fw::ToolTip tip(m_tooltip);
    if (tip.GetToolCount() == 0) {
        GetClientRect(m_hWnd, &ti.rect);
        tip.AddTool(ti);
    }
    tip.UpdateTipText(ti);
    tip.Activate(activate);
}

void CShadedButton::RelayToTooltip(UINT msg, WPARAM wp, LPARAM lp) {
    if (!m_tooltip) return;
    MSG m{};
    m.hwnd = m_hWnd;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = static_cast<DWORD>(GetMessageTime());
    GetCursorPos(&m.pt);
    fw::ToolTip(m_tooltip).RelayEvent(m);
}

bool CShadedButton::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) RelayToTooltip(msg, wp, lp);

    using Self = CShadedButton;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(WM_MOUSEMOVE, &Self::OnMouseMove),
        fw::OnMessage(WM_LBUTTONDOWN, &Self::OnLButtonDown),
        fw::OnMessage(WM_LBUTTONDBLCLK, &Self::OnLButtonDblClk),
        fw::OnMessage(WM_LBUTTONUP, &Self::OnLButtonUp),
        fw::OnMessage(WM_CAPTURECHANGED, &Self::OnCaptureChanged),
        fw::OnMessage(WM_MOUSELEAVE, &Self::OnMouseLeave),
        fw::OnMessage(WM_KILLFOCUS, &Self::OnKillFocusOrCancel),
        fw::OnMessage(WM_CANCELMODE, &Self::OnKillFocusOrCancel),
        fw::OnMessage(WM_ENABLE, &Self::OnEnable),
        fw::OnMessage(BM_SETSTYLE, &Self::OnSetStyle),
        fw::OnMessage(WM_GETDLGCODE, &Self::OnGetDlgCode),
        fw::OnMessage(WM_SYSCOLORCHANGE, &Self::OnSysColorChange),
        fw::OnMessage(WM_DESTROY, &Self::OnDestroy),
        fw::OnMessage(WM_SIZE, &Self::OnSize),
        fw::OnMessage(WM_GETOBJECT, &Self::OnGetObject),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CWnd::ProcessMessage(msg, wp, lp, result);
}

void CShadedButton::ClearHover() {
    if (!m_hover) return;
    m_hover = false;
    Repaint();
}

LRESULT CShadedButton::OnMouseMove(WPARAM wp, LPARAM lp) {
    // While the button is held after a press elsewhere, hovering does not start.
    if (m_flat && !((wp & MK_LBUTTON) && !m_hover)) {
        POINT pt = fw::PointOf(lp);
        ClientToScreen(m_hWnd, &pt);
        if (WindowFromPoint(pt) == m_hWnd) {
            if (!m_hover) {
                m_hover = true;
                Repaint();
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, m_hWnd, 0};
                TrackMouseEvent(&tme);
            }
        } else {
            ClearHover();
        }
    }
    return Default();
}

LRESULT CShadedButton::OnLButtonDown(WPARAM, LPARAM) {
    const LRESULT result = Default();
    m_holding = GetCapture() == m_hWnd;
    return result;
}

LRESULT CShadedButton::OnLButtonDblClk(WPARAM wp, LPARAM lp) {
    // Owner-drawn buttons would only report a double click; count it as a second press.
    const LRESULT result = CallWindowProcA(m_superProc, m_hWnd, WM_LBUTTONDOWN, wp, lp);
    m_holding = GetCapture() == m_hWnd;
    return result;
}

LRESULT CShadedButton::OnLButtonUp(WPARAM, LPARAM) {
    const bool wasHolding = m_holding;
    m_holding = false;
    const LRESULT result = Default();
    if (wasHolding && m_hWnd) Repaint();
    return result;
}

LRESULT CShadedButton::OnCaptureChanged(WPARAM, LPARAM) {
    if (m_holding) {
        m_holding = false;
        Repaint();
    }
    return Default();
}

LRESULT CShadedButton::OnMouseLeave(WPARAM, LPARAM) {
    ClearHover();
    return Default();
}

LRESULT CShadedButton::OnKillFocusOrCancel(WPARAM, LPARAM) {
    ClearHover();
    return Default();
}

LRESULT CShadedButton::OnEnable(WPARAM enabled, LPARAM) {
    if (!enabled) {
        // The system drops the focus of a window it disables; hand it on within our own active
        // dialog only, so that disabling never takes the focus from another field or program.
        HWND focus = GetFocus();
        if (focus == m_hWnd || (!focus && GetActiveWindow() == GetAncestor(m_hWnd, GA_ROOT))) {
            HWND parent = GetParent(m_hWnd);
            HWND next = GetNextDlgTabItem(parent, m_hWnd, FALSE);
            SetFocus(next && next != m_hWnd ? next : parent);
        }
        ClearHover();
    }
    Repaint();
    return Default();
}

LRESULT CShadedButton::OnSetStyle(WPARAM style, LPARAM redraw) {
    // The dialog manager moves the default-button style around; the button stays ours to draw.
    return CallWindowProcA(m_superProc, m_hWnd, BM_SETSTYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW,
                           redraw);
}

LRESULT CShadedButton::OnGetDlgCode(WPARAM, LPARAM) {
    return Default() | (m_isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

LRESULT CShadedButton::OnSysColorChange(WPARAM, LPARAM) {
    m_captionColour = m_hoverCaptionColour = GetSysColor(COLOR_BTNTEXT);
    Repaint();
    return Default();
}

LRESULT CShadedButton::OnDestroy(WPARAM, LPARAM) {
    if (m_tooltip) {
        ::DestroyWindow(m_tooltip);
        m_tooltip = nullptr;
    }
    return Default();
}

bool CShadedButton::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg != WM_DRAWITEM || !OnDrawItem(wp, lp)) return false;
    result = TRUE;
    return true;
}

LRESULT CShadedButton::OnDrawItem(WPARAM, LPARAM lp) {
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    HDC dc = dis->hDC;
    const RECT& rc = dis->rcItem;
    const bool pressed = (dis->itemState & ODS_SELECTED) || m_holding;
    const bool disabled = (dis->itemState & ODS_DISABLED) != 0;

    if (fw::HighContrast()) {
        DrawPlain(dc, *dis, pressed, disabled);
        return TRUE;
    }
    if (m_normalFace.Image().Empty()) {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    } else if (!m_hover) {
        m_normalFace.Draw(dc, rc.left, rc.top);
    } else {
        const int shift = pressed ? 1 : 0;
        m_hoverFace.Draw(dc, rc.left + shift, rc.top + shift);
    }

    if (pressed)
        Frame(dc, rc, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    else if (m_hover)
        Frame(dc, rc, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);

    DrawCaption(dc, rc, pressed, disabled, (dis->itemState & ODS_NOACCEL) != 0);
    // Only once the keyboard has been used in the window: a mouse user sees the button as ever.
    if ((dis->itemState & ODS_FOCUS) && !(dis->itemState & ODS_NOFOCUSRECT)) DrawFocus(dc, rc);
    return TRUE;
}

void CShadedButton::DrawPlain(HDC dc, const DRAWITEMSTRUCT& dis, bool pressed, bool disabled) {
    RECT rc = dis.rcItem;
    DrawFrameControl(dc, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    DrawCaption(dc, dis.rcItem, pressed, disabled, false);
    if (dis.itemState & ODS_FOCUS) DrawFocus(dc, dis.rcItem);
}

void CShadedButton::DrawFocus(HDC dc, const RECT& rc) {
    RECT focus = rc;
    const int inset = fw::ScaleFor(m_hWnd, 3);
    InflateRect(&focus, -inset, -inset);
    fw::TextColorScope text(dc, GetSysColor(COLOR_BTNTEXT));
    DrawFocusRect(dc, &focus);
}

void CShadedButton::DrawCaption(HDC dc, const RECT& rc, bool pressed, bool disabled,
                                bool hideMnemonic) {
    const int length = GetWindowTextLengthA(m_hWnd);
    if (length <= 0) return;
    std::vector<char> text(static_cast<size_t>(length) + 1);
    GetWindowTextA(m_hWnd, text.data(), length + 1);

    fw::SelectObjectScope font(dc, fw::GetFont(m_hWnd));
    fw::BkModeScope transparent(dc, TRANSPARENT);
    const UINT flags = DT_CENTER | DT_WORDBREAK | (hideMnemonic ? DT_HIDEPREFIX : 0);

    RECT measured = rc;
    DrawTextA(dc, text.data(), -1, &measured, flags | DT_CALCRECT);
    const int textHeight = measured.bottom - measured.top;
    RECT place = rc;
    place.top = rc.top + (rc.bottom - rc.top - textHeight) / 2;
    place.bottom = place.top + textHeight;
    if (pressed) OffsetRect(&place, 1, 1);

    if (disabled && fw::HighContrast()) {
        fw::TextColorScope colour(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, text.data(), -1, &place, flags);
    } else if (disabled) {
        fw::TextColorScope colour(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        RECT raised = place;
        OffsetRect(&raised, 1, 1);
        DrawTextA(dc, text.data(), -1, &raised, flags);
        colour.Set(GetSysColor(COLOR_BTNSHADOW));
        DrawTextA(dc, text.data(), -1, &place, flags);
    } else {
        const COLORREF caption = fw::HighContrast() ? GetSysColor(COLOR_BTNTEXT)
                                 : m_hover          ? m_hoverCaptionColour
                                                    : m_captionColour;
        fw::TextColorScope colour(dc, caption);
        DrawTextA(dc, text.data(), -1, &place, flags);
    }
}

}  // namespace ui
