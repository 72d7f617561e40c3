#pragma once
// CWnd: a C++ object bound to one HWND. Every window of the program (dialogs, subclassed dialog
// items, windows of our own classes) goes through the one static procedure below, which finds the
// object by a window property and forwards to its ProcessMessage.
//
// Reflection: a notification a control sends its parent (WM_NOTIFY, WM_DRAWITEM) that none of
// the parent's own handlers took is offered to the control's object through OnChildNotify, so a
// control of ours handles its own notifications wherever it is placed.
#include "framework/win32.h"

namespace fw {

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    static CWnd* FromHandle(HWND hwnd);

    // Take over an existing window (a dialog item made from a template) with this object.
    bool SubclassDlgItem(UINT id, HWND parent);
    bool SubclassWindow(HWND hwnd);

    // Create a window of a class registered by RegisterClassFor (or a system class, then
    // subclassed).
    bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                  int y, int width, int height, HWND parent, HMENU menuOrId);
    // Registers a window class whose procedure is ours; returns the class name.
    static const char* RegisterClassFor(const char* className, UINT classStyle = 0,
                                        HBRUSH background = nullptr, HCURSOR cursor = nullptr);
    bool DestroyWindow();

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return ::SendMessageA(m_hWnd, msg, wp, lp);
    }

    // The DPI this top-level window was laid out for (framework/dpi.h); 0 when it never was.
    UINT LayoutDpi() const { return m_layoutDpi; }

protected:
    // Return true when handled, with the result in result. Unhandled messages get Default().
    // The base reflects child notifications (see above), so overrides chain to it last.
    virtual bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // A notification of this control that its parent received: true when handled here, with
    // the parent's answer in result.
    virtual bool OnChildNotify(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
    // The default processing of the message being handled now.
    LRESULT Default();
    // True for a message that should skip this window's handlers and get default processing.
    virtual bool BypassesHandlers(UINT, WPARAM, LPARAM) const { return false; }
    // Called after the last message (WM_NCDESTROY), when the object no longer has a window.
    virtual void PostNcDestroy() {}

    void Attach(HWND hwnd);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND m_hWnd = nullptr;
    WNDPROC m_superProc = nullptr;  // where unhandled messages go
    UINT m_layoutDpi = 0;

private:
    struct CurrentMessage {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
    };
    CurrentMessage m_current{};
};

// Whether hwnd is a window of that class (names compared as Windows does, without case).
bool IsWindowClass(HWND hwnd, const char* className);

}  // namespace fw
