#include "framework/dialog.h"

#include "framework/app.h"

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
    return self->OnInitDialog();
}

}  // namespace fw
