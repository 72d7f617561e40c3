#pragma once
// The floating clock's see-through look: run-time access to the layered-window call, and the
// popup whose slider sets the opacity with one press-drag-release of a mouse button.
#include "framework/dialog.h"
#include "platform/handles.h"
#include "res/clock_resource.h"

namespace ui {

// Popup → clock: wParam 1, lParam the new opacity in percent.
inline constexpr UINT UWM_SET_TRANSPARENCY = WM_USER + 102;
// Slider → popup: wParam kSliderClose (lParam the slider's callback value) or kSliderMoved
// (lParam the position).
inline constexpr UINT UWM_SLIDER_TRACK = 0x5B07;
inline constexpr WPARAM kSliderClose = 2;
inline constexpr WPARAM kSliderMoved = 3;

// SetLayeredWindowAttributes looked up at run time, so the program also starts where it is
// missing; the clock is simply opaque there.
class CLayeredWindowHelper {
public:
    explicit CLayeredWindowHelper(const char* moduleName = "USER32.dll");
    // Sets WS_EX_LAYERED whether or not the call exists.
    static void AddLayeredStyle(HWND window);
    // True without doing anything when the module did not load; false when it has no such call.
    bool SetAttributes(HWND window, COLORREF colourKey, BYTE alpha, DWORD flags);
    // percent above 100 counts as 100.
    bool SetOpacity(HWND window, BYTE percent);
    void Release() { m_module.Reset(); }
    bool Loaded() const { return static_cast<bool>(m_module); }

private:
    platform::Module m_module;
};

// A slider that, once started, holds the mouse and reports to a callback window: moves while a
// button is held set its position from the pointer, a button release asks to close.
class CTrackSliderCtrl : public fw::CWnd {
public:
    // Takes the mouse capture.
    void Start(HWND window, UINT message, LPARAM lParam);

protected:
    // The slider tells its parent when it paints (NM_CUSTOMDRAW) and when it lets the mouse go
    // (NM_RELEASEDCAPTURE); both come back here.
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

public:
protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnButtonUp(WPARAM, LPARAM);
    LRESULT OnMouseMove(WPARAM, LPARAM);
    LRESULT OnDestroy(WPARAM, LPARAM);
    void ReportPosition();

    HWND m_callbackWindow = nullptr;
    UINT m_callbackMessage = 0;
    LPARAM m_callbackLParam = 0;
};

// The modal popup with the opacity slider (dialog 170), opened at the clock's right-button press
// and closed by the release.
class CTranspSliderDlg : public fw::CDialog {
public:
    enum { IDD = IDD_TRANSP_SLIDER };
    explicit CTranspSliderDlg(HWND parent = nullptr) : fw::CDialog(IDD, parent) {}

    // Where each position change is sent: (message, wParam, the position).
    void SetNotify(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        m_notifyWindow = window;
        m_notifyMessage = message;
        m_notifyWParam = wParam;
        m_notifyLParam = lParam;
    }

    int m_position = 0;  // percent; read from the slider when the popup closes with OK

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(fw::DataExchange& dx) override;
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnSliderTrackCallback(WPARAM, LPARAM);
    LRESULT OnButtonUp(WPARAM, LPARAM);
    LRESULT OnMouseMove(WPARAM, LPARAM);

    CTrackSliderCtrl m_slider;
    HWND m_notifyWindow = nullptr;
    UINT m_notifyMessage = UWM_SET_TRANSPARENCY;
    WPARAM m_notifyWParam = 1;
    LPARAM m_notifyLParam = 0;  // kept for the sender's sake; nothing reads it
};

}  // namespace ui
