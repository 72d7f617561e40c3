// The program's windows at the display scale this process was started at: 96 DPI in the plain
// run, 120, 144 and 192 through at_dpi (tests/wine/CMakeLists.txt). A move to a monitor of
// another scale is sent by hand, as Wine moves no window between monitors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "controls/gdi_objects.h"
#include "controls/test_picture_dialog.h"
#include "core/geometry/dpi_scale.h"
#include "framework/dpi.h"
#include "framework/geometry.h"
#include "tests/support/memory_settings_store.h"
#include "ui/alarms/alarm_popup_dialog.h"
#include "ui/alarms/alarms_dialog.h"
#include "ui/alarms/set_alarm_dialog.h"
#include "ui/clockwnd/alarm_clock_dialog.h"
#include "ui/controls/about_box.h"
#include "ui/mainwnd/main_dialog.h"
#include "ui/sync/time_source_dialog.h"

using namespace ui;  // the layer under test

namespace {

int Dpi() {
    return static_cast<int>(fw::DpiOf(nullptr));
}

RECT ClientRect(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    return r;
}

RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

// A control's rectangle in its parent's client area.
horolux::PixelRect PlaceOf(HWND control) {
    RECT r = WindowRect(control);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return fw::FromRECT(r);
}

std::vector<HWND> Controls(HWND dialog) {
    std::vector<HWND> controls;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        controls.push_back(c);
    return controls;
}

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND hwnd) {
    char text[512] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

LOGFONTA FontOf(HWND hwnd) {
    LOGFONTA lf{};
    GetObjectA(fw::GetFont(hwnd), sizeof lf, &lf);
    return lf;
}

int IconSide(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    const fw::Bitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    return bm.bmWidth;
}

// Where the text of a control of ours starts and whether it may wrap: none for controls whose
// text is not a label (edits, lists) or that cut it on purpose (an ellipsis style).
struct TextRoom {
    bool label = false;
    bool wraps = false;
    int indent = 0;  // a check box's or radio button's box and the gap after it
};

TextRoom RoomFor(HWND control, HDC dc) {
    const std::string cls = ClassOf(control);
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    TextRoom room;
    if (_stricmp(cls.c_str(), "Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        room.label = (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) &&
                     !(style & SS_ELLIPSISMASK);
        room.wraps = !(style & SS_CENTERIMAGE);
    } else if (_stricmp(cls.c_str(), "Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        room.label = true;
        room.wraps = (style & BS_MULTILINE) || type == BS_OWNERDRAW;  // shaded buttons wrap
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
            type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE) {
            if (!(style & BS_PUSHLIKE)) {
                SIZE space{};
                GetTextExtentPoint32A(dc, " ", 1, &space);
                // The box is 12 pixels and one at 96 DPI, scaled; the text follows a space on.
                room.indent = horolux::ScaleToDpi(12, Dpi()) + 1 + space.cx;
            }
        }
    }
    return room;
}

// Every control lies inside the window's client area, and every label's text shows whole in
// its control's font: as wide as the control allows and, where it may wrap, no taller.
void ExpectLaidOut(HWND dialog, const char* name) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(dialog);
    const RECT client = ClientRect(dialog);
    for (HWND control : Controls(dialog)) {
        const horolux::PixelRect place = PlaceOf(control);
        const std::string text = TextOf(control);
        SCOPED_TRACE("control " + std::to_string(GetDlgCtrlID(control)) + " \"" + text + "\"");
        EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= client.right &&
                    place.bottom <= client.bottom)
            << place.left << "," << place.top << " " << place.right << "," << place.bottom << " in "
            << client.right << " x " << client.bottom;

        if (text.empty()) continue;
        fw::WindowDC dc(control);
        fw::SelectObjectScope font(dc, fw::GetFont(control));
        const TextRoom room = RoomFor(control, dc);
        if (!room.label) continue;
        const RECT inner = ClientRect(control);
        const int width = inner.right - room.indent;
        RECT needed{0, 0, width, 0};
        DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK);
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        const int lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        // A label that may wrap has its height; one that may not, its own lines.
        const int height = room.wraps ? inner.bottom : lines * tm.tmHeight;
        EXPECT_LE(needed.right, width) << "too wide";
        EXPECT_LE(needed.bottom, height) << "more lines than there is room for";
    }
}

// The scale this run was started for (at_dpi says which), when it was.
TEST(DisplayScale, RunsAtTheScaleItWasStartedFor) {
    const char* wanted = std::getenv("HOROLUX_TEST_DPI");
    if (!wanted) GTEST_SKIP() << "started at the session's own scale";
    EXPECT_EQ(Dpi(), std::atoi(wanted));
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), std::atoi(wanted));
    ReleaseDC(nullptr, screen);
}

TEST(DisplayScale, EveryWindowKeepsItsControlsInsideAndItsTextsWhole) {
    horolux::MemorySettingsStore settings;
    horolux::HoroluxModel model{settings};
    ui::AlarmSoundPlayer sounds;
    {
        ui::CHoroluxDlg main(model, sounds);
        ASSERT_TRUE(main.Create());
        KillTimer(main.GetSafeHwnd(), ui::kTimerInit);
        ExpectLaidOut(main.GetSafeHwnd(), "main window");
        // The notification area's icon is the small icon of this scale, no larger one shrunk.
        const std::map<int, int> smallIcon = {{96, 16}, {120, 20}, {144, 24}, {192, 32}};
        if (smallIcon.count(Dpi()))
            EXPECT_EQ(IconSide(main.TrayIcon().GetTrayIcon()), smallIcon.at(Dpi()));
        EXPECT_EQ(IconSide(main.TrayIcon().GetTrayIcon()),
                  fw::SmallIconSize(static_cast<UINT>(Dpi())));
        main.DestroyWindow();
    }
    {
        ui::CAboutBox about;
        ASSERT_TRUE(about.Create());
        ExpectLaidOut(about.GetSafeHwnd(), "about box");
        about.DestroyWindow();
    }
    {
        horolux::AlarmDataArray alarms;
        ui::CAlarmsDlg list(alarms, sounds);
        ASSERT_TRUE(list.Create());
        ExpectLaidOut(list.GetSafeHwnd(), "alarms");
        list.DestroyWindow();
    }
    {
        ui::CSetAlarmDlg set(sounds);
        ASSERT_TRUE(set.Create());
        ExpectLaidOut(set.GetSafeHwnd(), "set alarm");
        set.DestroyWindow();
    }
    {
        ui::CAlarmPopupDlg popup;
        popup.m_message = "Tea";
        ASSERT_TRUE(popup.Create());
        ExpectLaidOut(popup.GetSafeHwnd(), "alarm popup");
        popup.DestroyWindow();
    }
    {
        ui::CAlarmClockDlg clock(settings);
        ASSERT_TRUE(clock.Create());
        ExpectLaidOut(clock.GetSafeHwnd(), "floating clock");
        clock.DestroyWindow();
    }
    {
        ui::CTranspSliderDlg slider;
        ASSERT_TRUE(slider.Create());
        ExpectLaidOut(slider.GetSafeHwnd(), "transparency");
        slider.DestroyWindow();
    }
    {
        ui::CTimeSourceDlg source(horolux::TimeSourceChoice{}, {}, {});
        ASSERT_TRUE(source.Create());
        ExpectLaidOut(source.GetSafeHwnd(), "time source");
        source.DestroyWindow();
    }
}

TEST(DisplayScale, PicturesFontsAndSizesFollowTheScale) {
    const int dpi = Dpi();
    test::PictureDialog main;
    ASSERT_TRUE(main.Open());
    // The background covers the whole client area (the capture starts black), stretched and
    // tiled alike.
    EXPECT_EQ(test::Capture(main.GetSafeHwnd(), test::Capture::kBackground)
                  .CountIn(ClientRect(main.GetSafeHwnd()), RGB(0, 0, 0)),
              0);
    ASSERT_TRUE(main.SetBitmap(IDB_PATTERN, ui::CPictureDialog::kTile));
    EXPECT_EQ(test::Capture(main.GetSafeHwnd(), test::Capture::kBackground)
                  .CountIn(ClientRect(main.GetSafeHwnd()), RGB(0, 0, 0)),
              0);
    // Each button's face is drawn for its own size.
    for (const CShadedButton* b : {&main.sync, &main.close, &main.exit}) {
        const RECT r = WindowRect(b->GetSafeHwnd());
        EXPECT_EQ(b->Face(false).Image().Width(), r.right - r.left);
        EXPECT_EQ(b->Face(false).Image().Height(), r.bottom - r.top);
    }
    main.Close();

    ui::CAlarmPopupDlg popup;
    ASSERT_TRUE(popup.Create());
    EXPECT_EQ(FontOf(popup.GetDlgItem(IDC_POPUP_MESSAGE)).lfHeight, horolux::ScaleToDpi(26, dpi));
    // The bell grows with the scale as far as the dialog has room for it, in its own shape.
    const RECT picture = ClientRect(popup.GetDlgItem(IDC_POPUP_PICTURE));
    EXPECT_TRUE(picture.right >= 100 && picture.right <= horolux::ScaleToDpi(100, dpi))
        << picture.right;
    EXPECT_NEAR(picture.bottom, picture.right * 115 / 100, 1);
    popup.DestroyWindow();

    ui::CAboutBox about;
    ASSERT_TRUE(about.Create());
    LOGFONTA crawl{};
    GetObjectA(about.Credits().CrawlFont(), sizeof crawl, &crawl);
    EXPECT_EQ(crawl.lfHeight, horolux::ScaleToDpi(24, dpi));
    about.DestroyWindow();

    horolux::AlarmDataArray alarms;
    ui::AlarmSoundPlayer sounds;
    ui::CAlarmsDlg list(alarms, sounds);
    ASSERT_TRUE(list.Create());
    const HWND view = list.GetDlgItem(IDC_ALARM_LIST);
    int column = 0;
    for (int width : {50, 50, 200})
        EXPECT_EQ(ListView_GetColumnWidth(view, column++), horolux::ScaleToDpi(width, dpi));
    list.DestroyWindow();

    // The clock is its template's 18 × 9 dialog units at this scale, and no smaller.
    horolux::MemorySettingsStore settings;
    ui::CAlarmClockDlg clock(settings);
    ASSERT_TRUE(clock.Create());
    RECT units{0, 0, 18, 9};
    MapDialogRect(clock.GetSafeHwnd(), &units);
    const RECT client = ClientRect(clock.GetSafeHwnd()), outer = WindowRect(clock.GetSafeHwnd());
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);
    EXPECT_EQ(clock.MinTrackSize().cx, outer.right - outer.left);
    EXPECT_EQ(clock.MinTrackSize().cy, outer.bottom - outer.top);
    clock.DestroyWindow();
}

// ---- A move to another scale ----------------------------------------------------------------

// What Windows does when a window moves to a monitor of another scale: it asks the window what
// size it wants there (the plain scaled size when the window does not say) and suggests that
// size, at the same corner, in WM_DPICHANGED.
RECT Suggested(HWND hwnd, int from, int to) {
    const RECT r = WindowRect(hwnd);
    SIZE size{};
    if (!SendMessageA(hwnd, fw::kWmGetDpiScaledSize, static_cast<WPARAM>(to),
                      reinterpret_cast<LPARAM>(&size)))
        size = {horolux::RescaleLength(r.right - r.left, from, to),
                horolux::RescaleLength(r.bottom - r.top, from, to)};
    return {r.left, r.top, r.left + size.cx, r.top + size.cy};
}

void MoveToScale(HWND hwnd, int from, int to) {
    RECT suggested = Suggested(hwnd, from, to);
    SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
}

std::vector<horolux::PixelRect> Places(HWND dialog) {
    std::vector<horolux::PixelRect> places;
    for (HWND c : Controls(dialog)) places.push_back(PlaceOf(c));
    return places;
}

TEST(DisplayScale, AMoveToAnotherScaleLaysEachWindowOutAgainAndBack) {
    const int dpi = Dpi(), larger = dpi * 3 / 2;

    test::PictureDialog main;
    ASSERT_TRUE(main.Open());
    const HWND window = main.GetSafeHwnd();
    const std::vector<horolux::PixelRect> before = Places(window);
    const LONG fontBefore = FontOf(main.sync.GetSafeHwnd()).lfHeight;

    RECT suggested = Suggested(window, dpi, larger);
    MoveToScale(window, dpi, larger);
    const RECT outer = WindowRect(window);
    EXPECT_TRUE(EqualRect(&outer, &suggested)) << "the window takes the suggested rectangle";
    EXPECT_EQ(fw::DpiOf(main.sync.GetSafeHwnd()), static_cast<UINT>(larger));
    // The template's MS Sans Serif 8 as the dialog manager makes it at the new scale.
    EXPECT_EQ(FontOf(main.sync.GetSafeHwnd()).lfHeight, -horolux::MulDivRound(8, larger, 72));
    for (const CShadedButton* b : {&main.sync, &main.close, &main.exit}) {
        const RECT r = WindowRect(b->GetSafeHwnd());
        EXPECT_EQ(b->Face(false).Image().Width(), r.right - r.left) << "a face of the new size";
    }
    EXPECT_EQ(
        test::Capture(window, test::Capture::kBackground).CountIn(ClientRect(window), RGB(0, 0, 0)),
        0);
    ExpectLaidOut(window, "main window, larger");

    MoveToScale(window, larger, dpi);
    const std::vector<horolux::PixelRect> back = Places(window);
    for (std::size_t i = 0; i < back.size(); ++i)
        EXPECT_EQ(back[i], before[i])
            << "control " << i << " back where it was: " << ClassOf(Controls(window)[i]);
    EXPECT_EQ(FontOf(main.sync.GetSafeHwnd()).lfHeight, fontBefore);

    // Fonts, faces and pictures made for one scale go when the next one comes: the dialog's
    // and the popup's own font. (The picture behind the sync clip is kept per scale, so the count
    // is taken after one of each.)
    ui::CAlarmPopupDlg popup;
    ASSERT_TRUE(popup.Create());
    // The animation's thread makes and frees objects of its own between frames, which would
    // land in the counts at random; its picture does not depend on the scale, so it is stopped.
    auto* picture = static_cast<ui::CAnimatedPicture*>(
        fw::CWnd::FromHandle(popup.GetDlgItem(IDC_POPUP_PICTURE)));
    ASSERT_NE(picture, nullptr);
    picture->ReleasePicture();
    const auto roundTrip = [&] {
        for (HWND w : {window, popup.GetSafeHwnd()}) {
            MoveToScale(w, dpi, larger);
            RedrawWindow(w, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            MoveToScale(w, larger, dpi);
            RedrawWindow(w, nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        }
    };
    roundTrip();
    const int objects = test::CountGdiObjects();
    for (int i = 0; i < 10; ++i) roundTrip();
    EXPECT_EQ(test::CountGdiObjects(), objects);
    popup.DestroyWindow();
    main.Close();
}

TEST(DisplayScale, EachWindowRemakesWhatItMadeForTheOldScale) {
    const int dpi = Dpi(), larger = dpi * 3 / 2;

    ui::CAlarmPopupDlg popup;
    ASSERT_TRUE(popup.Create());
    MoveToScale(popup.GetSafeHwnd(), dpi, larger);
    // Made at 26 × dpi / 96 and scaled again: within the two roundings.
    const int message = FontOf(popup.GetDlgItem(IDC_POPUP_MESSAGE)).lfHeight;
    EXPECT_TRUE(message >= 26.0 * larger / 96 - 2 && message <= 26.0 * larger / 96 + 2) << message;
    const RECT picture = ClientRect(popup.GetDlgItem(IDC_POPUP_PICTURE));
    EXPECT_TRUE(picture.right >= 100 && picture.right <= horolux::ScaleToDpi(100, larger))
        << picture.right;
    ExpectLaidOut(popup.GetSafeHwnd(), "alarm popup, larger");
    popup.DestroyWindow();

    ui::CAboutBox about;
    ASSERT_TRUE(about.Create());
    MoveToScale(about.GetSafeHwnd(), dpi, larger);
    LOGFONTA crawl{};
    GetObjectA(about.Credits().CrawlFont(), sizeof crawl, &crawl);
    EXPECT_EQ(crawl.lfHeight, horolux::ScaleToDpi(24, larger));
    about.DestroyWindow();

    horolux::AlarmDataArray alarms;
    alarms.Add(std::make_unique<horolux::AlarmData>());
    ui::AlarmSoundPlayer sounds;
    ui::CAlarmsDlg list(alarms, sounds);
    ASSERT_TRUE(list.Create());
    const HWND view = list.GetDlgItem(IDC_ALARM_LIST);
    RECT row{};
    ListView_GetItemRect(view, 0, &row, LVIR_BOUNDS);
    const int rowHeight = row.bottom - row.top;
    const auto fontHeight = [view] {
        fw::WindowDC dc(view);
        fw::SelectObjectScope font(dc, fw::GetFont(view));
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        return static_cast<int>(tm.tmHeight);
    };
    const int fontBefore = fontHeight();
    MoveToScale(list.GetSafeHwnd(), dpi, larger);
    EXPECT_EQ(ListView_GetColumnWidth(view, 2),
              horolux::RescaleLength(horolux::ScaleToDpi(200, dpi), dpi, larger));
    ListView_GetItemRect(view, 0, &row, LVIR_BOUNDS);
    // Rows follow the font, which at some scales has no larger size (Wine's MS Sans Serif).
    EXPECT_GE(row.bottom - row.top, fontHeight());
    if (fontHeight() > fontBefore) EXPECT_GT(row.bottom - row.top, rowHeight);
    list.DestroyWindow();

    horolux::MemorySettingsStore settings;
    ui::CAlarmClockDlg clock(settings);
    ASSERT_TRUE(clock.Create());
    MoveToScale(clock.GetSafeHwnd(), dpi, larger);
    const RECT outer = WindowRect(clock.GetSafeHwnd());
    EXPECT_EQ(clock.MinTrackSize().cx, outer.right - outer.left) << "at its smallest still";
    EXPECT_EQ(clock.MinTrackSize().cy, outer.bottom - outer.top);
    const RECT face = ClientRect(clock.GetDlgItem(IDC_CLOCK_DISPLAY));
    const RECT client = ClientRect(clock.GetSafeHwnd());
    EXPECT_TRUE(EqualRect(&face, &client)) << "the digits still fill the clock";
    clock.DestroyWindow();

    ui::CSystemTray tray;
    ASSERT_TRUE(tray.Create(nullptr, WM_APP, "Horolux",
                            ui::CSystemTray::LoadTrayIcon(IDR_MAINFRAME), IDR_TRAY_MENU));
    ASSERT_TRUE(tray.SetFrameIcons(IDI_SYNC_FRAME_FIRST, IDI_SYNC_FRAME_LAST));
    MoveToScale(tray.GetSafeHwnd(), dpi, larger);
    const int side = fw::SmallIconSize(static_cast<UINT>(larger));
    EXPECT_EQ(IconSide(tray.GetTrayIcon()), side);
    EXPECT_EQ(tray.GetTrayIcon(), CSystemTray::LoadTrayIcon(IDR_MAINFRAME, side))
        << "the same picture";
    ASSERT_TRUE(tray.NextFrame());
    EXPECT_EQ(IconSide(tray.GetTrayIcon()), side) << "and the animation's frames";
    tray.DeleteIcon();
}

}  // namespace
