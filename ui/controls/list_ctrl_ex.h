#pragma once
// CListCtrlEx: a report-view list control that selects whole rows. It draws every row itself so
// the highlight runs across all columns (and on to the window's right edge), shows a title tip
// with a cut-off cell's whole text, tracks the colours set on it so its drawing and the tip match
// them, and tells its parent of clicks and key presses with a notification of its own.
#include <string>
#include <vector>

#include "framework/controls.h"
#include "framework/gdi.h"
#include "framework/wnd.h"
#include "ui/controls/title_tip.h"

namespace ui {

class CListCtrlEx : public fw::CWnd {
public:
    static constexpr char kRuntimeClassName[] = "CListCtrlEx";
    // WM_NOTIFY code sent to the parent after a click or a key press.
    static constexpr UINT kClickOrKeyNotification = 0x1000;
    // Where a cell's text starts, as the title tip needs to know (pixels at 96 DPI).
    static constexpr int kTitleTipOffset = 5;
    static constexpr char kNoCellText[] = "We better never fall through to here!";

    CListCtrlEx() = default;

    // Takes over a dialog's list view and creates the title tip for it.
    bool SubclassDlgItem(UINT id, HWND parent);

    // Switches the owner-drawn whole-row look on or off; true when the style changed.
    bool SetFullRowSel(bool on);
    bool GetFullRowSel() const { return m_fullRowSelection; }

    CTitleTipWnd& TitleTip() { return m_titleTip; }

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    // Owner-drawn: the parent's WM_DRAWITEM comes back here.
    bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnDrawItem(WPARAM wp, LPARAM lp);
    LRESULT OnPaint(WPARAM wp, LPARAM lp);
    LRESULT OnLButtonDown(WPARAM wp, LPARAM lp);
    LRESULT OnMouseMove(WPARAM wp, LPARAM lp);
    LRESULT OnKeyDown(WPARAM wp, LPARAM lp);
    LRESULT OnSetFocus(WPARAM wp, LPARAM lp);
    LRESULT OnKillFocus(WPARAM wp, LPARAM lp);
    LRESULT OnDestroy(WPARAM wp, LPARAM lp);
    LRESULT OnSetTextColour(WPARAM wp, LPARAM lp);
    LRESULT OnSetTextBackColour(WPARAM wp, LPARAM lp);
    LRESULT OnSetBackColour(WPARAM wp, LPARAM lp);

    void DrawRow(const DRAWITEMSTRUCT& dis);
    void RepaintSelectedRows();
    void ShowTitleTip(POINT pt);
    void NotifyParent();

    fw::ListView List() const { return fw::ListView(m_hWnd); }
    bool IsReportView() const;
    bool CellAt(POINT pt, int& item, int& column) const;
    std::vector<int> ColumnWidths() const;
    std::string ItemText(int item, int subItem) const;
    RECT ItemRect(int item, int code) const;

    bool m_fullRowSelection = false;
    bool m_extendToClientEdge = true;
    COLORREF m_textColour = GetSysColor(COLOR_WINDOWTEXT);
    COLORREF m_textBackColour = GetSysColor(COLOR_WINDOW);
    COLORREF m_backColour = GetSysColor(COLOR_WINDOW);
    CTitleTipWnd m_titleTip;
    fw::Brush m_titleTipBrush;  // the tip's background brush, kept as long as the tip
};

}  // namespace ui
