#include "ui/controls/about_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "controls/gdi_objects.h"
#include "framework/app.h"

namespace {

const std::string kCaption = std::string(34, ' ') + "About - Horolux";

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

std::string Text(HWND hwnd) {
    char buf[256] = {};
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

std::string ClassOf(HWND hwnd) {
    char buf[64] = {};
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
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
    void Frame() {
        SendMessageA(credits, WM_TIMER, CStarCredits::kFrameTimer, 0);
        UpdateWindow(credits);
    }
    CAboutBox box;
    HWND credits = nullptr;
};

TEST_F(AboutBoxOpen, HasItsCaptionControlsAndCredits) {
    HWND hwnd = box.GetSafeHwnd();
    EXPECT_EQ(Text(hwnd), kCaption);
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME) << "a fixed border";
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");

    // The credits area: 235 × 138 dialog units at the top, above the icon and the button.
    RECT want{0, 0, 235, 138};
    MapDialogRect(hwnd, &want);
    RECT area{};
    GetWindowRect(credits, &area);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&area), 2);
    EXPECT_EQ(area.right - area.left, want.right);
    EXPECT_EQ(area.bottom - area.top, want.bottom);
    EXPECT_EQ(ClassOf(credits), "Static");
    EXPECT_EQ(fw::CWnd::FromHandle(credits), &box.Credits());

    HWND close = box.GetDlgItem(IDOK);
    EXPECT_EQ(Text(close), "Close");
    RECT closeRect{};
    GetWindowRect(close, &closeRect);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&closeRect), 2);
    EXPECT_GE(closeRect.top, area.bottom);

    HWND icon = nullptr;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) icon = child;
    ASSERT_TRUE(icon);
    EXPECT_TRUE(SendMessageA(icon, STM_GETICON, 0, 0));
    RECT iconRect{};
    GetWindowRect(icon, &iconRect);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&iconRect), 2);
    EXPECT_GE(iconRect.top, area.bottom);
    EXPECT_LT(iconRect.left, closeRect.left) << "bottom left";

    const CStarCredits& c = box.Credits();
    EXPECT_EQ(c.StarSpeed(), 20);
    EXPECT_EQ(c.ScrollStep(), 3);
    EXPECT_EQ(c.Stars().size(), 100u);
    const std::vector<std::string>& lines = c.Lines();
    ASSERT_EQ(lines.size(), 18u);
    const struct {
        int number;
        const char* text;
    } fixed[] = {
        {1, "Horolux"}, {2, ""},  {3, "Sync the clock over internet"}, {4, ""},  {5, ""},  {7, ""},
        {9, ""},        {10, ""}, {11, "Horolux - Application"},       {12, ""}, {13, ""}, {14, ""},
        {17, ""},
    };
    for (const auto& f : fixed) EXPECT_EQ(lines[f.number - 1], f.text) << "line " << f.number;
    for (int number : {6, 8, 15, 16, 18}) EXPECT_FALSE(lines[number - 1].empty()) << number;
    EXPECT_EQ(lines[7], lines[15]) << "the author's name twice";
    EXPECT_NE(lines[14].find("2026"), std::string::npos) << "the legal notice has the year";
}

TEST(AboutBoxVersion, OurExecutableHasNoPrivateBuild) {
    EXPECT_EQ(PrivateBuildText(), "");
    // The same lookup finds a string our version information does have, so the empty line is
    // not a lookup that never works.
    const std::string exe = fw::ExecutableBaseName() + ".exe";
    EXPECT_EQ(VersionString(exe, "ProductName"), "Horolux");
    EXPECT_EQ(VersionString(exe, "FileVersion"), "1.0.0.0");
    EXPECT_EQ(VersionString("no_such_program.exe", "ProductName"), "");
}

TEST_F(AboutBoxOpen, TheCreditsAnimateOnTheirTimerAndRiseThreePixelsAFrame) {
    const CStarCredits& c = box.Credits();
    RECT rc{};
    GetClientRect(credits, &rc);
    EXPECT_EQ(c.Frames(), 1) << "one frame as it is attached";
    // That first frame moved the crawl by the control's own step, 2; the box then set 3.
    EXPECT_EQ(c.ScrollPosition(), rc.bottom - 2);
    const std::vector<horolux::Star> before = c.Stars();

    PumpFor(500);  // 75 ms a frame
    const int frames = c.Frames();
    EXPECT_GE(frames, 3);
    EXPECT_LE(frames, 9);
    EXPECT_EQ(c.ScrollPosition(), rc.bottom - 2 - 3 * (frames - 1));
    for (size_t i = 0; i < before.size(); ++i) {
        horolux::Star s = before[i];
        for (int f = 1; f < frames; ++f) horolux::StepStar(s, 20);
        EXPECT_EQ(c.Stars()[i], s) << "star " << i;
    }
}

TEST_F(AboutBoxOpen, FramesChangeOnScreen) {
    PumpFor(100);
    RECT rc{};
    GetClientRect(credits, &rc);
    auto shot = [&] {
        fw::WindowDC dc(credits);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < rc.bottom; y += 2)
            for (int x = 0; x < rc.right; x += 2) pixels.push_back(GetPixel(dc, x, y));
        return pixels;
    };
    const auto first = shot();
    const int lit = static_cast<int>(
        std::count_if(first.begin(), first.end(), [](COLORREF p) { return p != RGB(0, 0, 0); }));
    EXPECT_GT(lit, 0) << "stars";
    EXPECT_LT(lit, static_cast<int>(first.size()) / 10) << "a black sky";
    for (int i = 0; i < 3; ++i) Frame();
    EXPECT_NE(shot(), first);
}

TEST_F(AboutBoxOpen, ClosingStopsTheTimer) {
    PumpFor(200);
    const CStarCredits& c = box.Credits();
    ASSERT_GT(c.Frames(), 1);
    const HWND area = credits;
    box.DestroyWindow();
    EXPECT_FALSE(IsWindow(area));
    EXPECT_EQ(c.GetSafeHwnd(), nullptr);
    const int frames = c.Frames();
    PumpFor(300);
    EXPECT_EQ(c.Frames(), frames);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
}

TEST_F(AboutBoxOpen, ResizingGivesTheFrameImageTheNewSize) {
    auto imageSize = [&] {
        BITMAP bm{};
        GetObjectA(GetCurrentObject(box.Credits().FrameImage(), OBJ_BITMAP), sizeof bm, &bm);
        return std::make_pair(static_cast<int>(bm.bmWidth), static_cast<int>(bm.bmHeight));
    };
    RECT rc{};
    GetClientRect(credits, &rc);
    EXPECT_EQ(imageSize(), std::make_pair(static_cast<int>(rc.right), static_cast<int>(rc.bottom)));
    SetWindowPos(credits, nullptr, 0, 0, 300, 120, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(credits, &rc);
    EXPECT_EQ(imageSize(), std::make_pair(static_cast<int>(rc.right), static_cast<int>(rc.bottom)));
    EXPECT_EQ(rc.bottom, 120);
    Frame();
    EXPECT_EQ(box.Credits().Frames(), 2);
}

// The modal run as the main window uses it: the credits move while it runs, and Close or the
// Escape key end it.
struct ModalProbe {
    int framesSeen = -1;
    WPARAM key = 0;
};
ModalProbe g_probe;

void CALLBACK EndTheBox(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND box = FindWindowA("#32770", kCaption.c_str());
    if (!box) return;
    if (auto* about = dynamic_cast<CAboutBox*>(fw::CWnd::FromHandle(box)))
        g_probe.framesSeen = about->Credits().Frames();
    if (g_probe.key)
        PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, g_probe.key, 0);
    else
        SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

TEST(AboutBoxModal, RunsUntilCloseOrEscape) {
    const struct {
        WPARAM key;
        INT_PTR result;
    } cases[] = {{0, IDOK}, {VK_ESCAPE, IDCANCEL}};
    for (const auto& c : cases) {
        g_probe = {-1, c.key};
        SetTimer(nullptr, 0, 400, &EndTheBox);
        CAboutBox box;
        EXPECT_EQ(box.DoModal(), c.result) << c.key;
        EXPECT_FALSE(box.GetSafeHwnd());
        EXPECT_GE(g_probe.framesSeen, 3) << "the credits ran during the modal loop";
    }
}

TEST(AboutBoxGdi, NoObjectLeaksOverFramesResizesAndOpenings) {
    auto openAndRun = [](int frames, bool resize) {
        CAboutBox box;
        if (!box.Create()) return false;
        ShowWindow(box.GetSafeHwnd(), SW_SHOWNA);
        HWND credits = box.GetDlgItem(IDC_STAR_CREDITS);
        for (int i = 0; i < frames; ++i) {
            if (resize && i % 10 == 5)
                SetWindowPos(credits, nullptr, 0, 0, 200 + i % 7, 150 + i % 5,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            SendMessageA(credits, WM_TIMER, CStarCredits::kFrameTimer, 0);
            UpdateWindow(credits);
        }
        box.DestroyWindow();
        return true;
    };
    ASSERT_TRUE(openAndRun(10, true));  // warm-up: fonts and the system's own caches
    const int before = test::CountGdiObjects();
    ASSERT_GT(before, 0);

    {
        CAboutBox box;
        ASSERT_TRUE(box.Create());
        ShowWindow(box.GetSafeHwnd(), SW_SHOWNA);
        HWND credits = box.GetDlgItem(IDC_STAR_CREDITS);
        for (int i = 0; i < 10; ++i) SendMessageA(credits, WM_TIMER, CStarCredits::kFrameTimer, 0);
        UpdateWindow(credits);
        const int running = test::CountGdiObjects();
        for (int i = 0; i < 1000; ++i) {
            SendMessageA(credits, WM_TIMER, CStarCredits::kFrameTimer, 0);
            UpdateWindow(credits);
        }
        EXPECT_EQ(test::CountGdiObjects(), running) << "over 1,000 frames";
        box.DestroyWindow();
    }

    for (int i = 0; i < 10; ++i) ASSERT_TRUE(openAndRun(30, i % 2 == 0));
    ASSERT_TRUE(openAndRun(300, true));
    EXPECT_EQ(test::CountGdiObjects(), before) << "each box frees its font, image and bitmap";
}

// Two credits areas of one size with the same sky: what differs between them is the text.
class StarCreditsPair : public ::testing::Test {
protected:
    static constexpr int kWidth = 400, kHeight = 300;
    void SetUp() override {
        parent = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, kWidth, 2 * kHeight, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent);
        for (int i = 0; i < 2; ++i) {
            CreateWindowExA(0, "Static", "", WS_CHILD | SS_BLACKFRAME, 0, i * kHeight, kWidth,
                            kHeight, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(10 + i)),
                            nullptr, nullptr);
        }
        ASSERT_TRUE(withText.SubclassDlgItem(10, parent));
        ASSERT_TRUE(starsOnly.SubclassDlgItem(11, parent));
        withText.AddLine("Horolux");
    }
    void TearDown() override { DestroyWindow(parent); }

    void Frame() {
        for (CStarCredits* c : {&withText, &starsOnly})
            SendMessageA(c->GetSafeHwnd(), WM_TIMER, CStarCredits::kFrameTimer, 0);
    }
    // Composes frames until the line is drawn with its top at y.
    void ShowLineAt(int y) {
        for (CStarCredits* c : {&withText, &starsOnly}) c->SetScrollStep(c->ScrollPosition() - y);
        Frame();
        for (CStarCredits* c : {&withText, &starsOnly}) c->SetScrollStep(0);
        Frame();
    }
    static int Channel(COLORREF c) { return std::max({GetRValue(c), GetGValue(c), GetBValue(c)}); }

    HWND parent = nullptr;
    CStarCredits withText{42}, starsOnly{42};
};

TEST_F(StarCreditsPair, EachStarIsADotOfItsGreyWhereTheFieldPutsIt) {
    Frame();
    ASSERT_EQ(withText.Stars(), starsOnly.Stars());
    HDC frame = starsOnly.FrameImage();
    ASSERT_TRUE(frame);
    const auto& stars = starsOnly.Stars();
    int checked = 0;
    for (size_t i = 0; i < stars.size(); ++i) {
        const horolux::StarDot dot = horolux::ProjectStar(stars[i], kWidth, kHeight);
        if (dot.x < 0 || dot.y < 0 || dot.x + 3 > kWidth || dot.y + 3 > kHeight) continue;
        bool covered = false;  // by a star drawn later
        for (size_t j = i + 1; j < stars.size(); ++j) {
            const horolux::StarDot d = horolux::ProjectStar(stars[j], kWidth, kHeight);
            covered |= std::abs(d.x - dot.x) < 3 && std::abs(d.y - dot.y) < 3;
        }
        if (covered) continue;
        EXPECT_EQ(GetPixel(frame, dot.x + 1, dot.y + 1), RGB(dot.grey, dot.grey, dot.grey))
            << "star " << i << " z " << stars[i].z;
        ++checked;
    }
    EXPECT_GT(checked, 5);
    // Nothing but stars: every lit pixel lies in some star's box.
    for (int y = 0; y < kHeight; y += 3)
        for (int x = 0; x < kWidth; x += 3) {
            if (GetPixel(frame, x, y) == RGB(0, 0, 0)) continue;
            const bool inStar = std::any_of(stars.begin(), stars.end(), [&](const auto& s) {
                const horolux::StarDot d = horolux::ProjectStar(s, kWidth, kHeight);
                return x >= d.x && x < d.x + 3 && y >= d.y && y < d.y + 3;
            });
            EXPECT_TRUE(inStar) << x << "," << y;
        }
}

TEST_F(StarCreditsPair, TextIsNarrowedTowardsTheTopAndFadesThere) {
    const struct {
        int top;
        int brightest;  // the line's grey: its top, white below 255
    } cases[] = {{270, 255}, {150, 150}, {60, 60}};
    for (const auto& c : cases) {
        ShowLineAt(c.top);
        ASSERT_EQ(withText.Stars(), starsOnly.Stars());
        HDC a = withText.FrameImage(), b = starsOnly.FrameImage();
        int textPixels = 0, brightest = 0, lowest = kHeight, highest = -1;
        for (int y = 0; y < kHeight; ++y) {
            const horolux::RowSpan span = horolux::PerspectiveRow(y, kWidth, kHeight);
            for (int x = 0; x < kWidth; ++x) {
                const COLORREF pa = GetPixel(a, x, y), pb = GetPixel(b, x, y);
                if (pa == pb) continue;
                ++textPixels;
                lowest = std::min(lowest, y);
                highest = std::max(highest, y);
                EXPECT_GE(x, span.x) << "row " << y;
                EXPECT_LT(x, span.x + span.width) << "row " << y;
                if (pb == RGB(0, 0, 0)) brightest = std::max(brightest, Channel(pa));
            }
        }
        EXPECT_GT(textPixels, 100) << c.top;
        EXPECT_GE(lowest, c.top) << "rows keep their place";
        EXPECT_LT(highest, c.top + 40);
        EXPECT_LE(brightest, c.brightest) << c.top;
        EXPECT_GE(brightest, c.brightest * 3 / 4) << c.top;
    }
}

TEST_F(StarCreditsPair, TheCrawlRestartsFromTheBottomOnceTheLastLineIsUp) {
    ShowLineAt(1);
    EXPECT_EQ(withText.ScrollPosition(), 1) << "still below the top edge";
    withText.SetScrollStep(1);
    starsOnly.SetScrollStep(1);
    Frame();  // drawn at 1, then at 0
    Frame();
    EXPECT_EQ(withText.ScrollPosition(), kHeight - 1) << "back to the bottom, then one step";
    // That last frame drew no text: only the stars.
    HDC a = withText.FrameImage(), b = starsOnly.FrameImage();
    int differing = 0;
    for (int y = 0; y < kHeight; y += 2)
        for (int x = 0; x < kWidth; x += 2) differing += GetPixel(a, x, y) != GetPixel(b, x, y);
    EXPECT_EQ(differing, 0);
}

}  // namespace
