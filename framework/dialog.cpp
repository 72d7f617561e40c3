#include "framework/dialog.h"

#include <vector>

#include "framework/app.h"
#include "framework/controls.h"
#include "framework/dpi.h"
#include "framework/geometry.h"
#include "framework/high_contrast.h"

namespace fw {

bool CDialog::Create(HWND parent) {
    m_parent = parent;
    HWND hwnd = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId),
                                   parent, &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

INT_PTR CDialog::DoModal() {
    const HWND owner = m_parent ? GetLastActivePopup(m_parent) : OwnerWindow(this);

    m_modal = true;
    m_endModal = false;
    m_result = -1;
    if (!Create(owner)) {
        m_modal = false;
        return -1;
    }
    const bool disableOwner = owner && IsWindowEnabled(owner);
    if (disableOwner) EnableWindow(owner, FALSE);
    if (m_hWnd && !IsWindowVisible(m_hWnd) && !m_endModal) ShowWindow(m_hWnd, SW_SHOWNORMAL);

    MSG msg;
    while (!m_endModal && m_hWnd) {
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            // Leave the quit request for the loops further out.
            PostQuitMessage(static_cast<int>(msg.wParam));
            m_result = -1;
            break;
        }
        if (!PreTranslateMessage(msg) && !IsDialogMessageA(m_hWnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    // Give the activation back to the owner before this window disappears.
    if (disableOwner) EnableWindow(owner, TRUE);
    if (m_hWnd) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        if (owner && GetActiveWindow() == m_hWnd) SetActiveWindow(owner);
        DestroyWindow();
    }
    m_modal = false;
    return m_result;
}

void CDialog::EndDialog(INT_PTR result) {
    m_result = result;
    if (m_modal) {
        m_endModal = true;
        PostMessageA(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
    } else {
        DestroyWindow();
    }
}

void CDialog::UpdateData(bool take) {
    const bool outer = m_exchanging;  // a handler may exchange while an exchange runs
    m_exchanging = true;
    DataExchange dx(m_hWnd, take);
    DoDataExchange(dx);
    m_exchanging = outer;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool CDialog::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_DPICHANGED && lp) {
        result = OnDpiChangedMessage(wp, lp);
        return true;
    }
    if (msg == kWmGetDpiScaledSize && lp) {
        result = OnGetDpiScaledSize(wp, lp);
        return true;
    }
    if (msg == WM_NCDESTROY) {  // the controls are gone: so may the fonts made for them
        m_controlFonts.clear();
        m_dialogFont.Reset();
    }
    if (msg == WM_SYSCOLORCHANGE || (msg == WM_SETTINGCHANGE && wp == SPI_SETHIGHCONTRAST)) {
        RedrawForSystemColours(m_hWnd);
        result = Default();
        return true;
    }
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {  // also Enter and Esc
        switch (LOWORD(wp)) {
            case IDOK:
                OnOK();
                result = 0;
                return true;
            case IDCANCEL:
                OnCancel();
                result = 0;
                return true;
            default:
                break;
        }
    }
    return CWnd::ProcessMessage(msg, wp, lp, result);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
    if (msg != WM_INITDIALOG) return FALSE;  // everything else reaches the object by subclassing
    auto* self = reinterpret_cast<CDialog*>(lp);
    self->SubclassWindow(hwnd);
    // The template was laid out for this DPI; a later change is answered from it.
    self->m_layoutDpi = DpiOf(hwnd);
    TakeOverDialogDpiChange(hwnd);
    const BOOL result = self->OnInitDialog();
    if (HighContrast())  // keyboard cues stay on from the start, not only after a first key
        ::SendMessageA(hwnd, WM_CHANGEUISTATE,
                       MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
    return result;
}

namespace {

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    return children;
}

bool IsReportList(HWND hwnd) {
    return IsWindowClass(hwnd, WC_LISTVIEWA) &&
           (GetWindowLongA(hwnd, GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT;
}

}  // namespace

HFONT CDialog::DialogFont() const {
    // The dialog keeps answering WM_GETFONT with the font the dialog manager made (and will
    // delete), so a copy for another DPI stays ours.
    return m_dialogFont ? m_dialogFont.Get() : GetFont(m_hWnd);
}

// The dialog's size at another scale: its template's units there, as a new dialog would get.
LRESULT CDialog::OnGetDpiScaledSize(WPARAM wp, LPARAM lp) {
    const UINT newDpi = static_cast<UINT>(wp);
    const UINT oldDpi = m_layoutDpi ? m_layoutDpi : DpiOf(m_hWnd);
    if (!newDpi || newDpi == oldDpi) return FALSE;
    const SIZE from = DialogBaseUnits(DialogFont());
    const Font font = RescaledFont(DialogFont(), oldDpi, newDpi);
    const SIZE to = DialogBaseUnits(font.Get());
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const SIZE scaled{horolux::RescaleLength(client.right, from.cx, to.cx),
                      horolux::RescaleLength(client.bottom, from.cy, to.cy)};
    *reinterpret_cast<SIZE*>(lp) = WindowSizeForClient(m_hWnd, scaled, newDpi);
    return TRUE;
}

LRESULT CDialog::OnDpiChangedMessage(WPARAM wp, LPARAM lp) {
    const UINT newDpi = LOWORD(wp);
    const UINT oldDpi = m_layoutDpi ? m_layoutDpi : DpiOf(m_hWnd);
    const RECT suggested = *reinterpret_cast<const RECT*>(lp);
    if (newDpi && newDpi != oldDpi) {
        const DpiChange change = RescaleChildren(oldDpi, newDpi);
        m_layoutDpi = newDpi;
        OnDpiChanged(change);
    }
    SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // Our own controls remake what they drew for the old scale. Windows sends this itself after
    // a real change; sent here too, as a change made by hand is not one (each control acts only
    // when its scale really changed).
    for (HWND child : Children(m_hWnd)) ::SendMessageA(child, kWmDpiChangedAfterParent, 0, 0);
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return 0;
}

CDialog::DpiChange CDialog::RescaleChildren(UINT oldDpi, UINT newDpi) {
    const int from = static_cast<int>(oldDpi), to = static_cast<int>(newDpi);
    const HFONT dialogFont = DialogFont();
    Font newDialogFont = RescaledFont(dialogFont, oldDpi, newDpi);
    // Controls are laid out in dialog units: they move and grow as the font's units do, which
    // keeps every label as wide and high as its text at the new scale.
    const SIZE unitsFrom = DialogBaseUnits(dialogFont);
    const SIZE unitsTo = newDialogFont ? DialogBaseUnits(newDialogFont.Get()) : unitsFrom;
    std::map<HWND, Font> newControlFonts;

    for (HWND child : Children(m_hWnd)) {
        const HFONT font = GetFont(child);
        if (font && font == dialogFont && newDialogFont) {
            SetFont(child, newDialogFont.Get(), false);
        } else if (font && font != dialogFont) {
            Font own = RescaledFont(font, oldDpi, newDpi);
            if (own) {
                SetFont(child, own.Get(), false);
                newControlFonts[child] = std::move(own);
            }
        }

        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        const RECT scaled = ToRECT(
            horolux::ScaleRect(FromRECT(r), unitsTo.cx, unitsFrom.cx, unitsTo.cy, unitsFrom.cy));
        SetWindowPos(child, nullptr, scaled.left, scaled.top, scaled.right - scaled.left,
                     scaled.bottom - scaled.top, SWP_NOZORDER | SWP_NOACTIVATE);

        // List columns are pixels of their own, set for the list's DPI.
        if (IsReportList(child)) {
            const HWND header = reinterpret_cast<HWND>(::SendMessageA(child, LVM_GETHEADER, 0, 0));
            const int columns =
                header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
            for (int i = 0; i < columns; ++i) {
                const int width = static_cast<int>(::SendMessageA(child, LVM_GETCOLUMNWIDTH, i, 0));
                ::SendMessageA(child, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                               MAKELPARAM(horolux::RescaleLength(width, from, to), 0));
            }
        }
    }
    // The controls have let go of the fonts made for the old DPI.
    if (newDialogFont) m_dialogFont = std::move(newDialogFont);
    m_controlFonts = std::move(newControlFonts);
    return {oldDpi, newDpi, unitsFrom, unitsTo};
}

}  // namespace fw
