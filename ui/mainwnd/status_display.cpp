// The main window's sync texts: each change is painted at once, because a sync keeps the
// user-interface thread busy and no WM_PAINT would come until it ends.
#include "platform/text.h"
#include "ui/mainwnd/main_dialog.h"

namespace ui {

namespace {
constexpr UINT kRedrawAtOnce =
    RDW_INVALIDATE | RDW_ERASE | RDW_NOINTERNALPAINT | RDW_ALLCHILDREN | RDW_UPDATENOW;  // 0x195
static_assert(kRedrawAtOnce == 0x195);
}  // namespace

void CHoroluxDlg::ShowTextNow(std::string& member, int controlId, const std::string& text) {
    member = text;
    HWND control = GetDlgItem(controlId);
    if (!control) return;
    // Emptied first, so a static over the picture erases its old text before the new one.
    SetWindowTextA(control, "");
    SetWindowTextA(control, member.c_str());
    RedrawWindow(control, nullptr, nullptr, kRedrawAtOnce);
}

void CHoroluxDlg::SetStatusText(const std::string& text) {
    ShowTextNow(m_statusText, IDC_STATUS, text);
    RedrawNow();
}

void CHoroluxDlg::SetLastSyncText(const std::string& text) {
    ShowTextNow(m_model.settings.lastSync, IDC_LAST_SYNC, text);
}

void CHoroluxDlg::SetOldTimeText(const std::string& text) {
    ShowTextNow(m_oldTimeText, IDC_OLD_TIME, text);
}

void CHoroluxDlg::SetNewTimeText(const std::string& text) {
    ShowTextNow(m_newTimeText, IDC_NEW_TIME, text);
}

void CHoroluxDlg::SetNextSyncText(const std::string& text) {
    m_nextSyncText = text;
    UpdateData(false);
}

void CHoroluxDlg::RedrawNow() {
    RedrawWindow(m_hWnd, nullptr, nullptr, kRedrawAtOnce);
    UpdateWindow(m_hWnd);
}

std::string CHoroluxDlg::SyncTipText() const {
    return platform::Format("Horolux \nLast sync: %s\nNext sync: %s",
                            m_model.settings.lastSync.c_str(), m_nextSyncText.c_str());
}

}  // namespace ui
