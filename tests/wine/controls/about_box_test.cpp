#include "ui/controls/about_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "controls/gdi_objects.h"
#include "framework/app.h"

using namespace ui;  // the layer under test

namespace {

// Pumps until a timer of our own with the frames' period has ticked n times. A thread's due
// timers take their turns in the order they fall due, and the frame timer falls due no later
// than ours, so it has had about as many turns however busy the machine is.
void PumpForTicks(int n) {
    static int ticks;
    ticks = 0;
    const UINT_PTR id =
        SetTimer(nullptr, 0, CStarCredits::kFrameMs, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
    MSG msg;
    for (const DWORD start = GetTickCount(); id && ticks < n && GetTickCount() - start < 10000;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        else
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    KillTimer(nullptr, id);
}

std::string Text(HWND hwnd) {
    char buf[256] = {};
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

// Every fourth pixel of a frame.
std::vector<COLORREF> Sample(HDC dc, const RECT& rc) {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < rc.bottom; y += 4)
        for (int x = 0; x < rc.right; x += 4) pixels.push_back(GetPixel(dc, x, y));
    return pixels;
}

void NextFrame(HWND credits) {
    SendMessageA(credits, WM_TIMER, CStarCredits::kFrameTimer, 0);
    UpdateWindow(credits);
}

// The about box run modelessly, so a test can look at it between frames.
class AboutBoxOpen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(box.Create());
        ShowWindow(box.GetSafeHwnd(), SW_SHOWNA);
        credits = box.GetDlgItem(IDC_STAR_CREDITS);
        ASSERT_TRUE(credits);
    }
    void TearDown() override {
        if (box.GetSafeHwnd()) box.DestroyWindow();
    }
    CAboutBox box;
    HWND credits = nullptr;
};

TEST_F(AboutBoxOpen, HasItsCaptionControlsAndCredits) {
    HWND hwnd = box.GetSafeHwnd();
    EXPECT_EQ(Text(hwnd), std::string(34, ' ') + "About - Horolux");
    EXPECT_FALSE(GetWindowLongA(hwnd, GWL_STYLE) & WS_THICKFRAME) << "a fixed border";
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");

    RECT want{0, 0, 235, 138}, area{};
    MapDialogRect(hwnd, &want);
    GetClientRect(credits, &area);
    EXPECT_EQ(area.right, want.right);
    EXPECT_EQ(area.bottom, want.bottom);
    EXPECT_EQ(fw::CWnd::FromHandle(credits), &box.Credits());
    EXPECT_EQ(Text(box.GetDlgItem(IDOK)), "Close");
    HWND icon = nullptr;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = child;
    ASSERT_TRUE(icon);
    EXPECT_TRUE(SendMessageA(icon, STM_GETICON, 0, 0));

    const CStarCredits& c = box.Credits();
    EXPECT_EQ(c.StarSpeed(), 20);
    EXPECT_EQ(c.ScrollStep(), 3);
    const std::vector<std::string>& lines = c.Lines();
    ASSERT_EQ(lines.size(), 18u);
    const char* const fixed[18] = {"Horolux",
                                   "",
                                   "Sync the clock over internet",
                                   "",
                                   "",
                                   nullptr,
                                   "",
                                   nullptr,
                                   "",
                                   "",
                                   "Horolux - Application",
                                   "",  // no private-build entry in our version information
                                   "",
                                   "",
                                   nullptr,
                                   nullptr,
                                   "",
                                   nullptr};
    for (size_t i = 0; i < 18; ++i) {
        if (fixed[i]) {
            EXPECT_EQ(lines[i], fixed[i]) << "line " << i + 1;
        } else {
            EXPECT_FALSE(lines[i].empty()) << "line " << i + 1;
        }
    }
    EXPECT_EQ(lines[7], lines[15]) << "the author's name twice";
}

TEST(AboutBoxVersion, OurExecutableHasNoPrivateBuild) {
    EXPECT_EQ(ui::PrivateBuildText(), "");
    // The same lookup finds what our version information does hold.
    const std::string exe = fw::ExecutableBaseName() + ".exe";
    EXPECT_EQ(ui::VersionString(exe, "ProductName"), "Horolux");
    EXPECT_EQ(ui::VersionString("no_such_program.exe", "ProductName"), "");
}

TEST_F(AboutBoxOpen, AnimatesOnItsTimerUntilClosed) {
    const CStarCredits& c = box.Credits();
    RECT rc{};
    GetClientRect(credits, &rc);
    EXPECT_EQ(c.Frames(), 1) << "one frame as it is attached";
    const std::vector<horolux::Star> stars = c.Stars();
    const std::vector<COLORREF> first = Sample(c.FrameImage(), rc);

    PumpForTicks(6);  // 75 ms a frame
    const int frames = c.Frames();
    EXPECT_GE(frames, 3);
    EXPECT_LE(frames, 9);
    // The first frame moved by the control's own step, 2, before the box set 3.
    EXPECT_EQ(c.ScrollPosition(), rc.bottom - 2 - 3 * (frames - 1));
    for (size_t i = 0; i < stars.size(); ++i) {
        horolux::Star s = stars[i];
        for (int f = 1; f < frames; ++f) horolux::StepStar(s, 20);
        EXPECT_EQ(c.Stars()[i], s) << "star " << i;
    }
    EXPECT_NE(Sample(c.FrameImage(), rc), first);

    box.DestroyWindow();
    EXPECT_EQ(c.GetSafeHwnd(), nullptr);
    PumpForTicks(2);  // a frame timer still running would have ticked by now
    EXPECT_EQ(c.Frames(), frames) << "the timer ended with the window";
}

TEST(AboutBoxGdi, NoObjectLeaksOverFramesResizesAndOpenings) {
    auto openAndRun = [](int frames) {
        ui::CAboutBox box;
        if (!box.Create()) return false;
        ShowWindow(box.GetSafeHwnd(), SW_SHOWNA);
        HWND credits = box.GetDlgItem(IDC_STAR_CREDITS);
        for (int i = 0; i < frames; ++i) {
            if (i % 10 == 5)
                SetWindowPos(credits, nullptr, 0, 0, 200 + i % 7, 150 + i % 5,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            NextFrame(credits);
        }
        BITMAP bm{};  // the frame image follows the size
        GetObjectA(GetCurrentObject(box.Credits().FrameImage(), OBJ_BITMAP), sizeof bm, &bm);
        RECT rc{};
        GetClientRect(credits, &rc);
        return bm.bmWidth == rc.right && bm.bmHeight == rc.bottom && box.DestroyWindow();
    };
    ASSERT_TRUE(openAndRun(10));  // warm-up: fonts and the system's own caches
    const int before = test::CountGdiObjects();
    ASSERT_GT(before, 0);
    {
        ui::CAboutBox box;
        ASSERT_TRUE(box.Create());
        HWND credits = box.GetDlgItem(IDC_STAR_CREDITS);
        NextFrame(credits);
        const int running = test::CountGdiObjects();
        for (int i = 0; i < 1000; ++i) NextFrame(credits);
        EXPECT_EQ(test::CountGdiObjects(), running) << "over 1,000 frames";
        box.DestroyWindow();
    }
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(openAndRun(30));
    EXPECT_EQ(test::CountGdiObjects(), before) << "each box frees its font, image and bitmap";
}

// Two credits areas of one size under the same sky: where they differ is the text.
class StarCreditsPair : public ::testing::Test {
protected:
    static constexpr int kWidth = 400, kHeight = 300;
    void SetUp() override {
        parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, kWidth, 2 * kHeight, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent);
        for (INT_PTR id : {10, 11})
            CreateWindowExA(0, "Static", "", WS_CHILD | SS_BLACKFRAME, 0, 0, kWidth, kHeight,
                            parent, reinterpret_cast<HMENU>(id), nullptr, nullptr);
        ASSERT_TRUE(withText.SubclassDlgItem(10, parent));
        ASSERT_TRUE(starsOnly.SubclassDlgItem(11, parent));
        withText.AddLine("Horolux");
    }
    void TearDown() override { DestroyWindow(parent); }
    // Composes two frames, the second with the line's top at y.
    void ShowLineAt(int y) {
        for (int step : {-1, 0}) {
            for (ui::CStarCredits* c : {&withText, &starsOnly}) {
                c->SetScrollStep(step < 0 ? c->ScrollPosition() - y : 0);
                SendMessageA(c->GetSafeHwnd(), WM_TIMER, CStarCredits::kFrameTimer, 0);
            }
        }
    }
    HWND parent = nullptr;
    CStarCredits withText{42}, starsOnly{42};
};

TEST_F(StarCreditsPair, StarsAreDotsOfTheirGreyAndTextNarrowsAndFadesTowardsTheTop) {
    ShowLineAt(150);
    ASSERT_EQ(withText.Stars(), starsOnly.Stars());
    HDC a = withText.FrameImage(), b = starsOnly.FrameImage();
    int dots = 0;
    for (const horolux::Star& s : starsOnly.Stars()) {
        const horolux::StarDot d = horolux::ProjectStar(s, kWidth, kHeight);
        const COLORREF grey = RGB(d.grey, d.grey, d.grey);
        if (d.grey < 16) continue;  // as dark as the sky
        dots += GetPixel(b, d.x + 1, d.y + 1) == grey && GetPixel(b, d.x + 1, d.y) == grey;
    }
    EXPECT_GE(dots, 20) << "the later of two overlapping stars wins";

    const struct {
        int top, grey;  // the line's grey: its top, white below 255 pixels
    } cases[] = {{270, 255}, {150, 150}, {60, 60}, {0, -1}};  // at the top edge: not drawn
    for (const auto& c : cases) {
        ShowLineAt(c.top);
        int textPixels = 0, brightest = 0, lowest = kHeight, highest = -1;
        for (int y = 0; y < kHeight; ++y) {
            const horolux::RowSpan span = horolux::PerspectiveRow(y, kWidth, kHeight);
            for (int x = 0; x < kWidth; ++x) {
                const COLORREF pa = GetPixel(a, x, y), pb = GetPixel(b, x, y);
                if (pa == pb) continue;
                ++textPixels;
                lowest = std::min(lowest, y);
                highest = std::max(highest, y);
                EXPECT_TRUE(x >= span.x && x < span.x + span.width) << x << "," << y;
                if (pb == RGB(0, 0, 0)) brightest = std::max<int>(brightest, GetGValue(pa));
            }
        }
        if (c.grey < 0) {
            EXPECT_EQ(textPixels, 0);
            EXPECT_EQ(withText.ScrollPosition(), kHeight) << "the crawl starts again";
            continue;
        }
        EXPECT_GT(textPixels, 100) << c.top;
        EXPECT_GE(lowest, c.top) << "rows keep their place";
        EXPECT_LT(highest, c.top + 40);
        EXPECT_LE(brightest, c.grey) << c.top;
        EXPECT_GE(brightest, c.grey * 3 / 4) << c.top;
    }
}

}  // namespace
