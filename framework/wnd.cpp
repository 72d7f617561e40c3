#include "framework/wnd.h"

namespace fw {
namespace {
constexpr char kObjectProp[] = "Horolux.CWnd";
}

CWnd::~CWnd() {
    // An object going away before its window: cut the window loose so no message finds it.
    if (m_hWnd && IsWindow(m_hWnd)) {
        if (m_superProc && m_superProc != DefWindowProcA)
            SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
        RemovePropA(m_hWnd, kObjectProp);
    }
}

CWnd* CWnd::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<CWnd*>(GetPropA(hwnd, kObjectProp)) : nullptr;
}

void CWnd::Attach(HWND hwnd) {
    m_hWnd = hwnd;
    SetPropA(hwnd, kObjectProp, this);
}

bool CWnd::SubclassWindow(HWND hwnd) {
    if (!hwnd || m_hWnd || FromHandle(hwnd)) return false;
    Attach(hwnd);
    m_superProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)));
    return true;
}

bool CWnd::SubclassDlgItem(UINT id, HWND parent) {
    return SubclassWindow(::GetDlgItem(parent, static_cast<int>(id)));
}

const char* CWnd::RegisterClassFor(const char* className, UINT classStyle, HBRUSH background,
                                   HCURSOR cursor) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoExA(instance, className, &wc)) return className;
    wc.cbSize = sizeof wc;
    wc.style = classStyle;
    wc.lpfnWndProc = &CWnd::WindowProc;
    wc.hInstance = instance;
    wc.hCursor = cursor ? cursor : LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
    return className;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menuOrId) {
    HWND hwnd = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent,
                                menuOrId, GetModuleHandleA(nullptr), this);
    if (!hwnd) return false;
    // A system class knows nothing of us: take it over after the fact.
    if (FromHandle(hwnd) != this) SubclassWindow(hwnd);
    return true;
}

bool CWnd::DestroyWindow() {
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

bool CWnd::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    HWND child = nullptr;
    if (msg == WM_NOTIFY && lp) {
        child = reinterpret_cast<const NMHDR*>(lp)->hwndFrom;
    } else if (msg == WM_DRAWITEM && lp) {
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (dis->CtlType != ODT_MENU) child = dis->hwndItem;
    }
    CWnd* control = child && child != m_hWnd ? FromHandle(child) : nullptr;
    return control && control->OnChildNotify(msg, wp, lp, result);
}

LRESULT CWnd::Default() {
    return CallWindowProcA(m_superProc ? m_superProc : DefWindowProcA, m_hWnd, m_current.msg,
                           m_current.wp, m_current.lp);
}

LRESULT CALLBACK CWnd::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    CWnd* self = FromHandle(hwnd);
    if (!self && msg == WM_NCCREATE) {
        self = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        if (self) {
            self->Attach(hwnd);
            self->m_superProc = DefWindowProcA;
        }
    }
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);

    const CurrentMessage outer = self->m_current;  // handlers may re-enter (SendMessage to self)
    self->m_current = {msg, wp, lp};
    LRESULT result = 0;
    if (self->BypassesHandlers(msg, wp, lp) || !self->ProcessMessage(msg, wp, lp, result))
        result = self->Default();
    self->m_current = outer;

    if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, kObjectProp);
        self->m_hWnd = nullptr;
        self->m_superProc = nullptr;
        self->m_layoutDpi = 0;
        self->PostNcDestroy();
    }
    return result;
}

bool IsWindowClass(HWND hwnd, const char* className) {
    char name[64] = {};
    return GetClassNameA(hwnd, name, sizeof name) > 0 && _stricmp(name, className) == 0;
}

}  // namespace fw
