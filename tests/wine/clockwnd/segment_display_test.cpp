#include "ui/clockwnd/segment_display.h"

#include <gtest/gtest.h>

#include <string>

#include "controls/gdi_objects.h"
#include "controls/test_picture_dialog.h"
#include "framework/dialog.h"
#include "test_resources.h"

using namespace ui;  // the layer under test

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kDefaultLit = RGB(0, 255, 0), kDefaultUnlit = RGB(0, 128, 0);
constexpr COLORREF kDefaultLitPen = RGB(0, 191, 0), kDefaultUnlitPen = RGB(0, 96, 0);

class SegmentDialog : public fw::CDialog {
public:
    SegmentDialog() : fw::CDialog(IDD_TEST_SEGMENT) {}
    CSegmentDisplay display;

protected:
    BOOL OnInitDialog() override {
        fw::CDialog::OnInitDialog();
        display.SubclassDlgItem(IDC_TEST_SEGMENT, m_hWnd);
        return TRUE;
    }
};

struct Probe {
    int x, y;
    COLORREF colour;
    const char* what;
};

class SegmentDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.Create());
        ASSERT_TRUE(display().GetSafeHwnd());
        SetWindowPos(dialog.GetSafeHwnd(), HWND_TOP, 20, 20, 420, 200,
                     SWP_SHOWWINDOW | SWP_NOACTIVATE);
    }
    void TearDown() override { dialog.DestroyWindow(); }

    CSegmentDisplay& display() { return dialog.display; }
    HWND hwnd() { return display().GetSafeHwnd(); }

    void Show(const std::string& text, DWORD style, int w, int h) {
        display().SetText(text);
        display().ModifyDisplayStyle(~style, style);
        SetWindowPos(hwnd(), nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(hwnd(), nullptr, TRUE);
        UpdateWindow(hwnd());
    }
    // What the screen shows (the double-buffered paint) and what the control prints must agree
    // with every probe.
    void Expect(std::initializer_list<Probe> probes) {
        const fw::WindowDC screen(hwnd());
        const test::Capture printed(hwnd());
        for (const Probe& p : probes) {
            SCOPED_TRACE(std::string(p.what) + " at " + std::to_string(p.x) + "," +
                         std::to_string(p.y));
            EXPECT_EQ(GetPixel(screen, p.x, p.y), p.colour) << "on screen";
            EXPECT_EQ(printed.At(p.x, p.y), p.colour) << "printed";
        }
    }
    bool NeedsPaint() { return GetUpdateRect(hwnd(), nullptr, FALSE) != FALSE; }

    SegmentDialog dialog;
};

TEST_F(SegmentDisplayTest, RepaintsOnlyWhenSomethingChanged) {
    const struct {
        const char* what;
        void (*change)(CSegmentDisplay&);
        bool repaints;
    } cases[] = {
        {"same text", [](CSegmentDisplay& d) { d.SetText("EMPTY"); }, false},
        {"text differing in case", [](CSegmentDisplay& d) { d.SetText("empty"); }, true},
        {"new text", [](CSegmentDisplay& d) { d.SetText("12:34"); }, true},
        {"same colours", [](CSegmentDisplay& d) { d.SetColors(kDefaultUnlit, kDefaultLit); },
         false},
        {"new lit colour", [](CSegmentDisplay& d) { d.SetColors(kDefaultUnlit, RGB(255, 0, 0)); },
         true},
        {"same background", [](CSegmentDisplay& d) { d.SetBackground(kBlack); }, false},
        {"new background", [](CSegmentDisplay& d) { d.SetBackground(RGB(1, 2, 3)); }, true},
        {"refused style", [](CSegmentDisplay& d) { d.ModifyDisplayStyle(2, 2); }, false},
        {"new style", [](CSegmentDisplay& d) { d.ModifyDisplayStyle(0, 2); }, true},
    };
    EXPECT_EQ(display().GetText(), "EMPTY");
    for (const auto& c : cases) {
        ValidateRect(hwnd(), nullptr);
        c.change(display());
        EXPECT_EQ(NeedsPaint(), c.repaints) << c.what;
    }
    EXPECT_FALSE(display().ModifyDisplayStyle(1, 1));
    EXPECT_EQ(display().GetDisplayStyle(), 6u) << "the default 4, then 2 added";
}

TEST_F(SegmentDisplayTest, LitAndUnlitSegmentsAtOnePixelPerUnit) {
    // Stretched seven segments, 49 × 83 pixels: units are pixels. "1" lights the right
    // verticals (x 37..44); the left ones (x 4..11) stay unlit.
    Show("1", 0, 49, 83);
    Expect({
        {40, 25, kDefaultLit, "upper right inside"},
        {40, 60, kDefaultLit, "lower right inside"},
        {44, 25, kDefaultLitPen, "upper right outline"},
        {7, 25, kDefaultUnlit, "upper left inside"},
        {4, 25, kDefaultUnlitPen, "upper left outline"},
        {24, 8, kDefaultUnlit, "top inside"},
        {24, 25, kBlack, "between the verticals"},
        {0, 0, kBlack, "corner"},
    });
    // Twice the size: every shape doubles.
    Show("1", 0, 98, 166);
    Expect({
        {80, 50, kDefaultLit, "upper right inside"},
        {14, 50, kDefaultUnlit, "upper left inside"},
        {8, 50, kDefaultUnlitPen, "upper left outline"},
        {48, 50, kBlack, "between the verticals"},
    });
}

TEST_F(SegmentDisplayTest, ClockTextIsCentredAtItsAspectRatio) {
    // 183 units in 366 × 83 pixels at the clock's style: one pixel per unit, 91.5 pixels of
    // background on either side.
    Show("12::5", 6, 366, 83);
    EXPECT_EQ(display().GlyphCount(), 5u);
    Expect({
        {198, 27, kDefaultLit, "first colon, upper dot"},
        {198, 55, kDefaultLit, "first colon, lower dot"},
        {198, 72, kDefaultUnlit, "first colon, decimal point"},
        {132, 30, kDefaultLit, "\"1\" upper right vertical"},
    });
    const test::Capture shot(hwnd());
    EXPECT_EQ(shot.CountIn({0, 0, 92, 83}, kBlack), 92 * 83) << "left margin";
    EXPECT_EQ(shot.CountIn({275, 0, 366, 83}, kBlack), 91 * 83) << "right margin";
    EXPECT_GT(shot.CountIn({92, 0, 275, 83}, kDefaultLit), 500);
}

TEST_F(SegmentDisplayTest, ColoursOfSegmentsOutlinesAndBackground) {
    display().SetColors(RGB(52, 0, 0), RGB(255, 0, 0));
    display().SetBackground(RGB(0, 0, 80));
    Show("1", 0, 49, 83);
    // Outlines take a quarter of the background: (0.75 × 255, 0, 0.25 × 80) and
    // (0.75 × 52, 0, 0.25 × 80), truncated.
    Expect({
        {40, 25, RGB(255, 0, 0), "lit inside"},
        {44, 25, RGB(191, 0, 20), "lit outline"},
        {7, 25, RGB(52, 0, 0), "unlit inside"},
        {4, 25, RGB(39, 0, 20), "unlit outline"},
        {24, 25, RGB(0, 0, 80), "background"},
    });
}

TEST_F(SegmentDisplayTest, TextBecomesCapitalsAndUnknownCharactersAreSkipped) {
    const struct {
        const char* text;
        const char* stored;
        std::size_t glyphs;
    } cases[] = {
        {"alarm", "ALARM", 5},
        {"a,b", "A,B", 2},
        {"12::5", "12::5", 5},
        {"", "", 0},
    };
    for (const auto& c : cases) {
        Show(c.text, 6, 200, 83);
        EXPECT_EQ(display().GetText(), c.stored);
        EXPECT_EQ(display().GlyphCount(), c.glyphs) << c.text;
    }
    // Nothing to show: only the background.
    const test::Capture shot(hwnd());
    EXPECT_EQ(shot.CountIn({0, 0, 200, 83}, kBlack), 200 * 83);
    // Erasing is left to the paint, which covers every pixel.
    EXPECT_EQ(SendMessageA(hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(shot.Dc()), 0), 0);
}

TEST_F(SegmentDisplayTest, WindowTextAndDisablingDoNotDrawOverTheSegments) {
    Show("8", 0, 49, 83);
    SetWindowTextA(hwnd(), "8 8 8 8 8 8 8 8");
    EnableWindow(hwnd(), FALSE);
    const fw::WindowDC screen(hwnd());
    int segmentPixels = 0;
    for (int y = 0; y < 83; ++y)
        for (int x = 0; x < 49; ++x) segmentPixels += GetPixel(screen, x, y) == kDefaultLit;
    EXPECT_GT(segmentPixels, 700);
    char text[32] = {};
    GetWindowTextA(hwnd(), text, sizeof text);
    EXPECT_STREQ(text, "8 8 8 8 8 8 8 8") << "the window text itself is kept";
}

TEST_F(SegmentDisplayTest, ThousandRepaintsLeakNoGdiObject) {
    const char* texts[] = {"12:34", "ALARM", "", "7::15::120"};
    auto round = [&](int i) {
        display().SetText(texts[i % 4]);
        display().SetColors(RGB(i % 256, 0, 0), RGB(0, 255, i % 256));
        display().SetBackground(RGB(0, 0, i % 3));
        if (i % 50 == 0) display().ModifyDisplayStyle(i % 100 ? 1 : 0, i % 100 ? 0 : 1);
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        const test::Capture printed(hwnd());
    };
    Show("", 6, 300, 100);
    for (int i = 0; i < 20; ++i) round(i);
    const int before = test::CountGdiObjects();
    ASSERT_GT(before, 0);
    for (int i = 0; i < 1000; ++i) round(i);
    EXPECT_EQ(test::CountGdiObjects(), before);
}

}  // namespace
