#include "ui/clockwnd/transparency.h"

#include <windowsx.h>

#include "core/clockwnd/transparency.h"
#include "framework/accessible.h"
#include "framework/controls.h"
#include "framework/message_box.h"
#include "framework/message_map.h"

namespace ui {

namespace {
constexpr char kCallbackError[] = "Unexpected error in OnSliderTrackCallback()!";
constexpr char kSetLayeredName[] = "SetLayeredWindowAttributes";
using SetLayeredFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
constexpr fw::ControlName kReaderNames[] = {{IDC_TRANSP_SLIDER, "Opacity"}};
}  // namespace

// ---- CLayeredWindowHelper ---------------------------------------------------------------------

CLayeredWindowHelper::CLayeredWindowHelper(const char* moduleName)
    : m_module(LoadLibraryA(moduleName)) {}

void CLayeredWindowHelper::AddLayeredStyle(HWND window) {
    SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
}

bool CLayeredWindowHelper::SetAttributes(HWND window, COLORREF colourKey, BYTE alpha, DWORD flags) {
    if (!m_module) return true;
    auto* proc = reinterpret_cast<void*>(GetProcAddress(m_module.Get(), kSetLayeredName));
    if (!proc) return false;
    return reinterpret_cast<SetLayeredFn>(proc)(window, colourKey, alpha, flags) != FALSE;
}

bool CLayeredWindowHelper::SetOpacity(HWND window, BYTE percent) {
    return SetAttributes(window, 0, horolux::AlphaFromPercent(percent), LWA_ALPHA);
}

// ---- CTrackSliderCtrl -------------------------------------------------------------------------

void CTrackSliderCtrl::Start(HWND window, UINT message, LPARAM lParam) {
    m_callbackWindow = window;
    m_callbackMessage = message;
    m_callbackLParam = lParam;
    SetCapture(m_hWnd);
}

bool CTrackSliderCtrl::OnChildNotify(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_NOTIFY) return false;
    const UINT code = reinterpret_cast<const NMHDR*>(lp)->code;
    if (code != NM_CUSTOMDRAW && code != NM_RELEASEDCAPTURE) return false;
    ReportPosition();
    result = 0;  // custom draw: let the slider draw itself
    return true;
}

bool CTrackSliderCtrl::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CTrackSliderCtrl;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(WM_LBUTTONUP, &Self::OnButtonUp),
        fw::OnMessage(WM_RBUTTONUP, &Self::OnButtonUp),
        fw::OnMessage(WM_MOUSEMOVE, &Self::OnMouseMove),
        fw::OnMessage(WM_DESTROY, &Self::OnDestroy),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CWnd::ProcessMessage(msg, wp, lp, result);
}

void CTrackSliderCtrl::ReportPosition() {
    if (!m_callbackWindow) return;
    const int position = fw::Trackbar(m_hWnd).GetPos();
    ::SendMessageA(m_callbackWindow, m_callbackMessage, kSliderMoved, position);
}

LRESULT CTrackSliderCtrl::OnButtonUp(WPARAM, LPARAM) {
    if (m_callbackWindow)
        ::SendMessageA(m_callbackWindow, m_callbackMessage, kSliderClose, m_callbackLParam);
    return m_hWnd ? Default() : 0;
}

LRESULT CTrackSliderCtrl::OnMouseMove(WPARAM wp, LPARAM lp) {
    if (wp == MK_LBUTTON || wp == MK_RBUTTON) {
        // The band runs from the thumb's top edge down to the popup's bottom edge.
        const fw::Trackbar slider(m_hWnd);
        const RECT thumb = slider.GetThumbRect();
        RECT popup{};
        GetWindowRect(GetParent(m_hWnd), &popup);
        POINT bottom{0, popup.bottom};
        ScreenToClient(m_hWnd, &bottom);
        if (const auto position =
                horolux::TrackedSliderPosition(GET_Y_LPARAM(lp), thumb.top, bottom.y))
            slider.SetPos(*position, true);
    }
    return Default();
}

LRESULT CTrackSliderCtrl::OnDestroy(WPARAM, LPARAM) {
    // Only our own capture: another window's is none of the slider's business.
    if (GetCapture() == m_hWnd) ReleaseCapture();
    return Default();
}

// ---- CTranspSliderDlg -------------------------------------------------------------------------

bool CTranspSliderDlg::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CTranspSliderDlg;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(UWM_SLIDER_TRACK, &Self::OnSliderTrackCallback),
        fw::OnMessage(WM_LBUTTONUP, &Self::OnButtonUp),
        fw::OnMessage(WM_RBUTTONUP, &Self::OnButtonUp),
        fw::OnMessage(WM_MOUSEMOVE, &Self::OnMouseMove),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CDialog::ProcessMessage(msg, wp, lp, result);
}

void CTranspSliderDlg::DoDataExchange(fw::DataExchange& dx) {
    const fw::Trackbar slider(GetDlgItem(IDC_TRANSP_SLIDER));
    if (dx.Taking())
        m_position = slider.GetPos();
    else
        slider.SetPos(m_position, true);
}

BOOL CTranspSliderDlg::OnInitDialog() {
    fw::SetAccessibleNames(m_hWnd, kReaderNames);  // before the slider is ours
    m_slider.SubclassDlgItem(IDC_TRANSP_SLIDER, m_hWnd);
    CDialog::OnInitDialog();
    const fw::Trackbar slider(m_slider);
    slider.SetRangeMin(0, false);
    slider.SetRangeMax(100, false);
    m_slider.Start(m_hWnd, UWM_SLIDER_TRACK, 0);
    return TRUE;
}

LRESULT CTranspSliderDlg::OnSliderTrackCallback(WPARAM wp, LPARAM lp) {
    if (!m_hWnd) return 0;
    try {
        if (wp == kSliderClose)
            OnOK();
        else if (wp == kSliderMoved && m_notifyWindow)
            ::SendMessageA(m_notifyWindow, m_notifyMessage, m_notifyWParam, lp);
        return 1;
    } catch (...) {
        fw::AppMessageBox(kCallbackError, MB_OK);
        return 0;
    }
}

LRESULT CTranspSliderDlg::OnButtonUp(WPARAM, LPARAM) {
    OnOK();
    return Default();
}

LRESULT CTranspSliderDlg::OnMouseMove(WPARAM wp, LPARAM) {
    // The slider lost the mouse: any move without the right button alone ends the gesture.
    if (wp != MK_RBUTTON) OnOK();
    return Default();
}

}  // namespace ui
