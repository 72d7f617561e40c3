// The control wrappers against real common controls: each check reads back, with the control's
// own messages, what a wrapper set, so a wrong argument order or a lost flag shows.
#include "framework/controls.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/dialog.h"
#include "resource.h"
#include "test_resources.h"

namespace {

HINSTANCE Instance() {
    return GetModuleHandleA(nullptr);
}

// A hidden popup holding the controls of one test, destroyed with them at the end.
class Host {
public:
    Host()
        : hwnd_(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                Instance(), nullptr)) {}
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    ~Host() { DestroyWindow(hwnd_); }

    HWND Child(const char* className, DWORD style, int width = 350, int height = 200) const {
        return CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | style, 0, 0, width, height,
                               hwnd_, nullptr, Instance(), nullptr);
    }
    HWND Get() const { return hwnd_; }

private:
    HWND hwnd_;
};

// A report list with the alarm list's three columns and a row per text of rows.
fw::ListView MakeList(const Host& host, std::initializer_list<const char*> rows) {
    const fw::ListView list(host.Child(WC_LISTVIEWA, LVS_REPORT | LVS_SHOWSELALWAYS));
    const char* const headings[] = {"Interval", "Count", "Message"};
    const int widths[] = {50, 60, 200};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.fmt = i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = widths[i];
        column.pszText = const_cast<char*>(headings[i]);
        column.iSubItem = i;
        EXPECT_EQ(list.InsertColumn(i, column), i);
    }
    int row = 0;
    for (const char* text : rows) {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = const_cast<char*>("");
        item.lParam = 100 + row;
        EXPECT_EQ(list.InsertItem(item), row);
        EXPECT_TRUE(list.SetItemText(row, 2, text));
        ++row;
    }
    return list;
}

std::string TextOf(const fw::ListView& list, int item, int subItem) {
    char buffer[256] = {};
    const int length = list.GetItemText(item, subItem, buffer, sizeof buffer);
    return std::string(buffer, static_cast<size_t>(length > 0 ? length : 0));
}

TEST(ListViewWrapper, ColumnsAndRowsReadBackThroughHeaderAndItems) {
    Host host;
    const fw::ListView list = MakeList(host, {"Alarm!", "Tea"});
    ASSERT_TRUE(list.Get());

    const fw::HeaderCtrl header = list.GetHeader();
    ASSERT_TRUE(header.Get());
    EXPECT_EQ(header.GetItemCount(), 3);
    HDITEMA hdi{};
    hdi.mask = HDI_WIDTH;
    ASSERT_TRUE(header.GetItem(2, hdi));
    EXPECT_EQ(hdi.cxy, 200);
    EXPECT_FALSE(header.GetItem(3, hdi));

    LVCOLUMNA column{};
    column.mask = LVCF_FMT;
    ASSERT_TRUE(list.GetColumn(1, column));
    EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);

    EXPECT_EQ(TextOf(list, 1, 2), "Tea");
    EXPECT_EQ(TextOf(list, 0, 2), "Alarm!");
    EXPECT_EQ(TextOf(list, 0, 0), "");
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = 1;
    ASSERT_TRUE(list.GetItem(item));
    EXPECT_EQ(item.lParam, 101);

    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(ListView_GetItemCount(list), 0);
}

TEST(ListViewWrapper, ACutTextSaysItWasCutAndAWholeOneGivesItsLength) {
    Host host;
    const fw::ListView list = MakeList(host, {"A message longer than eight"});
    // As the list's text reader passes its buffers: with a terminator after the size given.
    std::string buffer(8, 'x');
    EXPECT_GE(list.GetItemText(0, 2, buffer.data(), 8), 7) << "the caller must learn to retry";
    EXPECT_EQ(buffer.substr(0, 7), "A messa");
    buffer.assign(64, 'x');
    EXPECT_EQ(list.GetItemText(0, 2, buffer.data(), 64), 27);
    EXPECT_STREQ(buffer.c_str(), "A message longer than eight");
}

TEST(ListViewWrapper, ItemRectanglesFollowTheCodeAndHitTestFindsTheRow) {
    Host host;
    const fw::ListView list = MakeList(host, {"one", "two", "three"});
    RECT bounds{}, label{};
    ASSERT_TRUE(list.GetItemRect(1, LVIR_BOUNDS, bounds));
    ASSERT_TRUE(list.GetItemRect(1, LVIR_LABEL, label));
    EXPECT_EQ(bounds.right - bounds.left, 50 + 60 + 200) << "the whole row, all columns";
    EXPECT_LE(label.right, bounds.left + 50) << "the first column's text only";
    EXPECT_EQ(label.top, bounds.top);

    LVHITTESTINFO hit{};
    hit.pt = {bounds.left + 20, (bounds.top + bounds.bottom) / 2};
    EXPECT_EQ(list.HitTest(hit), 1);
    hit.pt = {bounds.left + 20, bounds.top + 20 * (bounds.bottom - bounds.top)};
    EXPECT_EQ(list.HitTest(hit), -1);
    RECT none{};
    EXPECT_FALSE(list.GetItemRect(7, LVIR_BOUNDS, none));
}

TEST(ListViewWrapper, StatesNextItemsAndTheSelectionMark) {
    Host host;
    const fw::ListView list = MakeList(host, {"a", "b", "c", "d"});
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
    EXPECT_EQ(list.GetSelectionMark(), -1);

    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    ListView_SetItemState(list, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(list, 3);
    EXPECT_EQ(list.GetItemState(1, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
    EXPECT_EQ(list.GetItemState(2, LVIS_SELECTED), 0u);
    EXPECT_EQ(list.GetItemState(3, LVIS_SELECTED | LVIS_FOCUSED),
              static_cast<UINT>(LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 1);
    EXPECT_EQ(list.GetNextItem(1, LVNI_SELECTED), 3) << "the search starts after the item given";
    EXPECT_EQ(list.GetNextItem(3, LVNI_SELECTED), -1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 3);
    EXPECT_EQ(list.GetSelectionMark(), 3);
}

TEST(ListViewWrapper, BackgroundColourAndImageLists) {
    Host host;
    const fw::ListView list = MakeList(host, {"a"});
    ListView_SetBkColor(list, RGB(12, 34, 56));
    EXPECT_EQ(list.GetBkColor(), RGB(12, 34, 56));

    EXPECT_EQ(list.GetImageList(LVSIL_SMALL), nullptr);
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
    ListView_SetImageList(list, images, LVSIL_SMALL);
    EXPECT_EQ(list.GetImageList(LVSIL_SMALL), images);
    EXPECT_EQ(list.GetImageList(LVSIL_STATE), nullptr) << "each list is asked for by its own kind";
    DestroyWindow(list);
    ImageList_Destroy(images);
}

TEST(TrackbarWrapper, RangeBoundsThePositionAndTheThumbFollowsIt) {
    Host host;
    const fw::Trackbar slider(host.Child(TRACKBAR_CLASSA, TBS_HORZ, 300, 30));
    ASSERT_TRUE(slider.Get());
    slider.SetRangeMin(0, false);
    slider.SetRangeMax(100, false);
    EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0), 100);

    slider.SetPos(150, true);
    EXPECT_EQ(slider.GetPos(), 100) << "held in the range";
    slider.SetPos(10, true);
    EXPECT_EQ(slider.GetPos(), 10);
    const RECT low = slider.GetThumbRect();
    slider.SetPos(90, true);
    const RECT high = slider.GetThumbRect();
    EXPECT_GT(low.right, low.left);
    EXPECT_GT(high.left, low.left) << "a higher position puts the thumb further right";
}

TEST(UpDownWrapper, RangePositionsAndBuddy) {
    Host host;
    const fw::UpDown spin(host.Child(UPDOWN_CLASSA, 0, 20, 24));
    ASSERT_TRUE(spin.Get());
    spin.SetRange(0, 1000);
    INT lower = -1, upper = -1;
    SendMessageA(spin, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                 reinterpret_cast<LPARAM>(&upper));
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 1000) << "the bounds must not arrive swapped";

    spin.SetPos(500);
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 500);
    spin.SetPos32(731);
    EXPECT_EQ(SendMessageA(spin, UDM_GETPOS32, 0, 0), 731);

    HWND first = host.Child("EDIT", 0, 60, 24);
    HWND second = host.Child("EDIT", 0, 60, 24);
    EXPECT_EQ(spin.SetBuddy(first), nullptr);
    EXPECT_EQ(spin.GetBuddy(), first);
    EXPECT_EQ(spin.SetBuddy(second), first) << "the previous buddy comes back";
    EXPECT_EQ(spin.GetBuddy(), second);
}

TEST(DateTimePickerWrapper, TheMomentSetIsTheMomentRead) {
    Host host;
    const fw::DateTimePicker picker(host.Child(DATETIMEPICK_CLASSA, DTS_SHORTDATEFORMAT, 200, 24));
    ASSERT_TRUE(picker.Get());
    EXPECT_TRUE(picker.SetFormat("yyyy'-'MM'-'dd' 'HH':'mm"));

    SYSTEMTIME set{};
    set.wYear = 2031;
    set.wMonth = 7;
    set.wDay = 14;
    set.wDayOfWeek = 1;
    set.wHour = 17;
    set.wMinute = 42;
    ASSERT_TRUE(picker.SetSystemTime(set));
    SYSTEMTIME read{};
    EXPECT_EQ(picker.GetSystemTime(read), static_cast<DWORD>(GDT_VALID));
    EXPECT_EQ(read.wYear, 2031);
    EXPECT_EQ(read.wMonth, 7);
    EXPECT_EQ(read.wDay, 14);
    EXPECT_EQ(read.wHour, 17);
    EXPECT_EQ(read.wMinute, 42);
}

TEST(EditWrapper, SelectionToMinusOneRunsToTheEnd) {
    Host host;
    const fw::Edit edit(host.Child("EDIT", ES_AUTOHSCROLL, 100, 24));
    SetWindowTextA(edit, "12345");
    edit.SetSel(0, -1);
    DWORD start = 99, end = 99;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 5u);
    edit.SetSel(2, 3);
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 3u);
}

TEST(AnimationWrapper, OpensTheProgramsClipAndRefusesAMissingOne) {
    Host host;
    const fw::Animation clip(host.Child(ANIMATE_CLASSA, ACS_TRANSPARENT, 60, 60));
    ASSERT_TRUE(clip.Get());
    EXPECT_FALSE(clip.Open(9998));
    ASSERT_TRUE(clip.Open(IDR_SYNC_AVI));
    EXPECT_TRUE(clip.Play(fw::Animation::kForever, 0, fw::Animation::kLastFrame));
    EXPECT_TRUE(clip.Stop());
    EXPECT_TRUE(clip.Play(0, 0, 0));
}

TEST(ToolTipWrapper, ToolsAreAddedOnceAndTheirTextUpdated) {
    Host host;
    HWND owner = host.Child("BUTTON", BS_PUSHBUTTON, 80, 24);
    const fw::ToolTip tip(CreateWindowExA(
        WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, Instance(), nullptr));
    ASSERT_TRUE(tip.Get());
    EXPECT_EQ(tip.SetMaxTipWidth(400), -1) << "no width before";
    EXPECT_EQ(tip.SetMaxTipWidth(400), 400);

    char first[] = "First text";
    TOOLINFOA ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = owner;
    ti.uId = 1;
    ti.hinst = Instance();
    ti.lpszText = first;
    GetClientRect(owner, &ti.rect);
    EXPECT_EQ(tip.GetToolCount(), 0);
    ASSERT_TRUE(tip.AddTool(ti));
    EXPECT_EQ(tip.GetToolCount(), 1);

    char second[] = "Second text";
    ti.lpszText = second;
    tip.UpdateTipText(ti);
    char read[64] = {};
    TOOLINFOA query{};
    query.cbSize = sizeof query;
    query.hwnd = owner;
    query.uId = 1;
    query.lpszText = read;
    SendMessageA(tip, TTM_GETTEXTA, sizeof read, reinterpret_cast<LPARAM>(&query));
    EXPECT_STREQ(read, "Second text");
    EXPECT_EQ(tip.GetToolCount(), 1);
    DestroyWindow(tip);
}

TEST(WindowMessages, FontAndIconsReadBack) {
    Host host;
    HWND label = host.Child("STATIC", SS_LEFT, 80, 24);
    HFONT font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    fw::SetFont(label, font, false);
    EXPECT_EQ(fw::GetFont(label), font);

    HICON big = LoadIconA(nullptr, MAKEINTRESOURCEA(32516));        // IDI_INFORMATION
    HICON smallIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32515));  // IDI_WARNING
    HWND frame = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_CAPTION, 0, 0, 100, 100, nullptr,
                                 nullptr, Instance(), nullptr);
    EXPECT_EQ(fw::SetIcon(frame, big, true), nullptr);
    EXPECT_EQ(fw::SetIcon(frame, smallIcon, false), nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(frame, WM_GETICON, ICON_BIG, 0)), big);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(frame, WM_GETICON, ICON_SMALL, 0)), smallIcon);
    EXPECT_EQ(fw::SetIcon(frame, smallIcon, true), big) << "the one replaced comes back";
    DestroyWindow(frame);
}

TEST(WindowMessages, NextDlgCtlFocusesTheControlGivenAndMakesItTheDefaultButton) {
    fw::CDialog dialog(IDD_TEST_DIALOG);
    ASSERT_TRUE(dialog.Create());
    HWND dlg = dialog.GetSafeHwnd();
    ShowWindow(dlg, SW_SHOW);
    SetForegroundWindow(dlg);
    HWND edit = GetDlgItem(dlg, IDC_TEST_EDIT);
    HWND button = GetDlgItem(dlg, IDC_TEST_BUTTON);
    SetFocus(edit);
    ASSERT_EQ(GetFocus(), edit);

    fw::NextDlgCtl(dlg, button);
    EXPECT_EQ(GetFocus(), button) << "the handle given, not the next or previous tab stop";
    EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dlg, IDOK), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    dialog.DestroyWindow();
}

}  // namespace
