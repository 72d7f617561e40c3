#include "ui/controls/list_ctrl_ex.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "controls/gdi_objects.h"
#include "controls/test_picture_dialog.h"
#include "framework/dialog.h"
#include "test_resources.h"

using namespace ui;  // the layer under test

namespace {

LPARAM At(POINT pt) {
    return MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

const char* const kRows[][3] = {
    {"10", "0", "Alarm!"},
    {"20", "3", "A very long alarm message that runs well past the end of its own column"},
    {"30", "12", "Tea"},
    {"1234567890123", "1", "x"},
};

// The list as the program uses it, keeping the input that reaches it.
class RecordingList : public CListCtrlEx {
public:
    bool Saw(UINT msg, WPARAM wp, LPARAM lp) const {
        for (const auto& s : seen)
            if (s == std::tuple{msg, wp, lp}) return true;
        return false;
    }
    std::vector<std::tuple<UINT, WPARAM, LPARAM>> seen;

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_LBUTTONDOWN || msg == WM_NCLBUTTONDOWN || msg == WM_MOUSEMOVE ||
            msg == WM_KEYDOWN)
            seen.emplace_back(msg, wp, lp);
        return CListCtrlEx::ProcessMessage(msg, wp, lp, result);
    }
};

// A dialog whose list is set up as the alarms window sets up its own.
class ListDialog : public fw::CDialog {
public:
    ListDialog() : CDialog(IDD_TEST_LIST) {}

    bool Open() {
        if (!Create() || !list.SubclassDlgItem(IDC_TEST_LIST, m_hWnd)) return false;
        SetWindowLongA(list, GWL_STYLE, GetWindowLongA(list, GWL_STYLE) | WS_CLIPCHILDREN);
        list.SetFullRowSel(true);
        const char* const headings[] = {"Interval", "Count", "Message"};
        const int widths[] = {50, 50, 200};
        for (int c = 0; c < 3; ++c) {
            LVCOLUMNA column{};
            column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
            column.cx = widths[c];
            column.pszText = const_cast<char*>(headings[c]);
            column.iSubItem = c;
            list.SendMessage(LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
        }
        for (int r = 0; r < 4; ++r) {
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = r;
            item.pszText = const_cast<char*>("");
            list.SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            for (item.iSubItem = 0; item.iSubItem < 3; ++item.iSubItem) {
                item.pszText = const_cast<char*>(kRows[r][item.iSubItem]);
                list.SendMessage(LVM_SETITEMTEXTA, r, reinterpret_cast<LPARAM>(&item));
            }
        }
        SetWindowPos(m_hWnd, HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        SetForegroundWindow(m_hWnd);
        SetFocus(list);
        UpdateWindow(m_hWnd);
        return true;
    }

    RecordingList list;
    std::vector<NMHDR> notifications;

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        const auto* nm = reinterpret_cast<const NMHDR*>(lp);
        if (msg == WM_NOTIFY && nm->code == CListCtrlEx::kClickOrKeyNotification) {
            notifications.push_back(*nm);
            return true;
        }
        // The test decides when the dialog goes.
        if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) return true;
        return CDialog::ProcessMessage(msg, wp, lp, result);
    }
};

class ListCtrlExTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.Open());
        list = dialog.list.GetSafeHwnd();
        tip = dialog.list.TitleTip().GetSafeHwnd();
        ASSERT_TRUE(tip);
        ASSERT_EQ(GetFocus(), list);
    }
    void TearDown() override {
        if (GetCapture()) ReleaseCapture();
        BYTE keys[256] = {};
        SetKeyboardState(keys);
        dialog.DestroyWindow();
    }

    RECT Row(int row) const {
        RECT r{LVIR_BOUNDS, 0, 0, 0};
        SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    // A cell where the header and the row put it, in the list's client coordinates.
    RECT Cell(int row, int column) const {
        RECT header{};
        SendMessageA(ListView_GetHeader(list), HDM_GETITEMRECT, column,
                     reinterpret_cast<LPARAM>(&header));
        return {header.left, Row(row).top, header.right, Row(row).bottom};
    }
    POINT Inside(int row, int column) const {
        const RECT c = Cell(row, column);
        return {c.left + 8, (c.top + c.bottom) / 2};
    }
    POINT ToTip(POINT listPoint) const {
        MapWindowPoints(list, tip, &listPoint, 1);
        return listPoint;
    }
    // The real cursor goes where the test says the mouse is, so the moves Wine makes up after a
    // window shows or hides land there too.
    void PlaceCursor(POINT listPoint) const {
        ClientToScreen(list, &listPoint);
        SetCursorPos(listPoint.x, listPoint.y);
    }
    void Hover(int row, int column) {
        PlaceCursor(Inside(row, column));
        SendMessageA(list, WM_MOUSEMOVE, 0, At(Inside(row, column)));
    }
    void MoveOnTip(POINT listPoint) {
        PlaceCursor(listPoint);
        SendMessageA(tip, WM_MOUSEMOVE, 0, At(ToTip(listPoint)));
    }
    void Select(int row) {
        LVITEMA state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = row >= 0 ? state.stateMask : 0;
        SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    }
    int Selected() const { return static_cast<int>(ListView_GetNextItem(list, -1, LVNI_SELECTED)); }
    int TextWidth(const std::string& text) const {
        fw::WindowDC dc(list);
        fw::SelectObjectScope font(dc,
                                   reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    bool TipShown() const { return IsWindowVisible(tip) != FALSE; }
    HWND Button() const { return GetDlgItem(dialog.GetSafeHwnd(), IDC_TEST_LIST_BUTTON); }

    ListDialog dialog;
    HWND list = nullptr, tip = nullptr;
};

TEST_F(ListCtrlExTest, TitleTipIsAHiddenTopmostPopupOfItsOwnClassGoneWithTheList) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "TitleTipWnd", &wc));
    EXPECT_EQ(wc.style, UINT{CS_SAVEBITS | CS_DBLCLKS});
    EXPECT_EQ(wc.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_INFOBK + 1));
    EXPECT_EQ(GetWindowLongA(tip, GWL_EXSTYLE) & 0x88, 0x88);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(tip, GWL_STYLE)) & ~DWORD{WS_CLIPSIBLINGS},
              DWORD{0x80800000});
    EXPECT_EQ(GetAncestor(tip, GA_PARENT), GetDesktopWindow());
    dialog.DestroyWindow();
    EXPECT_FALSE(IsWindow(tip));
}

TEST_F(ListCtrlExTest, SelectedRowIsHighlightedAcrossAllColumnsToTheEdgeWithOrWithoutFocus) {
    const COLORREF back = RGB(255, 255, 204);
    SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, back);
    Select(1);
    RECT client{};
    GetClientRect(list, &client);
    ASSERT_GT(client.right, 320) << "the list must be wider than its columns";
    RECT label{LVIR_LABEL, 0, 0, 0};
    SendMessageA(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&label));
    for (bool focused : {true, false}) {
        SCOPED_TRACE(focused ? "focused" : "focus elsewhere");
        if (!focused) SetFocus(Button());
        const test::Capture shot(list);
        // The icon area left of the label keeps the list's own background.
        if (label.left > 0) {
            EXPECT_NE(shot.At(label.left - 1, Row(1).top + 2), GetSysColor(COLOR_HIGHLIGHT));
        }
        // Inside the focus rectangle, clear of the letters.
        for (int x : {static_cast<int>(label.left) + 1, 51, 101, 299, 320,
                      static_cast<int>(client.right) - 2}) {
            EXPECT_EQ(shot.At(x, Row(1).top + 2), GetSysColor(COLOR_HIGHLIGHT)) << x;
            EXPECT_EQ(shot.At(x, Row(0).top + 2), back) << x;
        }
    }
    // Switching it off gives the rows back to the list; only a real change counts.
    const struct { bool on, changed; } steps[] = {{true, false}, {false, true}, {false, false}};
    for (const auto& step : steps) {
        EXPECT_EQ(dialog.list.SetFullRowSel(step.on), step.changed) << step.on;
        EXPECT_EQ((GetWindowLongA(list, GWL_STYLE) & LVS_OWNERDRAWFIXED) != 0, step.on);
    }
}

TEST_F(ListCtrlExTest, CutOffCellShowsItsWholeTextOverTheCellAndAFittingOneDoesNot) {
    const COLORREF text = RGB(0, 0, 160), back = RGB(255, 255, 204);
    SendMessageA(list, LVM_SETTEXTCOLOR, 0, text);
    SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, back);
    const struct {
        int row, column;
        bool selected, shows;
    } cases[] = {
        {1, 2, false, true},  {1, 2, true, true},   {3, 0, false, true},
        {0, 2, false, false}, {0, 0, false, false}, {2, 1, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " column " << c.column);
        Select(c.selected ? c.row : -1);
        dialog.list.TitleTip().Hide();
        Hover(c.row, c.column);
        ASSERT_EQ(TipShown(), c.shows);
        if (!c.shows) continue;
        EXPECT_EQ(dialog.list.TitleTip().Text(), kRows[c.row][c.column]);
        EXPECT_EQ(GetCapture(), tip);
        // Over the cell (column 0's two pixels wider to the left, one pixel up), where the
        // cell's own text starts, as wide as the text and the margins.
        RECT cell = Cell(c.row, c.column);
        MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&cell), 2);
        const int left = cell.left - (c.column == 0 ? 2 : 0) + CListCtrlEx::kTitleTipOffset - 2;
        const RECT want{left, cell.top - 1, left + TextWidth(kRows[c.row][c.column]) + 6,
                        cell.bottom};
        RECT placed{};
        GetWindowRect(tip, &placed);
        EXPECT_TRUE(EqualRect(&placed, &want))
            << placed.left << "," << placed.top << " " << placed.right << "," << placed.bottom;
        const test::Capture shot(tip);
        EXPECT_EQ(shot.At(0, 0), c.selected ? GetSysColor(COLOR_HIGHLIGHT) : back);
        const COLORREF letters = c.selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text;
        EXPECT_GT(shot.CountIn({0, 0, shot.Width(), shot.Height()}, letters), 30);
    }

    // A text exactly as wide as the cell less twice the offset and two pixels still fits.
    for (int narrower : {0, 1}) {
        ListView_SetColumnWidth(list, 2, TextWidth("Tea") + 2 * 5 + 2 - narrower);
        dialog.list.TitleTip().Hide();
        Hover(2, 2);
        EXPECT_EQ(TipShown(), narrower == 1) << "column narrower by " << narrower;
    }

    // With the focus in no window of the program the tip stays away.
    dialog.list.TitleTip().Hide();
    SetFocus(nullptr);
    Hover(1, 2);
    EXPECT_FALSE(TipShown());
}

TEST_F(ListCtrlExTest, TipHandsMovesKeysAndClicksOnAndHidesWhenTheyLeaveTheCell) {
    const POINT fitting = Inside(0, 0), onTip{30, 4};
    POINT border{}, onList{};  // the frame's left edge (screen) and onTip in list coordinates
    LRESULT borderHit = HTCLIENT;
    const struct {
        const char* what;
        bool stays;
        std::function<void()> act;
        std::function<bool()> handedOn;
    } cases[] = {
        {"mouse moving within the cell", true,
         [&] {
             MoveOnTip({Inside(1, 2).x + 40, Inside(1, 2).y});
         },
         [] { return true; }},
        {"mouse moving off the cell", false, [&] { MoveOnTip(fitting); },
         [&] { return dialog.list.Saw(WM_MOUSEMOVE, 0, At(fitting)); }},
        {"a key", false, [&] { SendMessageA(tip, WM_KEYDOWN, VK_RIGHT, 1); },
         [&] {
             return dialog.list.Saw(WM_KEYDOWN, VK_RIGHT, 1) && dialog.notifications.size() == 1;
         }},
        {"a click on the tip: the list's click, the tip stays in the selection's colours", true,
         [&] {
             onList = onTip;
             MapWindowPoints(tip, list, &onList, 1);
             PlaceCursor(onList);
             SendMessageA(tip, WM_LBUTTONDOWN, MK_LBUTTON, At(onTip));
             SendMessageA(tip, WM_LBUTTONUP, 0, At(onTip));
         },
         [&] {
             return dialog.list.Saw(WM_LBUTTONDOWN, MK_LBUTTON, At(onList)) && Selected() == 1 &&
                    dialog.notifications.size() == 1 &&
                    dialog.list.TitleTip().BackgroundColour() == GetSysColor(COLOR_HIGHLIGHT);
         }},
        {"a click on the list's frame", false,
         [&] {
             RECT frame{};
             GetWindowRect(list, &frame);
             border = {frame.left, (frame.top + frame.bottom) / 2};
             borderHit = SendMessageA(list, WM_NCHITTEST, 0, At(border));
             SetCursorPos(border.x, border.y);
             POINT at = border;
             ScreenToClient(tip, &at);
             SendMessageA(tip, WM_LBUTTONDOWN, MK_LBUTTON, At(at));
         },
         [&] {
             return borderHit != HTCLIENT &&
                    dialog.list.Saw(WM_NCLBUTTONDOWN, borderHit, At(border));
         }},
        {"the list losing the focus", false, [&] { SetFocus(Button()); }, [] { return true; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dialog.list.seen.clear();
        dialog.notifications.clear();
        Select(-1);
        SetFocus(list);
        Hover(1, 2);
        ASSERT_TRUE(TipShown());
        c.act();
        EXPECT_EQ(TipShown(), c.stays);
        EXPECT_EQ(GetCapture() == tip, c.stays);
        Pump();
        EXPECT_TRUE(c.handedOn());
        for (const NMHDR& nm : dialog.notifications) {
            EXPECT_EQ(nm.hwndFrom, list);
            EXPECT_EQ(nm.idFrom, UINT_PTR{IDC_TEST_LIST});
        }
    }
}

TEST_F(ListCtrlExTest, AltClickAsksForLabelEditingInsteadOfClicking) {
    BYTE keys[256] = {};
    keys[VK_MENU] = keys[VK_LMENU] = 0x80;
    SetKeyboardState(keys);
    SetFocus(Button());
    RECT client{};
    GetClientRect(list, &client);
    const struct {
        POINT at;
        int edits;  // the row whose label editing is asked for, -1 none
    } cases[] = {{Inside(2, 1), 2}, {{20, static_cast<int>(client.bottom) - 3}, -1}};
    for (const auto& c : cases) {
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, At(c.at));
        MSG posted{};
        const bool asked = PeekMessageA(&posted, list, LVM_EDITLABELA, LVM_EDITLABELA, PM_REMOVE);
        SendMessageA(list, WM_LBUTTONUP, 0, At(c.at));
        Pump();
        EXPECT_EQ(Selected(), -1) << "no click";
        EXPECT_EQ(asked, c.edits >= 0);
        if (!asked) continue;
        EXPECT_EQ(posted.wParam, static_cast<WPARAM>(c.edits));
        EXPECT_EQ(GetFocus(), list);
    }
    EXPECT_TRUE(dialog.notifications.empty());
}

TEST_F(ListCtrlExTest, NoGdiObjectLeaksOverManyTipsAndRepaints) {
    auto cycle = [&] {
        Hover(1, 2);
        const bool shown = TipShown();
        MoveOnTip(Inside(0, 0));
        Pump();
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return shown;
    };
    cycle();
    const int before = test::CountGdiObjects();
    ASSERT_GT(before, 0);
    int shown = 0;
    for (int i = 0; i < 1000; ++i) shown += cycle();
    EXPECT_EQ(shown, 1000);
    EXPECT_EQ(test::CountGdiObjects(), before);
}

}  // namespace
