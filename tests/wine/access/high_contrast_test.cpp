// High contrast, switched through the framework's seam (Wine refuses SPI_SETHIGHCONTRAST) and
// announced to the windows as the system announces it.
#include "framework/high_contrast.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "controls/test_picture_dialog.h"
#include "resource.h"
#include "tests/support/memory_settings_store.h"
#include "ui/clockwnd/alarm_clock_dialog.h"
#include "ui/controls/about_box.h"
#include "ui/mainwnd/main_dialog.h"

using namespace ui;  // the layer under test

namespace {

// The pictures for docs/ (HOROLUX_SHOT_DIR) show the High Contrast Black colours, set for the
// while in the private session script/screenshots runs; the checks hold in any colours.
class ShotColours {
public:
    ShotColours() {
        if (!std::getenv("HOROLUX_SHOT_DIR")) return;
        const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255);
        const std::vector<std::pair<int, COLORREF>> scheme = {{COLOR_WINDOW, black},
                                                              {COLOR_WINDOWTEXT, white},
                                                              {COLOR_BTNFACE, black},
                                                              {COLOR_BTNTEXT, white},
                                                              {COLOR_BTNHIGHLIGHT, white},
                                                              {COLOR_BTNSHADOW, white},
                                                              {COLOR_3DLIGHT, white},
                                                              {COLOR_3DDKSHADOW, white},
                                                              {COLOR_GRAYTEXT, RGB(63, 242, 63)},
                                                              {COLOR_HIGHLIGHT, RGB(26, 235, 255)},
                                                              {COLOR_HIGHLIGHTTEXT, black},
                                                              {COLOR_ACTIVECAPTION, black},
                                                              {COLOR_CAPTIONTEXT, white},
                                                              {COLOR_ACTIVEBORDER, white},
                                                              {COLOR_INACTIVECAPTION, black},
                                                              {COLOR_WINDOWFRAME, white}};
        for (const auto& [element, colour] : scheme) {
            elements_.push_back(element);
            saved_.push_back(GetSysColor(element));
            colours_.push_back(colour);
        }
        SetSysColors(static_cast<int>(elements_.size()), elements_.data(), colours_.data());
    }
    ~ShotColours() {
        if (!elements_.empty())
            SetSysColors(static_cast<int>(elements_.size()), elements_.data(), saved_.data());
    }
    ShotColours(const ShotColours&) = delete;
    ShotColours& operator=(const ShotColours&) = delete;

private:
    std::vector<int> elements_;
    std::vector<COLORREF> saved_, colours_;
};

class HighContrastOn {
public:
    HighContrastOn() { Switch(true); }
    ~HighContrastOn() { Switch(std::nullopt); }
    HighContrastOn(const HighContrastOn&) = delete;
    HighContrastOn& operator=(const HighContrastOn&) = delete;

private:
    static void Switch(std::optional<bool> on) {
        fw::SetHighContrastForTesting(on);
        fw::AnnounceHighContrastChange();
    }
};

std::set<COLORREF> Colours(const test::Capture& shot) {
    std::set<COLORREF> seen;
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x) seen.insert(shot.At(x, y));
    return seen;
}

bool PlainCorner(HWND dialog) {
    const test::Capture shot(dialog, test::Capture::kBackground);
    return shot.CountIn({0, 0, 6, 6}, GetSysColor(COLOR_BTNFACE)) == 36;  // no control there
}

int CountNot(const test::Capture& shot, COLORREF colour) {
    return shot.Width() * shot.Height() - shot.CountIn({0, 0, shot.Width(), shot.Height()}, colour);
}

// For docs/: the window as the screen shows it, as a 24-bit BMP under HOROLUX_SHOT_DIR.
void SaveShot(HWND window, const char* name) {
    const char* dir = std::getenv("HOROLUX_SHOT_DIR");
    if (!dir) return;
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r{};
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    test::Capture shot(w, h);
    {
        fw::WindowDC screen(nullptr);
        BitBlt(shot.Dc(), 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    }
    BITMAPINFOHEADER info{sizeof info, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const int stride = (w * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<size_t>(stride) * h);
    HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(shot.Dc(), OBJ_BITMAP));
    GetDIBits(shot.Dc(), bitmap, 0, h, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    const BITMAPFILEHEADER file{
        0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof info + pixels.size()), 0, 0,
        sizeof(BITMAPFILEHEADER) + sizeof info};
    const std::string path = std::string(dir) + "\\" + name + ".bmp";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, f);
        std::fwrite(&info, sizeof info, 1, f);
        std::fwrite(pixels.data(), 1, pixels.size(), f);
        std::fclose(f);
    }
}

}  // namespace

TEST(HighContrast, TheMainWindowDropsItsPictureAndShadesAndTakesThemBack) {
    horolux::MemorySettingsStore settings;
    horolux::HoroluxModel model{settings};
    AlarmSoundPlayer sounds;
    CHoroluxDlg main(model, sounds);
    ASSERT_TRUE(main.Create());
    HWND hwnd = main.GetSafeHwnd();
    KillTimer(hwnd, kTimerInit);
    SetWindowPos(hwnd, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    HWND sync = GetDlgItem(hwnd, IDC_SYNC);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_FALSE(PlainCorner(hwnd)) << "the picture";
    const int shadedMarks = CountNot(test::Capture(sync), face);
    {
        ShotColours colours;
        HighContrastOn on;
        EXPECT_TRUE(PlainCorner(hwnd)) << "the dialog's own colour, no picture";
        const COLORREF plainFace = GetSysColor(COLOR_BTNFACE);
        const int plainMarks = CountNot(test::Capture(sync), plainFace);
        EXPECT_LT(plainMarks, shadedMarks / 2) << "a plain face: only the caption and the edge";
        EXPECT_GT(test::Capture(sync).CountIn({0, 0, 200, 100}, GetSysColor(COLOR_BTNTEXT)), 20)
            << "the caption in the button-text colour";
        SetFocus(sync);
        EXPECT_GT(CountNot(test::Capture(sync), plainFace), plainMarks) << "the focus rectangle";
        SaveShot(hwnd, "main-window-high-contrast");
    }
    EXPECT_FALSE(PlainCorner(hwnd)) << "the picture is back at once";
    EXPECT_GT(CountNot(test::Capture(sync), face), shadedMarks / 2) << "and the shaded face";
    main.DestroyWindow();
}

TEST(HighContrast, TheClockAndTheCreditsDrawInTheWindowColoursOnly) {
    horolux::MemorySettingsStore settings;
    CAlarmClockDlg clock(settings);
    ASSERT_TRUE(clock.Create());
    ShowWindow(clock.GetSafeHwnd(), SW_SHOWNA);
    SetWindowPos(clock.GetSafeHwnd(), nullptr, 20, 560, 160, 60,
                 SWP_NOZORDER | SWP_NOACTIVATE);  // clear of the about box
    clock.SetClockText("12::5");
    HWND digits = clock.GetDlgItem(IDC_CLOCK_DISPLAY);
    EXPECT_TRUE(Colours(test::Capture(digits)).count(RGB(255, 0, 0))) << "lit red by default";

    CAboutBox about;
    ASSERT_TRUE(about.Create());
    ShowWindow(about.GetSafeHwnd(), SW_SHOWNA);
    HWND credits = about.GetDlgItem(IDC_STAR_CREDITS);
    {
        ShotColours colours;
        HighContrastOn on;
        const std::set<COLORREF> system{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)};
        EXPECT_EQ(Colours(test::Capture(digits)), system) << "lit digits on the window colour";
        for (int i = 0; i < 40; ++i) SendMessageA(credits, WM_TIMER, CStarCredits::kFrameTimer, 0);
        EXPECT_EQ(Colours(test::Capture(credits)), system) << "the crawl without its stars";
        SaveShot(clock.GetSafeHwnd(), "floating-clock-high-contrast");
    }
    EXPECT_TRUE(Colours(test::Capture(digits)).count(RGB(255, 0, 0)));
    EXPECT_EQ(clock.Display().GetLitColor(), RGB(255, 0, 0)) << "the chosen colours stay";
    about.DestroyWindow();
    clock.DestroyWindow();
}
