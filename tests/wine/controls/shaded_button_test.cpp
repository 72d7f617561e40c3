#include <gtest/gtest.h>

#include "controls/test_picture_dialog.h"

using namespace ui;  // the layer under test

namespace {

// The colour a face image puts at client pixel x, y (rows are stored bottom-up).
COLORREF FaceColour(const CPaletteDib& face, int x, int y) {
    const horolux::PaletteImage& img = face.Image();
    const int index = img.Row(img.Height() - 1 - y)[x];
    const horolux::PaletteEntry& e = img.Palette()[static_cast<size_t>(index)];
    return RGB(e.red, e.green, e.blue);
}

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

class ShadedButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.Open());
        button = dialog.sync.GetSafeHwnd();
        RECT rc{};
        GetClientRect(button, &rc);
        w = rc.right;
        h = rc.bottom;
        ASSERT_GT(w, 10);
        ASSERT_GT(h, 10);
    }
    void TearDown() override {
        if (GetCapture()) ReleaseCapture();
        dialog.Close();
    }
    void Hover() { SendMessageA(button, WM_MOUSEMOVE, 0, At(w / 2, h / 2)); }

    test::PictureDialog dialog;
    HWND button = nullptr;
    int w = 0, h = 0;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
};

TEST_F(ShadedButtonTest, AttachingMakesItOwnerDrawnAndStyleChangesKeepItSo) {
    EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    SendMessageA(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    const LRESULT code = SendMessageA(button, WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(code & DLGC_UNDEFPUSHBUTTON);
    EXPECT_FALSE(code & DLGC_DEFPUSHBUTTON);
}

TEST(ShadedButtonDefault, TheTemplatesDefaultButtonStaysTheDefault) {
    test::PictureDialog dialog;
    ASSERT_TRUE(dialog.Create());
    // The template's Close button made the default one before it is taken over.
    HWND close = GetDlgItem(dialog.GetSafeHwnd(), IDCANCEL);
    SetWindowLongA(close, GWL_STYLE,
                   (GetWindowLongA(close, GWL_STYLE) & ~BS_TYPEMASK) | BS_DEFPUSHBUTTON);
    ASSERT_TRUE(dialog.close.SubclassDlgItem(IDCANCEL, dialog.GetSafeHwnd()));
    const LRESULT code = SendMessageA(close, WM_GETDLGCODE, 0, 0);
    EXPECT_TRUE(code & DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongA(close, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    dialog.Close();
}

TEST_F(ShadedButtonTest, FacesAreBuiltAtTheButtonsSize) {
    for (bool hover : {false, true}) {
        const horolux::PaletteImage& img = dialog.sync.Face(hover).Image();
        EXPECT_EQ(img.Width(), w);
        EXPECT_EQ(img.Height(), h);
        EXPECT_EQ(img.BitsPerPixel(), 8);
    }
    // The hover face is the normal one, lighter.
    const auto& normal = dialog.sync.Face(false).Image();
    const auto& hover = dialog.sync.Face(true).Image();
    EXPECT_EQ(normal.Pixels(), hover.Pixels());
    EXPECT_GE(hover.Palette()[0].red, normal.Palette()[0].red);
    EXPECT_NE(hover.Palette()[0], normal.Palette()[0]);
}

TEST_F(ShadedButtonTest, FlatHoverAndPressedFacesAndEdges) {
    const CPaletteDib& normal = dialog.sync.Face(false);
    const CPaletteDib& hover = dialog.sync.Face(true);
    struct Probe {
        int x, y;
    };
    const Probe corners[] = {{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}};
    {
        SCOPED_TRACE("flat: the normal face to the edge, no frame");
        test::Capture shot(button);
        for (const Probe& p : corners) EXPECT_EQ(shot.At(p.x, p.y), FaceColour(normal, p.x, p.y));
        EXPECT_EQ(shot.At(2, 2), FaceColour(normal, 2, 2));
    }
    Hover();
    ASSERT_TRUE(dialog.sync.IsHovering());
    {
        SCOPED_TRACE("hover: the lighter face inside a raised frame");
        test::Capture shot(button);
        EXPECT_EQ(shot.At(0, 0), light);
        EXPECT_EQ(shot.At(0, h - 2), light);
        EXPECT_EQ(shot.At(w - 1, h - 1), shadow);
        EXPECT_EQ(shot.At(w - 1, 0), shadow);
        EXPECT_EQ(shot.At(2, 2), FaceColour(hover, 2, 2));
    }
    SendMessageA(button, BM_SETSTATE, TRUE, 0);
    {
        SCOPED_TRACE("pressed: the face shifted by one inside a sunken frame");
        test::Capture shot(button);
        EXPECT_EQ(shot.At(0, 0), shadow);
        EXPECT_EQ(shot.At(w - 1, h - 1), light);
        EXPECT_EQ(shot.At(3, 3), FaceColour(hover, 2, 2));
        EXPECT_EQ(shot.At(w - 3, 4), FaceColour(hover, w - 4, 3));
    }
    SendMessageA(button, BM_SETSTATE, FALSE, 0);
    SendMessageA(button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(dialog.sync.IsHovering());
    test::Capture shot(button);
    EXPECT_EQ(shot.At(0, 0), FaceColour(normal, 0, 0));
}

TEST_F(ShadedButtonTest, DraggingOffKeepsTheSunkenEdgeWithTheNormalFace) {
    Hover();
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, At(w / 2, h / 2));
    SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, At(w + 40, h + 40));
    EXPECT_FALSE(dialog.sync.IsHovering());
    {
        test::Capture shot(button);
        EXPECT_EQ(shot.At(0, 0), shadow);
        EXPECT_EQ(shot.At(w - 1, h - 1), light);
        EXPECT_EQ(shot.At(2, 2), FaceColour(dialog.sync.Face(false), 2, 2));
    }
    SendMessageA(button, WM_LBUTTONUP, 0, At(w + 40, h + 40));
    EXPECT_TRUE(dialog.commands.empty()) << "released off the button: no click";
    test::Capture shot(button);
    EXPECT_EQ(shot.At(0, 0), FaceColour(dialog.sync.Face(false), 0, 0));
}

TEST_F(ShadedButtonTest, CaptionIsEmbossedWhenDisabled) {
    // The middle band of the face is close to the face colour; the caption is drawn there.
    const RECT band{2, h / 4, w - 2, h - h / 4};
    const COLORREF text = GetSysColor(COLOR_BTNTEXT);
    {
        test::Capture shot(button);
        EXPECT_GT(shot.CountIn(band, text), 10);
    }
    EnableWindow(button, FALSE);
    test::Capture shot(button);
    EXPECT_EQ(shot.CountIn(band, text), 0);
    EXPECT_GT(shot.CountIn(band, shadow), 10);
    EXPECT_GT(shot.CountIn(band, light), 10);
}

TEST_F(ShadedButtonTest, HoverStartsOverTheButtonAndEndsOnLeaveFocusLossAndCancel) {
    SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, At(w / 2, h / 2));
    EXPECT_FALSE(dialog.sync.IsHovering()) << "held down from elsewhere: no hover";
    Hover();
    EXPECT_TRUE(dialog.sync.IsHovering());
    SendMessageA(button, WM_MOUSEMOVE, 0, At(-30, -30));
    EXPECT_FALSE(dialog.sync.IsHovering()) << "another window under the cursor";

    const UINT enders[] = {WM_MOUSELEAVE, WM_KILLFOCUS, WM_CANCELMODE};
    for (UINT msg : enders) {
        Hover();
        ASSERT_TRUE(dialog.sync.IsHovering());
        SendMessageA(button, msg, 0, 0);
        EXPECT_FALSE(dialog.sync.IsHovering()) << "message " << msg;
    }
}

TEST_F(ShadedButtonTest, DisablingEndsHoverAndHandsTheFocusOn) {
    SetFocus(button);
    ASSERT_EQ(GetFocus(), button);
    Hover();
    EnableWindow(button, FALSE);
    EXPECT_FALSE(dialog.sync.IsHovering());
    EXPECT_NE(GetFocus(), button);
    EXPECT_TRUE(GetFocus() == dialog.GetSafeHwnd() || IsChild(dialog.GetSafeHwnd(), GetFocus()));
}

TEST_F(ShadedButtonTest, DoubleClickCountsAsASecondPress) {
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, At(5, 5));
    SendMessageA(button, WM_LBUTTONDBLCLK, MK_LBUTTON, At(5, 5));
    SendMessageA(button, WM_LBUTTONUP, 0, At(5, 5));
    ASSERT_EQ(dialog.commands.size(), 2u);
    for (WPARAM wp : dialog.commands) EXPECT_EQ(wp, MAKEWPARAM(IDC_SYNC, BN_CLICKED));
    EXPECT_EQ(GetFocus(), button) << "a click takes the focus";
}

TEST_F(ShadedButtonTest, TooltipCarriesOneToolWithTheText) {
    const struct {
        CShadedButton* b;
        const char* text;
    } cases[] = {
        {&dialog.sync, "Sync the PC clock from Internet"},
        {&dialog.close, "Close/Hide this window"},
        {&dialog.exit, "Exit the application!"},
    };
    for (const auto& c : cases) {
        HWND tip = c.b->TooltipWindow();
        ASSERT_TRUE(tip);
        EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
        EXPECT_EQ(SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), 400);
        char text[128] = {};
        TOOLINFOA ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = c.b->GetSafeHwnd();
        ti.uId = 1;
        ti.lpszText = text;
        SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&ti));
        EXPECT_STREQ(text, c.text);
    }
    dialog.sync.SetTooltipText("Another text");
    EXPECT_EQ(SendMessageA(dialog.sync.TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0), 1);
}

}  // namespace
