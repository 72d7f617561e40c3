#include <gtest/gtest.h>

#include "controls/gdi_objects.h"
#include "controls/test_picture_dialog.h"

using namespace ui;  // the layer under test

namespace {

// The picture's own colour at x, y from its top left.
COLORREF PictureColour(const CDibPicture& pic, int x, int y) {
    const BITMAPINFO* info = pic.Info();
    const int stride = ((pic.Width() * pic.BitsPerPixel() + 31) / 32) * 4;
    const uint8_t* row = pic.Bits().data() + static_cast<size_t>(pic.Height() - 1 - y) * stride;
    if (pic.BitsPerPixel() == 24) return RGB(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]);
    const int index =
        pic.BitsPerPixel() == 4 ? (x % 2 ? row[x / 2] & 0xF : row[x / 2] >> 4) : row[x];
    const RGBQUAD& q = info->bmiColors[index];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

RECT ClientOf(HWND hwnd) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    return rc;
}

class PictureDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dialog.Open()); }
    void TearDown() override { dialog.Close(); }
    HWND Hwnd() const { return dialog.GetSafeHwnd(); }
    test::PictureDialog dialog;
};

TEST_F(PictureDialogTest, LoadsBothBitmapsAndKeepsThePictureWhenOneIsMissing) {
    const CDibPicture& pic = dialog.Picture();
    EXPECT_EQ(pic.Width(), 448);
    EXPECT_EQ(pic.Height(), 270);
    EXPECT_EQ(pic.BitsPerPixel(), 24);
    EXPECT_EQ(pic.Palette(), nullptr) << "a 24-bit picture needs no palette";
    EXPECT_EQ(pic.Bits().size(), 448u * 3 * 270);

    ASSERT_TRUE(dialog.SetBitmap(IDB_PATTERN, ui::CPictureDialog::kTile));
    EXPECT_EQ(pic.Width(), 8);
    EXPECT_EQ(pic.Height(), 8);
    EXPECT_EQ(pic.BitsPerPixel(), 4);
    EXPECT_EQ(pic.Bits().size(), 8u * 4);
    ASSERT_NE(pic.Palette(), nullptr);
    WORD entries = 0;
    GetObjectA(pic.Palette(), sizeof entries, &entries);
    EXPECT_EQ(entries, 16);

    EXPECT_FALSE(dialog.SetBitmap(9999, ui::CPictureDialog::kCentre));
    EXPECT_EQ(pic.Width(), 8) << "the old picture stays";
    EXPECT_EQ(dialog.Mode(), CPictureDialog::kCentre);
}

TEST_F(PictureDialogTest, StretchCoversTheClientArea) {
    const RECT rc = ClientOf(Hwnd());
    const test::Capture bg(Hwnd(), test::Capture::kBackground);
    const CDibPicture& pic = dialog.Picture();
    EXPECT_EQ(bg.At(0, 0), PictureColour(pic, 0, 0));
    EXPECT_EQ(bg.At(rc.right - 1, rc.bottom - 1), PictureColour(pic, 447, 269));
    EXPECT_EQ(bg.At(rc.right - 1, 0), PictureColour(pic, 447, 0));
    EXPECT_EQ(bg.At(0, rc.bottom - 1), PictureColour(pic, 0, 269));
}

TEST_F(PictureDialogTest, TileRepeatsThePatternOverTheWholeArea) {
    ASSERT_TRUE(dialog.SetBitmap(IDB_PATTERN, ui::CPictureDialog::kTile));
    const RECT rc = ClientOf(Hwnd());
    const test::Capture bg(Hwnd(), test::Capture::kBackground);
    int mismatches = 0;
    for (int y = 0; y < rc.bottom; ++y)
        for (int x = 0; x < rc.right; ++x)
            mismatches += bg.At(x, y) != PictureColour(dialog.Picture(), x % 8, y % 8);
    EXPECT_EQ(mismatches, 0);
}

TEST_F(PictureDialogTest, CentreDrawsThePictureOnceInTheMiddle) {
    ASSERT_TRUE(dialog.SetBitmap(IDB_PATTERN, ui::CPictureDialog::kCentre));
    const RECT rc = ClientOf(Hwnd());
    const test::Capture bg(Hwnd(), test::Capture::kBackground);
    const int left = (rc.right - 8) / 2, top = (rc.bottom - 8) / 2;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(bg.At(left + x, top + y), PictureColour(dialog.Picture(), x, y));
    EXPECT_EQ(bg.At(2, 2), GetSysColor(COLOR_BTNFACE)) << "plain dialog colour around it";
}

TEST_F(PictureDialogTest, ControlsAreTransparentExceptSliders) {
    HWND slider = CreateWindowExA(0, TRACKBAR_CLASSA, "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 24,
                                  Hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(slider);
    const HBRUSH hollow = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    test::Capture scratch(4, 4);
    const struct {
        UINT msg;
        HWND control;
        bool transparent;
    } cases[] = {
        {WM_CTLCOLORSTATIC, GetDlgItem(Hwnd(), IDC_LAST_SYNC), true},
        {WM_CTLCOLORSTATIC, GetDlgItem(Hwnd(), IDC_AUTOSTART), true},
        {WM_CTLCOLORBTN, GetDlgItem(Hwnd(), IDC_SYNC), true},
        {WM_CTLCOLORSTATIC, slider, false},
    };
    for (const auto& c : cases) {
        SetBkMode(scratch.Dc(), OPAQUE);
        const auto brush = reinterpret_cast<HBRUSH>(
            SendMessageA(Hwnd(), c.msg, reinterpret_cast<WPARAM>(scratch.Dc()),
                         reinterpret_cast<LPARAM>(c.control)));
        EXPECT_EQ(brush == hollow, c.transparent) << c.msg;
        EXPECT_EQ(GetBkMode(scratch.Dc()) == TRANSPARENT, c.transparent) << c.msg;
    }
    DestroyWindow(slider);
}

TEST(PictureDialogWithoutPicture, ColoursAndErasesAsAPlainDialog) {
    test::PictureDialog dialog;
    ASSERT_TRUE(dialog.Open(false));
    test::Capture scratch(4, 4);
    const auto brush = SendMessageA(
        dialog.GetSafeHwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(scratch.Dc()),
        reinterpret_cast<LPARAM>(GetDlgItem(dialog.GetSafeHwnd(), IDC_LAST_SYNC)));
    EXPECT_NE(reinterpret_cast<HBRUSH>(brush), GetStockObject(NULL_BRUSH));
    const test::Capture bg(dialog.GetSafeHwnd(), test::Capture::kBackground);
    EXPECT_EQ(bg.At(5, 5), GetSysColor(COLOR_BTNFACE));
    dialog.Close();
}

TEST_F(PictureDialogTest, StaticsAndCheckBoxesShowThePictureThrough) {
    const test::Capture bg(Hwnd(), test::Capture::kBackground);
    // A corner of each control where it draws no text or box: it must be the picture there.
    const UINT ids[] = {IDC_LAST_SYNC, IDC_STATUS, IDC_AUTOSTART, IDC_SYNC_ON_CONNECT};
    for (UINT id : ids) {
        HWND control = GetDlgItem(Hwnd(), static_cast<int>(id));
        RECT rc{};
        GetWindowRect(control, &rc);
        MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&rc), 2);
        const test::Capture shot(control);
        const int x = rc.right - rc.left - 3, y = rc.bottom - rc.top - 3;
        EXPECT_EQ(shot.At(x, y), bg.At(rc.left + x, rc.top + y)) << "control " << id;
    }
}

TEST(GdiObjectCount, SeesObjectsComeAndGo) {
    const int before = test::CountGdiObjects();
    ASSERT_GT(before, 0);
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 25; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 2, 3)));
    EXPECT_EQ(test::CountGdiObjects(), before + 25);
    for (HBRUSH b : brushes) DeleteObject(b);
    EXPECT_EQ(test::CountGdiObjects(), before);
}

TEST_F(PictureDialogTest, ThousandRepaintsLeakNoGdiObject) {
    HWND sync = dialog.sync.GetSafeHwnd();
    RECT rc{};
    GetClientRect(sync, &rc);
    const LPARAM middle = MAKELPARAM(rc.right / 2, rc.bottom / 2);
    // Each round paints the dialog, every control and each button state.
    auto round = [&](int i) {
        if (i % 100 == 50) dialog.SetBitmap(IDB_PATTERN, CPictureDialog::kTile);
        if (i % 100 == 0) dialog.SetBitmap(IDB_BACKGROUND, CPictureDialog::kStretch);
        SendMessageA(sync, WM_MOUSEMOVE, 0, i % 3 ? middle : MAKELPARAM(-20, -20));
        SendMessageA(sync, BM_SETSTATE, i % 4 == 0, 0);
        if (i % 10 == 5) EnableWindow(sync, FALSE);
        if (i % 10 == 6) EnableWindow(sync, TRUE);
        dialog.Repaint();
    };
    // Caches and first-draw surfaces settle; both pictures are shown once, since the brush
    // behind the animation control is kept per picture for the dialog's life.
    for (int i = 0; i <= 100; ++i) round(i);
    const int before = test::CountGdiObjects();
    const int erasesBefore = dialog.erases, drawsBefore = dialog.drawItems;
    // Round 1000 goes back to the stretched picture the count was taken with: the pattern's
    // palette and tile brush are alive only while it is shown.
    for (int i = 0; i <= 1000; ++i) round(i);
    EXPECT_GE(dialog.erases - erasesBefore, 1000) << "the background was really painted";
    EXPECT_GE(dialog.drawItems - drawsBefore, 3000) << "and the three buttons";
    EXPECT_EQ(test::CountGdiObjects(), before);
}

TEST(PictureDialogLifetime, OpeningAndClosingLeaksNoGdiObject) {
    auto cycle = [] {
        test::PictureDialog dialog;
        ASSERT_TRUE(dialog.Open());
        dialog.SetBitmap(IDB_PATTERN, CPictureDialog::kTile);
        dialog.Repaint();
        dialog.Close();
    };
    // The first dialogs of a process set up fonts and caches that stay.
    for (int i = 0; i < 3; ++i) cycle();
    const int before = test::CountGdiObjects();
    for (int i = 0; i < 20; ++i) cycle();
    EXPECT_EQ(test::CountGdiObjects(), before);
}

}  // namespace
