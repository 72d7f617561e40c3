#include "ui/clockwnd/alarm_clock_dialog.h"

#include <algorithm>

#include "core/clockwnd/transparency.h"
#include "core/settings/config.h"
#include "framework/app.h"
#include "framework/dpi.h"
#include "framework/gdi.h"
#include "framework/geometry.h"
#include "framework/guard.h"
#include "framework/message_box.h"
#include "framework/message_map.h"
#include "ui/clockwnd/control_kinds.h"
#include "ui/controls/about_box.h"
#include "ui/controls/keep_on_top.h"

namespace ui {

namespace config = horolux::config;

namespace {

using fw::FromRECT;
using fw::ToRECT;

constexpr COLORREF kDefaultUnlit = RGB(52, 0, 0);
constexpr COLORREF kDefaultLit = RGB(255, 0, 0);
constexpr char kTransparencyError[] = "Unexpected error in OnSliderTrackCallback()!";
constexpr char kSetTextWhere[] = "CHoroluxDlg::OnTimer(UINT nIDEvent)";

RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

}  // namespace

class CAlarmClockDlg::BusyScope {
public:
    explicit BusyScope(int& busy) : m_busy(busy) { ++m_busy; }
    ~BusyScope() { --m_busy; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    int& m_busy;
};

CAlarmClockDlg::CAlarmClockDlg(horolux::SettingsStore& settings)
    : fw::CDialog(IDD), m_settings(settings) {}

CAlarmClockDlg::~CAlarmClockDlg() {
    DestroyWindow();  // a window left behind would outlive the object it reports to
    m_sliderPopup.reset();
    m_layered.Release();
}

bool CAlarmClockDlg::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CAlarmClockDlg;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(WM_MOUSEMOVE, &Self::OnMouseMove),
        fw::OnMessage(WM_LBUTTONDBLCLK, &Self::OnLButtonDblClk),
        fw::OnMessage(WM_RBUTTONDOWN, &Self::OnRButtonDown),
        fw::OnMessage(WM_TIMER, &Self::OnTimer),
        fw::OnMessage(UWM_SET_TRANSPARENCY, &Self::OnTransparencyChanged),
        fw::OnMessage(WM_SIZE, &Self::OnSize),
        fw::OnMessage(WM_GETMINMAXINFO, &Self::OnGetMinMaxInfo),
        fw::OnMessage(WM_NCHITTEST, &Self::OnNcHitTest),
        fw::OnMessage(WM_PAINT, &Self::OnPaint),
        fw::OnMessage(WM_KEYDOWN, &Self::OnKeyDown),
        fw::OnMessage(WM_CONTEXTMENU, &Self::OnContextMenu),
        fw::OnMessage(WM_DESTROY, &Self::OnDestroy),
        fw::OnMessage(WM_GETOBJECT, &Self::OnGetObject),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CDialog::ProcessMessage(msg, wp, lp, result);
}

BOOL CAlarmClockDlg::OnInitDialog() {
    m_display.SubclassDlgItem(IDC_CLOCK_DISPLAY, m_hWnd);
    CDialog::OnInitDialog();
    UpdateGripSquare();
    const RECT outer = WindowRect(m_hWnd);
    m_minTrackSize = {outer.right - outer.left, outer.bottom - outer.top};
    m_layoutReady = true;

    ShowSizeGrip(false);
    AddAnchor(m_display, {0, 0}, {100, 100});
    EnableSaveRestore(config::kSection, config::kAlarmClockPlacement.name);

    m_display.SetColors(kDefaultUnlit, kDefaultLit);
    m_display.SetText("");
    m_display.ModifyDisplayStyle(
        0, CSegmentDisplay::kStyleFourteenDigits | CSegmentDisplay::kStyleProportional);

    SetTransparency(-1);
    KeepOnTop(m_hWnd);
    SetTimer(m_hWnd, kTimerKeepOnTop, kKeepOnTopPeriod, nullptr);
    ApplyStoredColours();
    return TRUE;
}

void CAlarmClockDlg::ApplyStoredColours() {
    if (auto c = horolux::ColourFromText(config::Read(m_settings, config::kAlarmClockBkColor))) {
        m_backgroundColour = *c;
        m_display.SetBackground(*c);
    }
    if (auto c = horolux::ColourFromText(config::Read(m_settings, config::kAlarmClockTextColor))) {
        m_litColour = *c;
        m_display.SetColors(m_display.GetUnlitColor(), *c);
    }
    if (auto c =
            horolux::ColourFromText(config::Read(m_settings, config::kAlarmClockTextBkColor))) {
        m_unlitColour = *c;
        m_display.SetColors(*c, m_display.GetLitColor());
    }
}

void CAlarmClockDlg::SetClockText(const std::string& text) {
    if (!m_hWnd) return;
    fw::CatchAll(kSetTextWhere, [&] {
        m_display.SetText(text);
        UpdateData(false);
        UpdateWindow(m_hWnd);
        InvalidateRect(m_hWnd, nullptr, FALSE);
    });
}

void CAlarmClockDlg::SetTransparency(int value) {
    const int stored = value < 0 ? config::Read(m_settings, config::kAlarmClockTransp) : 0;
    m_opacity = horolux::ResolveOpacity(value, m_opacity, stored);
    CLayeredWindowHelper::AddLayeredStyle(m_hWnd);
    m_layered.SetOpacity(m_hWnd, static_cast<BYTE>(m_opacity));
    config::Write(m_settings, config::kAlarmClockTransp, m_opacity);
}

void CAlarmClockDlg::OnCancel() {
    if (m_showFlag) *m_showFlag = 0;
    EndDialog(IDCANCEL);  // modeless: destroys the window
}

// ---- Mouse ------------------------------------------------------------------------------------

LRESULT CAlarmClockDlg::OnMouseMove(WPARAM wp, LPARAM) {
    if (wp == MK_LBUTTON) MoveAndSnap([this] { RunMoveLoop(); });
    return m_hWnd ? Default() : 0;
}

void CAlarmClockDlg::RunMoveLoop() {
    ReleaseCapture();
    SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void CAlarmClockDlg::RunKeyboardMoveLoop() {
    SendMessage(WM_SYSCOMMAND, SC_MOVE, 0);  // the system's own: arrow keys, then Enter or Esc
}

void CAlarmClockDlg::MoveAndSnap(const std::function<void()>& moveLoop) {
    const RECT before = WindowRect(m_hWnd);
    {
        BusyScope busy(m_busy);
        moveLoop();
    }
    if (!m_hWnd) return;
    const RECT after = WindowRect(m_hWnd);
    const horolux::PixelRect snapped =
        horolux::SnapOntoScreen(FromRECT(before), FromRECT(after), GetSystemMetrics(SM_CXSCREEN),
                                GetSystemMetrics(SM_CYSCREEN));
    if (snapped != FromRECT(after))
        MoveWindow(m_hWnd, snapped.left, snapped.top, snapped.Width(), snapped.Height(), TRUE);
}

LRESULT CAlarmClockDlg::OnLButtonDblClk(WPARAM wp, LPARAM lp) {
    if (wp & MK_CONTROL) {
        BusyScope busy(m_busy);
        ShowAbout();
    } else if (!(wp & MK_SHIFT)) {
        ShowMenu(lp);
    }
    return m_hWnd ? Default() : 0;
}

void CAlarmClockDlg::ShowAbout() {
    CAboutBox about;
    about.DoModal();
}

void CAlarmClockDlg::ShowMenu(LPARAM clickPoint) {
    const fw::OwnedMenu menu(IDR_ALARM_CLOCK_MENU);
    HMENU popup = menu.SubMenu(0);
    if (!popup) return;
    // The click is in client pixels, the offset the outer rectangle's corner, as the clock
    // always did.
    const RECT outer = WindowRect(m_hWnd);
    const POINT click = fw::PointOf(clickPoint);
    UINT command = 0;
    {
        BusyScope busy(m_busy);
        command = static_cast<UINT>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                                   outer.left + click.x, outer.top + click.y, 0,
                                                   m_hWnd, nullptr));
    }
    if (m_hWnd && command) OnMenuCommand(command);
}

// The context-menu key or Shift+F10 (a mouse's WM_CONTEXTMENU carries a point and is left alone,
// the right button being the opacity popup's): the menu with what the mouse alone could do.
LRESULT CAlarmClockDlg::OnContextMenu(WPARAM, LPARAM lp) {
    if (lp != -1) return Default();
    const fw::OwnedMenu menu(IDR_ALARM_CLOCK_MENU);
    HMENU popup = menu.SubMenu(0);
    if (!popup) return 0;
    AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup, MF_STRING, kKeyboardMove, kKeyboardMoveText);
    AppendMenuA(popup, MF_STRING, kKeyboardOpacity, kKeyboardOpacityText);
    const RECT outer = WindowRect(m_hWnd);
    UINT command = 0;
    {
        BusyScope busy(m_busy);
        command = static_cast<UINT>(
            TrackPopupMenu(popup, TPM_RETURNCMD, outer.left, outer.bottom, 0, m_hWnd, nullptr));
    }
    if (!m_hWnd || !command) return 0;
    if (command == kKeyboardMove)
        MoveAndSnap([this] { RunKeyboardMoveLoop(); });
    else if (command == kKeyboardOpacity)
        ShowOpacityPopup();
    else
        OnMenuCommand(command);
    return 0;
}

bool CAlarmClockDlg::PickColour(COLORREF& colour) {
    static COLORREF customColours[16] = {};  // kept for the process, as the dialog expects
    CHOOSECOLORA cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = fw::OwnerWindow();
    cc.lpCustColors = customColours;
    if (!ChooseColorA(&cc)) return false;
    colour = cc.rgbResult;
    return true;
}

void CAlarmClockDlg::OnMenuCommand(UINT id) {
    if (id == ID_CLOCK_CLOSE) {
        OnCancel();
        return;
    }
    if (id != ID_CLOCK_TEXT_COLOR && id != ID_CLOCK_TEXT_BK_COLOR && id != ID_CLOCK_BK_COLOR)
        return;
    COLORREF colour = 0;
    bool picked = false;
    {
        BusyScope busy(m_busy);
        picked = PickColour(colour);
    }
    if (!picked || !m_hWnd) return;  // cancelled, or the clock went meanwhile
    switch (id) {
        case ID_CLOCK_TEXT_COLOR:
            m_litColour = colour;
            m_display.SetColors(m_display.GetUnlitColor(), colour);
            config::Write(m_settings, config::kAlarmClockTextColor, horolux::ColourText(colour));
            break;
        case ID_CLOCK_TEXT_BK_COLOR:
            m_unlitColour = colour;
            m_display.SetColors(colour, m_display.GetLitColor());
            config::Write(m_settings, config::kAlarmClockTextBkColor, horolux::ColourText(colour));
            break;
        case ID_CLOCK_BK_COLOR:
            m_backgroundColour = colour;
            m_display.SetBackground(colour);
            config::Write(m_settings, config::kAlarmClockBkColor, horolux::ColourText(colour));
            break;
    }
}

LRESULT CAlarmClockDlg::OnRButtonDown(WPARAM, LPARAM) {
    if (!ShowOpacityPopup()) return Default();  // one popup at a time
    return m_hWnd ? Default() : 0;
}

bool CAlarmClockDlg::ShowOpacityPopup() {
    if (m_sliderPopup && m_sliderPopup->GetSafeHwnd()) return false;
    m_sliderPopup = std::make_unique<CTranspSliderDlg>();
    m_sliderPopup->SetNotify(m_hWnd, UWM_SET_TRANSPARENCY, 1, 0);
    INT_PTR result = 0;
    {
        BusyScope busy(m_busy);
        result = m_sliderPopup->DoModal();
    }
    if (m_hWnd && result == IDOK) SetTransparency(m_sliderPopup->m_position);
    return true;
}

LRESULT CAlarmClockDlg::OnTransparencyChanged(WPARAM wp, LPARAM lp) {
    if (!m_hWnd) return 0;
    if (wp != 1) return 1;
    try {
        SetTransparency(static_cast<int>(lp));
        return 1;
    } catch (...) {
        fw::AppMessageBox(kTransparencyError, MB_OK);
        return 0;
    }
}

// ---- Timer, keys, tear-down -------------------------------------------------------------------

LRESULT CAlarmClockDlg::OnTimer(WPARAM id, LPARAM) {
    if (id == kTimerKeepOnTop && m_showFlag && *m_showFlag) KeepOnTop(m_hWnd);
    return Default();
}

LRESULT CAlarmClockDlg::OnKeyDown(WPARAM key, LPARAM) {
    // The program's message loops pass only the main window's keys to the dialog manager, so
    // the clock reads Esc itself.
    if (key == VK_ESCAPE) {
        OnCancel();
        return 0;
    }
    return Default();
}

LRESULT CAlarmClockDlg::OnDestroy(WPARAM, LPARAM) {
    // Stored with the window rather than the object, so a clock that lingers after its window
    // cannot overwrite the opacity a newer clock has stored since.
    SaveState();
    m_anchors.clear();
    return Default();
}

void CAlarmClockDlg::SaveState() {
    if (!m_hWnd) return;
    if (m_savePlacement) SavePlacement();
    config::Write(m_settings, config::kAlarmClockTransp, m_opacity);
}

// ---- Anchored layout and placement ------------------------------------------------------------

void CAlarmClockDlg::UpdateGripSquare() {
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const UINT dpi = fw::DpiOf(m_hWnd);
    m_grip =
        horolux::GripSquare(client.right, client.bottom, fw::SystemMetricForDpi(SM_CXVSCROLL, dpi),
                            fw::SystemMetricForDpi(SM_CYHSCROLL, dpi));
}

void CAlarmClockDlg::OnDpiChanged(const DpiChange& change) {
    // Still the template's size, at the new scale: its client area as the layout's units grow,
    // in the frame of the new scale. Before the window takes its new rectangle, which the old
    // minimum could hold too large.
    const RECT outer = WindowRect(m_hWnd);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const SIZE minimumClient{m_minTrackSize.cx - (outer.right - outer.left - client.right),
                             m_minTrackSize.cy - (outer.bottom - outer.top - client.bottom)};
    m_minTrackSize = fw::WindowSizeForClient(
        m_hWnd, {change.X(minimumClient.cx), change.Y(minimumClient.cy)}, change.newDpi);
    for (AnchoredControl& a : m_anchors) {
        horolux::Anchor& m = a.anchor;
        m.marginLeft = change.X(m.marginLeft);
        m.marginTop = change.Y(m.marginTop);
        m.marginRight = change.X(m.marginRight);
        m.marginBottom = change.Y(m.marginBottom);
    }
}

void CAlarmClockDlg::ShowSizeGrip(bool show) {
    if (m_gripVisible == show) return;
    m_gripVisible = show;
    const RECT grip = ToRECT(m_grip);
    InvalidateRect(m_hWnd, &grip, TRUE);
}

void CAlarmClockDlg::AddAnchor(HWND control, horolux::AnchorPoint topLeft,
                               horolux::AnchorPoint bottomRight) {
    char className[32] = {};
    GetClassNameA(control, className, sizeof className);
    const auto style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    if (NeedsClipSiblings(className, style))
        SetWindowLongA(control, GWL_STYLE, static_cast<LONG>(style | WS_CLIPSIBLINGS));

    RECT client{};
    GetClientRect(m_hWnd, &client);
    RECT r = WindowRect(control);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    m_anchors.push_back(
        {control,
         horolux::MakeAnchor(FromRECT(r), client.right, client.bottom, topLeft, bottomRight),
         NeedsRepaintAfterMoving(className, style)});
}

LRESULT CAlarmClockDlg::OnSize(WPARAM type, LPARAM) {
    if (m_layoutReady && type != SIZE_MAXSHOW && type != SIZE_MAXHIDE) ArrangeLayout();
    return Default();
}

void CAlarmClockDlg::ArrangeLayout() {
    RECT grip = ToRECT(m_grip);
    InvalidateRect(m_hWnd, &grip, TRUE);
    UpdateGripSquare();
    grip = ToRECT(m_grip);
    InvalidateRect(m_hWnd, &grip, TRUE);

    RECT client{};
    GetClientRect(m_hWnd, &client);
    HDWP batch = BeginDeferWindowPos(static_cast<int>(m_anchors.size()));
    for (const AnchoredControl& a : m_anchors) {
        const horolux::PixelRect target =
            horolux::ArrangeAnchor(a.anchor, client.right, client.bottom);
        RECT current = WindowRect(a.hwnd);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&current), 2);
        const horolux::PixelRect now = FromRECT(current);
        if (target == now || !batch) continue;
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
        if (target.left == now.left && target.top == now.top) flags |= SWP_NOMOVE;
        if (target.Width() == now.Width() && target.Height() == now.Height()) flags |= SWP_NOSIZE;
        batch = DeferWindowPos(batch, a.hwnd, nullptr, target.left, target.top, target.Width(),
                               target.Height(), flags);
    }
    if (batch) EndDeferWindowPos(batch);
    for (const AnchoredControl& a : m_anchors) {
        if (!a.repaintAfterMoving) continue;
        InvalidateRect(a.hwnd, nullptr, TRUE);
        UpdateWindow(a.hwnd);
    }
}

LRESULT CAlarmClockDlg::OnGetMinMaxInfo(WPARAM, LPARAM lp) {
    const LRESULT result = Default();
    if (m_layoutReady) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lp);
        info->ptMinTrackSize = {m_minTrackSize.cx, m_minTrackSize.cy};
    }
    return result;
}

LRESULT CAlarmClockDlg::OnNcHitTest(WPARAM, LPARAM lp) {
    if (m_gripVisible) {
        POINT p = fw::PointOf(lp);
        ScreenToClient(m_hWnd, &p);
        if (m_grip.Contains(p.x, p.y)) return HTBOTTOMRIGHT;
    }
    return Default();
}

LRESULT CAlarmClockDlg::OnPaint(WPARAM, LPARAM) {
    if (!m_gripVisible || IsZoomed(m_hWnd)) return Default();
    const fw::PaintDC dc(m_hWnd);
    RECT grip = ToRECT(m_grip);
    DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    return 0;
}

void CAlarmClockDlg::EnableSaveRestore(const char* section, const char* name) {
    m_placementSection = section;
    m_placementName = name;
    m_savePlacement = true;
    RestorePlacement();
}

void CAlarmClockDlg::RestorePlacement() {
    const std::string text = m_settings.ReadText(m_placementSection, m_placementName, "");
    if (text.empty()) return;
    const auto stored = horolux::ParsePlacement(text);
    if (!stored) return;
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(m_hWnd, &wp)) return;
    const horolux::PixelRect desktop{
        GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
        GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
        GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const horolux::ClockPlacement safe =
        horolux::SanitisePlacement(*stored, m_minTrackSize.cx, m_minTrackSize.cy, desktop);
    wp.rcNormalPosition = ToRECT(safe.normal);
    wp.showCmd = static_cast<UINT>(safe.showCmd);
    wp.flags = static_cast<UINT>(safe.flags);
    SetWindowPlacement(m_hWnd, &wp);
}

void CAlarmClockDlg::SavePlacement() {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!GetWindowPlacement(m_hWnd, &wp)) return;
    const horolux::ClockPlacement placement{
        FromRECT(wp.rcNormalPosition), static_cast<int>(wp.showCmd), static_cast<int>(wp.flags)};
    m_settings.WriteText(m_placementSection, m_placementName, horolux::FormatPlacement(placement));
}

// ---- CAlarmClockHolder ------------------------------------------------------------------------

void CAlarmClockHolder::Reset(std::unique_ptr<CAlarmClockDlg> next) {
    if (m_clock) {
        m_clock->DestroyWindow();
        m_retired.push_back(std::move(m_clock));
    }
    std::erase_if(m_retired, [](const auto& clock) { return !clock->IsBusy(); });
    m_clock = std::move(next);
}

}  // namespace ui
