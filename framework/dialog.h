#pragma once
// CDialog: a dialog template from the resources bound to a C++ object, run modally (with our own
// message loop, so gestures that capture the mouse survive) or modelessly.
#include <map>

#include "core/geometry/dpi_scale.h"
#include "framework/data_exchange.h"
#include "framework/gdi.h"
#include "framework/wnd.h"

namespace fw {

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, HWND parent = nullptr)
        : m_templateId(templateId), m_parent(parent) {}

    // Runs the dialog until EndDialog or WM_QUIT; returns the EndDialog result, -1 on WM_QUIT or
    // when the dialog could not be created. The window is destroyed before this returns.
    INT_PTR DoModal();
    // Creates the dialog modelessly.
    bool Create(HWND parent = nullptr);
    void EndDialog(INT_PTR result);

    // take = true: controls into members; false: members into controls.
    void UpdateData(bool take = true);

protected:
    // Default initialisation: push the members into the controls. Return TRUE to let the
    // system give the focus to the first control.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(DataExchange&) {}
    // A modal dialog's own look at each message of its loop before the dialog manager's; true
    // when it was handled and goes no further.
    virtual bool PreTranslateMessage(MSG&) { return false; }

    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // A move to a monitor of another scale (WM_DPICHANGED). Controls are laid out in dialog
    // units, whose size in pixels follows the dialog's font: from and to are its base units at
    // the old and the new scale.
    struct DpiChange {
        UINT oldDpi, newDpi;
        SIZE from, to;
        // A length of the layout (a place or distance in the client area) at the new scale.
        int X(int x) const { return horolux::RescaleLength(x, from.cx, to.cx); }
        int Y(int y) const { return horolux::RescaleLength(y, from.cy, to.cy); }
    };
    // The framework has scaled the controls' places, fonts and list columns; what the dialog
    // keeps in pixels of its own is scaled here, before the window takes its new rectangle.
    virtual void OnDpiChanged(const DpiChange& /*change*/) {}
    // Controls report the changes the exchange itself makes (an edit's EN_CHANGE when its text
    // is pushed); those reports are not the user's and reach no handler.
    bool BypassesHandlers(UINT msg, WPARAM, LPARAM lp) const override {
        return m_exchanging && msg == WM_COMMAND && lp != 0;
    }

    UINT m_templateId;
    HWND m_parent;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnDpiChangedMessage(WPARAM wp, LPARAM lp);
    LRESULT OnGetDpiScaledSize(WPARAM wp, LPARAM lp);
    // The dialog's font now, and a copy of it for another DPI.
    HFONT DialogFont() const;
    // Scales the controls' places and fonts; returns the base units of the old and new scale.
    DpiChange RescaleChildren(UINT oldDpi, UINT newDpi);

    bool m_exchanging = false;
    bool m_modal = false;
    bool m_endModal = false;
    INT_PTR m_result = -1;
    // Fonts made for a DPI other than the one the dialog was created at: the dialog font's
    // copy, and a copy of each control's own font; each replaced at the next change.
    Font m_dialogFont;
    std::map<HWND, Font> m_controlFonts;
};

}  // namespace fw
