#include "ui/controls/list_ctrl_ex.h"

#include "core/controls/list_cells.h"
#include "framework/dpi.h"
#include "framework/geometry.h"
#include "framework/message_map.h"

namespace ui {

namespace {

using fw::FromRECT;
using fw::PointOf;
using fw::ToRECT;

constexpr UINT kTextFlags = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;

bool AltHeld() {
    return (GetKeyState(VK_LMENU) & 0x8000) || (GetKeyState(VK_RMENU) & 0x8000);
}

}  // namespace

bool CListCtrlEx::SubclassDlgItem(UINT id, HWND parent) {
    if (!CWnd::SubclassDlgItem(id, parent)) return false;
    m_titleTip.Create(m_hWnd);
    m_titleTipBrush.Reset(CreateSolidBrush(List().GetBkColor()));
    m_titleTip.SetBackgroundBrush(m_titleTipBrush.Get());
    return true;
}

bool CListCtrlEx::SetFullRowSel(bool on) {
    LockWindowUpdate(m_hWnd);
    m_fullRowSelection = on;
    const LONG before = GetWindowLongA(m_hWnd, GWL_STYLE);
    const LONG after = on ? (before | LVS_OWNERDRAWFIXED) : (before & ~LVS_OWNERDRAWFIXED);
    const bool changed = after != before;
    if (changed) {
        SetWindowLongA(m_hWnd, GWL_STYLE, after);
        if (IsReportView()) InvalidateRect(m_hWnd, nullptr, TRUE);
    }
    LockWindowUpdate(nullptr);
    return changed;
}

bool CListCtrlEx::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CListCtrlEx;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(WM_PAINT, &Self::OnPaint),
        fw::OnMessage(WM_LBUTTONDOWN, &Self::OnLButtonDown),
        fw::OnMessage(WM_MOUSEMOVE, &Self::OnMouseMove),
        fw::OnMessage(WM_KEYDOWN, &Self::OnKeyDown),
        fw::OnMessage(WM_SETFOCUS, &Self::OnSetFocus),
        fw::OnMessage(WM_KILLFOCUS, &Self::OnKillFocus),
        fw::OnMessage(WM_DESTROY, &Self::OnDestroy),
        fw::OnMessage(LVM_SETTEXTCOLOR, &Self::OnSetTextColour),
        fw::OnMessage(LVM_SETTEXTBKCOLOR, &Self::OnSetTextBackColour),
        fw::OnMessage(LVM_SETBKCOLOR, &Self::OnSetBackColour),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CWnd::ProcessMessage(msg, wp, lp, result);
}

bool CListCtrlEx::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg != WM_DRAWITEM || !OnDrawItem(wp, lp)) return false;
    result = TRUE;
    return true;
}

LRESULT CListCtrlEx::OnDrawItem(WPARAM, LPARAM lp) {
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
    if (!dis || !m_fullRowSelection) return FALSE;
    DrawRow(*dis);
    return TRUE;
}

void CListCtrlEx::DrawRow(const DRAWITEMSTRUCT& dis) {
    HDC dc = dis.hDC;
    const int item = static_cast<int>(dis.itemID);
    LVITEMA lvi{};
    lvi.mask = LVIF_IMAGE | LVIF_STATE;
    lvi.iItem = item;
    lvi.stateMask = 0xFFFF;
    List().GetItem(lvi);

    const bool listHasFocus = GetFocus() == m_hWnd;
    const LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
    const bool highlighted =
        horolux::RowHighlighted(lvi.state & LVIS_DROPHILITED, lvi.state & LVIS_SELECTED,
                                listHasFocus, style & LVS_SHOWSELALWAYS);

    const horolux::PixelRect bounds = FromRECT(ItemRect(item, LVIR_BOUNDS));
    const horolux::PixelRect label = FromRECT(ItemRect(item, LVIR_LABEL));
    const RECT icon = ItemRect(item, LVIR_ICON);
    RECT client{};
    GetClientRect(m_hWnd, &client);

    fw::SavedDcState state(dc);
    if (HFONT font = fw::GetFont(m_hWnd)) SelectObject(dc, font);
    SIZE space{};
    GetTextExtentPoint32A(dc, " ", 1, &space);
    const int padding = 2 * space.cx;

    const RECT background =
        ToRECT(horolux::RowBackground(bounds, label, client.right, m_extendToClientEdge));
    if (highlighted) {
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        FillRect(dc, &background, GetSysColorBrush(COLOR_HIGHLIGHT));
    } else {
        fw::Brush brush(CreateSolidBrush(m_textBackColour));
        FillRect(dc, &background, brush.Get());
    }

    const UINT stateImage = (lvi.state & LVIS_STATEIMAGEMASK) >> 12;
    if (stateImage) {
        if (HIMAGELIST states = List().GetImageList(LVSIL_STATE))
            ImageList_Draw(states, static_cast<int>(stateImage) - 1, dc, label.left, label.top,
                           ILD_TRANSPARENT);
    }
    if (HIMAGELIST images = List().GetImageList(LVSIL_SMALL)) {
        const UINT blend = highlighted ? ILD_BLEND50 : 0;
        ImageList_Draw(images, lvi.iImage, dc, icon.left, icon.top,
                       ILD_TRANSPARENT | blend | (lvi.state & LVIS_OVERLAYMASK));
    }

    // Texts over the filled background: no boxes of another colour around the letters.
    SetBkMode(dc, TRANSPARENT);
    const std::vector<int> widths = ColumnWidths();
    const std::vector<horolux::PixelRect> spans = horolux::ColumnSpans(bounds, widths);
    if (!spans.empty()) {
        RECT r = ToRECT(horolux::FirstColumnText(label, spans[0], padding));
        const std::string text = ItemText(item, 0);
        DrawTextA(dc, text.c_str(), -1, &r, kTextFlags);
    }
    for (size_t column = 1; column < spans.size(); ++column) {
        LVCOLUMNA lvc{};
        lvc.mask = LVCF_FMT;
        List().GetColumn(static_cast<int>(column), lvc);
        UINT align = 0;
        if ((lvc.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT) align = DT_RIGHT;
        if ((lvc.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER) align = DT_CENTER;
        RECT r = ToRECT(horolux::SubItemText(spans[column], padding));
        const std::string text = ItemText(item, static_cast<int>(column));
        DrawTextA(dc, text.c_str(), -1, &r, kTextFlags | align);
    }

    if ((lvi.state & LVIS_FOCUSED) && listHasFocus) DrawFocusRect(dc, &background);
}

LRESULT CListCtrlEx::OnPaint(WPARAM, LPARAM) {
    if (m_extendToClientEdge && m_fullRowSelection && IsReportView()) {
        RECT first{}, client{}, update{};
        GetClientRect(m_hWnd, &client);
        if (List().GetItemRect(0, LVIR_BOUNDS, first) && GetUpdateRect(m_hWnd, &update, FALSE)) {
            if (auto strip =
                    horolux::EdgeRepaintArea(FromRECT(update), first.right, client.right)) {
                const RECT r = ToRECT(*strip);
                InvalidateRect(m_hWnd, &r, FALSE);
            }
        }
    }
    return Default();
}

LRESULT CListCtrlEx::OnLButtonDown(WPARAM, LPARAM lp) {
    const POINT pt = PointOf(lp);
    if (AltHeld()) {
        int item = -1, column = -1;
        if (CellAt(pt, item, column)) {
            SetFocus(m_hWnd);
            PostMessageA(m_hWnd, LVM_EDITLABELA, static_cast<WPARAM>(item), 0);
        }
        return 0;
    }
    const LRESULT result = Default();
    ShowTitleTip(pt);
    NotifyParent();
    return result;
}

LRESULT CListCtrlEx::OnMouseMove(WPARAM wp, LPARAM lp) {
    if (wp == 0) ShowTitleTip(PointOf(lp));
    return Default();
}

LRESULT CListCtrlEx::OnKeyDown(WPARAM, LPARAM) {
    const LRESULT result = Default();
    m_titleTip.Hide();
    NotifyParent();
    return result;
}

LRESULT CListCtrlEx::OnSetFocus(WPARAM, LPARAM) {
    const LRESULT result = Default();
    if (m_fullRowSelection && IsReportView()) RepaintSelectedRows();
    return result;
}

LRESULT CListCtrlEx::OnKillFocus(WPARAM wp, LPARAM) {
    const LRESULT result = Default();
    m_titleTip.Hide();
    // The label editor taking the focus: the row is being edited, not left.
    if (wp && IsChild(m_hWnd, reinterpret_cast<HWND>(wp))) return result;
    if (m_fullRowSelection && IsReportView()) RepaintSelectedRows();
    return result;
}

LRESULT CListCtrlEx::OnDestroy(WPARAM, LPARAM) {
    m_titleTip.DestroyWindow();
    m_titleTipBrush.Reset();
    return Default();
}

LRESULT CListCtrlEx::OnSetTextColour(WPARAM, LPARAM lp) {
    m_textColour = static_cast<COLORREF>(lp);
    return Default();
}

LRESULT CListCtrlEx::OnSetTextBackColour(WPARAM, LPARAM lp) {
    m_textBackColour = static_cast<COLORREF>(lp);
    return Default();
}

LRESULT CListCtrlEx::OnSetBackColour(WPARAM, LPARAM lp) {
    m_backColour = static_cast<COLORREF>(lp);
    return Default();
}

void CListCtrlEx::RepaintSelectedRows() {
    auto invalidateRow = [this](int item) {
        const RECT bounds = ItemRect(item, LVIR_BOUNDS);
        const RECT label = ItemRect(item, LVIR_LABEL);
        const RECT row{label.left, bounds.top, bounds.right, bounds.bottom};
        InvalidateRect(m_hWnd, &row, FALSE);
    };
    const int focused = List().GetNextItem(-1, LVNI_FOCUSED);
    if (focused != -1) invalidateRow(focused);
    if (!(GetWindowLongA(m_hWnd, GWL_STYLE) & LVS_SHOWSELALWAYS)) {
        int item = -1;
        while ((item = List().GetNextItem(item, LVNI_SELECTED)) != -1) invalidateRow(item);
    }
    UpdateWindow(m_hWnd);
}

void CListCtrlEx::ShowTitleTip(POINT pt) {
    int item = -1, column = -1;
    if (!CellAt(pt, item, column)) return;
    const std::vector<int> widths = ColumnWidths();
    const auto spans = horolux::ColumnSpans(FromRECT(ItemRect(item, LVIR_BOUNDS)), widths);
    const RECT cell = ToRECT(horolux::TitleTipCell(spans, column));

    if (List().GetItemState(item, LVIS_SELECTED) & LVIS_SELECTED) {
        m_titleTip.SetBackgroundColour(GetSysColor(COLOR_HIGHLIGHT));
        m_titleTip.SetTextColour(GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        m_titleTip.SetBackgroundColour(m_textBackColour);
        m_titleTip.SetTextColour(m_textColour);
    }
    const fw::HeaderCtrl header = List().GetHeader();
    HDITEMA hdi{};
    hdi.mask = HDI_WIDTH;
    const bool hasHeaderItem = header && header.GetItem(column, hdi);
    const std::string text = hasHeaderItem ? ItemText(item, column) : kNoCellText;
    m_titleTip.Show(cell, text, fw::ScaleFor(m_hWnd, kTitleTipOffset));
}

void CListCtrlEx::NotifyParent() {
    NMHDR nm{};
    nm.hwndFrom = m_hWnd;
    nm.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_hWnd));
    nm.code = kClickOrKeyNotification;
    ::SendMessageA(GetParent(m_hWnd), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
}

bool CListCtrlEx::IsReportView() const {
    return (GetWindowLongA(m_hWnd, GWL_STYLE) & LVS_TYPEMASK) == LVS_REPORT;
}

bool CListCtrlEx::CellAt(POINT pt, int& item, int& column) const {
    if (!IsReportView()) return false;
    LVHITTESTINFO hit{};
    hit.pt = pt;
    item = List().HitTest(hit);
    if (item < 0) return false;
    const RECT bounds = ItemRect(item, LVIR_BOUNDS);
    column = horolux::ColumnAt(pt.x, bounds.left, ColumnWidths());
    return column >= 0;
}

std::vector<int> CListCtrlEx::ColumnWidths() const {
    std::vector<int> widths;
    const fw::HeaderCtrl header = List().GetHeader();
    const int count = header ? header.GetItemCount() : 0;
    for (int i = 0; i < count; ++i) {
        HDITEMA hdi{};
        hdi.mask = HDI_WIDTH;
        if (!header.GetItem(i, hdi)) break;
        widths.push_back(hdi.cxy);
    }
    return widths;
}

std::string CListCtrlEx::ItemText(int item, int subItem) const {
    std::string text(256, '\0');
    for (;;) {
        const int length =
            List().GetItemText(item, subItem, text.data(), static_cast<int>(text.size()));
        // A text that filled the buffer may have been cut: try again with room to spare.
        if (length < static_cast<int>(text.size()) - 1 || text.size() >= 65536) {
            text.resize(static_cast<size_t>(length > 0 ? length : 0));
            return text;
        }
        text.assign(text.size() * 4, '\0');
    }
}

RECT CListCtrlEx::ItemRect(int item, int code) const {
    RECT r{};
    List().GetItemRect(item, code, r);
    return r;
}

}  // namespace ui
