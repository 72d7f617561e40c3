#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "controls/gdi_objects.h"
#include "core/settings/config.h"
#include "res/resource.h"
#include "tests/support/memory_settings_store.h"
#include "ui/clockwnd/alarm_clock_dialog.h"
#include "ui/controls/keep_on_top.h"

using namespace ui;  // the layer under test

namespace {

using horolux::MemorySettingsStore;
namespace config = horolux::config;

constexpr COLORREF kDefaultLit = RGB(255, 0, 0), kDefaultUnlit = RGB(52, 0, 0);

std::optional<std::string> StoredText(MemorySettingsStore& s, const char* name) {
    const auto it = s.Values().find({config::kSection, name});
    if (it == s.Values().end() || !it->second.isText) return std::nullopt;
    return it->second.text;
}

std::optional<int> StoredInt(MemorySettingsStore& s, const char* name) {
    const auto it = s.Values().find({config::kSection, name});
    if (it == s.Values().end() || it->second.isText) return std::nullopt;
    return it->second.integer;
}

RECT Rect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
}

int Alpha(HWND h) {
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(h, nullptr, &alpha, &flags) || flags != LWA_ALPHA) return -1;
    return alpha;
}

bool Topmost(HWND h) {
    return (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// From a helper thread, waits for a new visible window of this process with class cls and runs
// act on it: the test thread meanwhile sits in the window's modal loop.
class Answer {
public:
    Answer(const char* cls, std::function<void(HWND)> act)
        : m_cls(cls), m_before(Windows(cls)), m_act(std::move(act)), m_thread([this] { Run(); }) {}
    ~Answer() { Join(); }
    void Join() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
    }
    HWND Seen() {
        Join();
        return m_seen;
    }

    static std::vector<HWND> Windows(const std::string& cls) {
        std::vector<HWND> found;
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, cls.c_str(), nullptr));) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId() && IsWindowVisible(w)) found.push_back(w);
        }
        return found;
    }

private:
    void Run() {
        for (const DWORD start = GetTickCount(); !m_stop && GetTickCount() - start < 10000;) {
            for (HWND w : Windows(m_cls)) {
                if (std::find(m_before.begin(), m_before.end(), w) != m_before.end()) continue;
                m_seen = w;
                Sleep(50);  // let it settle into its loop
                m_act(w);
                return;
            }
            Sleep(10);
        }
    }

    std::string m_cls;
    std::vector<HWND> m_before;
    std::function<void(HWND)> m_act;
    std::atomic<bool> m_stop{false};
    HWND m_seen = nullptr;
    std::thread m_thread;
};

void PostKeys(HWND target, std::initializer_list<WPARAM> keys) {
    for (WPARAM k : keys) {
        PostMessageA(target, WM_KEYDOWN, k, 0);
        Sleep(20);
    }
}

// The clock with the user's parts of the drag and the colour dialog played by the test.
class TestClock : public CAlarmClockDlg {
public:
    using CAlarmClockDlg::CAlarmClockDlg;
    std::optional<POINT> dragTo;         // where the user lets go; none: the system's move loop
    std::optional<POINT> keyTo;          // where the keyboard's move ends; none: the system's
    std::optional<COLORREF> pick;        // the colour chosen; none: the colour dialog cancelled
    std::function<void()> whilePicking;  // runs where the colour dialog would
    int moveLoops = 0, keyboardMoves = 0, picks = 0;
    bool* deleted = nullptr;
    ~TestClock() override {
        if (deleted) *deleted = true;
    }

protected:
    void RunMoveLoop() override {
        ++moveLoops;
        if (!dragTo) return CAlarmClockDlg::RunMoveLoop();
        SetWindowPos(m_hWnd, nullptr, dragTo->x, dragTo->y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void RunKeyboardMoveLoop() override {
        ++keyboardMoves;
        if (!keyTo) return CAlarmClockDlg::RunKeyboardMoveLoop();
        SetWindowPos(m_hWnd, nullptr, keyTo->x, keyTo->y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    bool PickColour(COLORREF& colour) override {
        ++picks;
        if (whilePicking) whilePicking();
        if (!pick) return false;
        colour = *pick;
        return true;
    }
};

class AlarmClock : public ::testing::Test {
protected:
    void Open() {
        ASSERT_TRUE(clock.Create());
        hwnd = clock.GetSafeHwnd();
        ShowWindow(hwnd, SW_SHOW);
        clock.SetShowFlag(&shown);
    }
    void TearDown() override {
        if (clock.GetSafeHwnd()) clock.DestroyWindow();
    }
    void MoveTo(int x, int y) {
        SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    MemorySettingsStore settings;
    TestClock clock{settings};
    HWND hwnd = nullptr;
    int shown = 1;
};

TEST_F(AlarmClock, OpensTopmostAndLayeredWithTheDigitDisplay) {
    Open();
    EXPECT_TRUE(IsWindowVisible(hwnd));
    const LONG ex = GetWindowLongA(hwnd, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TOPMOST);
    EXPECT_TRUE(ex & WS_EX_LAYERED);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_CAPTION);
    EXPECT_EQ(Alpha(hwnd), 178) << "70 percent";

    const CSegmentDisplay& display = clock.Display();
    EXPECT_EQ(display.GetSafeHwnd(), GetDlgItem(hwnd, IDC_CLOCK_DISPLAY));
    EXPECT_EQ(display.GetDisplayStyle(), 6u);
    EXPECT_EQ(display.GetText(), "");
    EXPECT_EQ(display.GetLitColor(), kDefaultLit);
    EXPECT_EQ(display.GetUnlitColor(), kDefaultUnlit);
    EXPECT_EQ(display.GetBackground(), RGB(0, 0, 0));

    // Clicks on the display reach the clock.
    RECT r = Rect(display.GetSafeHwnd());
    EXPECT_EQ(
        SendMessageA(display.GetSafeHwnd(), WM_NCHITTEST, 0, MAKELPARAM(r.left + 2, r.top + 2)),
        HTTRANSPARENT);

    clock.SetClockText("12::5");
    EXPECT_EQ(display.GetText(), "12::5");
    EXPECT_EQ(display.GlyphCount(), 5u);
}

TEST_F(AlarmClock, TheSliderMessageSetsTheOpacity) {
    Open();
    const struct {
        WPARAM wp;
        LPARAM lp;
        int percent;
    } cases[] = {{1, 40, 40}, {2, 90, 40}, {1, 0, 40}, {1, 5, 10}, {1, 100, 100}};
    for (const auto& c : cases) {
        EXPECT_EQ(SendMessageA(hwnd, ui::UWM_SET_TRANSPARENCY, c.wp, c.lp), 1);
        EXPECT_EQ(clock.Opacity(), c.percent) << c.wp << "," << c.lp;
        EXPECT_EQ(Alpha(hwnd), c.percent * 255 / 100) << c.wp << "," << c.lp;
        EXPECT_EQ(StoredInt(settings, "AlarmClockTransp"), c.percent);
    }
}

TEST_F(AlarmClock, TheSliderGestureFollowsTheMouseAndKeepsTheLastPosition) {
    Open();
    int alphaWhileHeld = -1;
    bool sliderHadMouse = false;
    Answer popup("#32770", [&](HWND dlg) {
        HWND slider = GetDlgItem(dlg, IDC_TRANSP_SLIDER);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(slider, nullptr), &info);
        sliderHadMouse = info.hwndCapture == slider;
        PostMessageA(slider, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(5, 40));
        // The slider reports its position as it next paints: wait for that report, with the
        // button still held, rather than for a fixed time.
        for (const DWORD start = GetTickCount();
             Alpha(hwnd) != 102 && GetTickCount() - start < 5000;)
            Sleep(5);
        alphaWhileHeld = Alpha(hwnd);
        PostMessageA(slider, WM_RBUTTONUP, 0, MAKELPARAM(5, 40));
    });
    SendMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    ASSERT_TRUE(popup.Seen());
    EXPECT_TRUE(sliderHadMouse);
    EXPECT_EQ(alphaWhileHeld, 102) << "40 percent while the button is still held";
    EXPECT_EQ(clock.Opacity(), 40);
    EXPECT_FALSE(IsWindow(popup.Seen()));

    // Released without moving: the slider's 0 leaves the opacity alone.
    Answer again("#32770", [](HWND dlg) {
        PostMessageA(GetDlgItem(dlg, IDC_TRANSP_SLIDER), WM_RBUTTONUP, 0, 0);
    });
    SendMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    ASSERT_TRUE(again.Seen());
    EXPECT_EQ(clock.Opacity(), 40);
}

TEST(AlarmClockSettings, StoredValuesAreAppliedAndOddOnesDoNoHarm) {
    const RECT created = [] {
        MemorySettingsStore s;
        ui::CAlarmClockDlg c(s);
        c.Create();
        return Rect(c.GetSafeHwnd());
    }();
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    constexpr COLORREF kBlack = RGB(0, 0, 0);
    constexpr RECT kStored{100, 50, 220, 110};
    const struct {
        const char* placement;
        std::optional<RECT> at;  // none: somewhere on the screen
        std::optional<int> opacity;
        int percent;
        const char *back, *lit, *unlit;
        COLORREF expectBack, expectLit, expectUnlit;
    } cases[] = {
        {"", created, std::nullopt, 70, "0", "0", "0", kBlack, kDefaultLit, kDefaultUnlit},
        {"100,50,220,110,1,0", kStored, 50, 50, "16711680", "65280", "128", RGB(0, 0, 255),
         RGB(0, 255, 0), RGB(128, 0, 0)},
        {"10,20,30", created, 5, 10, "-1", "green", "16777216", kBlack, kDefaultLit, kDefaultUnlit},
        // Stored states the user cannot get back from; 256 would wrap to an invisible clock.
        {"100,50,220,110,2,0", kStored, 256, 100, "", "", "", kBlack, kDefaultLit, kDefaultUnlit},
        {"100,50,220,110,3,0", kStored, -5, 10, "", "", "", kBlack, kDefaultLit, kDefaultUnlit},
        {"-500000,-500000,-499880,-499940,1,0", std::nullopt, 150, 100, "", "", "", kBlack,
         kDefaultLit, kDefaultUnlit},
        {"2147483647,2147483647,-2147483648,-2147483648,1,0", std::nullopt, 70, 70, "", "", "",
         kBlack, kDefaultLit, kDefaultUnlit},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.placement);
        MemorySettingsStore s;
        config::Write(s, config::kAlarmClockPlacement, std::string(c.placement));
        if (c.opacity) config::Write(s, config::kAlarmClockTransp, *c.opacity);
        config::Write(s, config::kAlarmClockBkColor, std::string(c.back));
        config::Write(s, config::kAlarmClockTextColor, std::string(c.lit));
        config::Write(s, config::kAlarmClockTextBkColor, std::string(c.unlit));
        ui::CAlarmClockDlg clock(s);
        ASSERT_TRUE(clock.Create());
        HWND h = clock.GetSafeHwnd();
        ShowWindow(h, SW_SHOW);

        const RECT r = Rect(h);
        EXPECT_TRUE(IsWindowVisible(h) && !IsIconic(h) && !IsZoomed(h));
        if (c.at) {
            EXPECT_EQ(r.left, c.at->left);
            EXPECT_EQ(r.top, c.at->top);
            EXPECT_EQ(r.right, c.at->right);
            EXPECT_EQ(r.bottom, c.at->bottom);
        } else {
            EXPECT_TRUE(r.right > 0 && r.bottom > 0 && r.left < screenW && r.top < screenH)
                << r.left << "," << r.top;
            EXPECT_GE(r.right - r.left, created.right - created.left);
            EXPECT_GE(r.bottom - r.top, created.bottom - created.top);
        }
        EXPECT_EQ(Alpha(h), c.percent * 255 / 100);
        EXPECT_EQ(StoredInt(s, "AlarmClockTransp"), c.percent);
        EXPECT_EQ(clock.Display().GetBackground(), c.expectBack);
        EXPECT_EQ(clock.Display().GetLitColor(), c.expectLit);
        EXPECT_EQ(clock.Display().GetUnlitColor(), c.expectUnlit);

        clock.DestroyWindow();
        EXPECT_EQ(StoredText(s, "AlarmClockPlacement"),
                  horolux::FormatPlacement({{r.left, r.top, r.right, r.bottom}, 1, 0}));
    }
}

TEST_F(AlarmClock, MenuCommandsReachTheirHandlers) {
    Open();
    MoveTo(200, 150);
    const RECT at = Rect(hwnd);
    const struct {
        int downs;
        const char* setting;
        COLORREF pick;
    } items[] = {
        {1, "AlarmClockTextColor", RGB(0, 200, 0)},
        {2, "AlarmClockTextBkColor", RGB(0, 50, 0)},
        {3, "AlarmClockBkColor", RGB(10, 20, 30)},
    };
    for (const auto& item : items) {
        clock.pick = item.pick;
        RECT menuRect{};
        Answer menu("#32768", [&](HWND m) {
            GetWindowRect(m, &menuRect);
            for (int i = 0; i < item.downs; ++i) PostKeys(m, {VK_DOWN});
            PostKeys(m, {VK_RETURN});
        });
        SendMessageA(hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(7, 9));
        ASSERT_TRUE(menu.Seen()) << item.setting;
        EXPECT_EQ(menuRect.left, at.left + 7) << "the click's client point from the outer corner";
        EXPECT_EQ(menuRect.top, at.top + 9);
        EXPECT_EQ(StoredText(settings, item.setting), std::to_string(item.pick)) << item.setting;
    }
    const CSegmentDisplay& display = clock.Display();
    EXPECT_EQ(display.GetLitColor(), RGB(0, 200, 0));
    EXPECT_EQ(display.GetUnlitColor(), RGB(0, 50, 0));
    EXPECT_EQ(display.GetBackground(), RGB(10, 20, 30));
    EXPECT_EQ(clock.picks, 3);

    // A dismissed menu changes nothing.
    Answer dismiss("#32768", [](HWND m) { PostKeys(m, {VK_ESCAPE}); });
    SendMessageA(hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(7, 9));
    ASSERT_TRUE(dismiss.Seen());
    EXPECT_EQ(clock.picks, 3);

    // "Close alarm clock": the window goes, the owner's flag is cleared, the place is kept.
    Answer close("#32768", [](HWND m) {
        PostKeys(m, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});
    });
    SendMessageA(hwnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(7, 9));
    ASSERT_TRUE(close.Seen());
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(StoredText(settings, "AlarmClockPlacement"),
              horolux::FormatPlacement({{at.left, at.top, at.right, at.bottom}, 1, 0}));
    clock.SetClockText("1::2");
    EXPECT_EQ(display.GetText(), "") << "nothing while the window is gone";
}

TEST(AlarmClockColourDialog, OpensAndItsCancelChangesNothing) {
    MemorySettingsStore settings;
    ui::CAlarmClockDlg clock(settings);
    ASSERT_TRUE(clock.Create());
    std::string caption;
    Answer menu("#32768", [](HWND m) { PostKeys(m, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}); });
    Answer colours("#32770", [&](HWND dlg) {
        char text[64] = {};
        GetWindowTextA(dlg, text, sizeof text);
        caption = text;
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    SendMessageA(clock.GetSafeHwnd(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(3, 3));
    ASSERT_TRUE(menu.Seen());
    ASSERT_TRUE(colours.Seen());
    EXPECT_EQ(caption, "Color");
    EXPECT_EQ(clock.Display().GetBackground(), RGB(0, 0, 0));
    EXPECT_FALSE(StoredText(settings, "AlarmClockBkColor"));
}

TEST_F(AlarmClock, DoubleClickWithCtrlOpensTheAboutBoxWithShiftNothing) {
    Open();
    bool hadCredits = false;
    Answer about("#32770", [&](HWND box) {
        hadCredits = GetDlgItem(box, IDC_STAR_CREDITS) != nullptr;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    SendMessageA(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_CONTROL, MAKELPARAM(3, 3));
    ASSERT_TRUE(about.Seen());
    EXPECT_TRUE(hadCredits) << "the about box";

    Answer none("#32768", [](HWND m) { PostKeys(m, {VK_ESCAPE}); });
    SendMessageA(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT, MAKELPARAM(3, 3));
    EXPECT_FALSE(none.Seen());
    EXPECT_EQ(clock.picks, 0);
}

TEST_F(AlarmClock, DraggingPastAnEdgeItDidNotTouchSnapsBack) {
    Open();
    const RECT r = Rect(hwnd);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    const struct {
        POINT from, to, expected;
    } cases[] = {
        {{10, 100}, {-40, 100}, {0, 100}},
        {{0, 100}, {-40, 100}, {-40, 100}},  // it touched the edge before: may go past it
        {{300, 300}, {screenW - w + 30, screenH - h + 20}, {screenW - w, screenH - h}},
    };
    for (const auto& c : cases) {
        MoveTo(c.from.x, c.from.y);
        clock.dragTo = c.to;
        SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(4, 4));
        const RECT after = Rect(hwnd);
        EXPECT_EQ(after.left, c.expected.x) << c.to.x << "," << c.to.y;
        EXPECT_EQ(after.top, c.expected.y) << c.to.x << "," << c.to.y;
        EXPECT_EQ(after.right - after.left, w);
    }
    const int loops = clock.moveLoops;
    SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON | MK_CONTROL, MAKELPARAM(4, 4));
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
    EXPECT_EQ(clock.moveLoops, loops) << "only the left button alone drags";
}

// The user's side of a real drag, played from inside the system's move loop. The loop shows every
// message it takes to the thread's message filter before acting on it, so when the filter sees a
// message, the loop has carried out every one before. Each pointer move is input marked as ours,
// and the next is given only once the loop has taken the one before: every step is seen done.
// The display also reports where its own pointer is now and then (when the loop takes the
// mouse, say), a little behind ours; the step under way is then given again.
class DragScript {
public:
    static constexpr ULONG_PTR kOurs = 0x484C5844;

    DragScript(HWND window, std::vector<POINT> path) : m_window(window), m_path(std::move(path)) {
        s_current = this;
        m_hook =
            SetWindowsHookExA(WH_MSGFILTER, &DragScript::Filter, nullptr, GetCurrentThreadId());
    }
    ~DragScript() {
        if (m_hook) UnhookWindowsHookEx(m_hook);
        s_current = nullptr;
    }
    DragScript(const DragScript&) = delete;
    DragScript& operator=(const DragScript&) = delete;

    explicit operator bool() const { return m_hook != nullptr; }
    // Gives the first move; the move loop takes it from there.
    void Begin() { Give(0); }
    // Where the window's corner was after each point, and whether the button went up.
    const std::vector<POINT>& Corners() const { return m_corners; }
    bool Released() const { return m_released; }

    // Moves the pointer to p: absolute input in 65536ths of the screen, rounded up so that the
    // system's rounding down lands on p (relative input would be accelerated).
    static void MoveTo(POINT p) {
        const LONG w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = (p.x * 65536 + w - 1) / w;
        in.mi.dy = (p.y * 65536 + h - 1) / h;
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        in.mi.dwExtraInfo = kOurs;
        SendInput(1, &in, sizeof in);
    }
    static void Button(DWORD flags) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        in.mi.dwExtraInfo = kOurs;
        SendInput(1, &in, sizeof in);
    }
    // True for our move of the pointer to p, as the thread takes it.
    static bool OursAt(const MSG& msg, POINT p) {
        return msg.message == WM_MOUSEMOVE && msg.pt.x == p.x && msg.pt.y == p.y &&
               static_cast<ULONG_PTR>(GetMessageExtraInfo()) == kOurs;
    }

private:
    static constexpr int kMoveOrSizeLoop = 4;  // MSGF_SIZE, which today's headers no longer name

    static LRESULT CALLBACK Filter(int code, WPARAM wp, LPARAM lp) {
        if (code == kMoveOrSizeLoop && s_current)
            s_current->Took(*reinterpret_cast<const MSG*>(lp));
        return CallNextHookEx(nullptr, code, wp, lp);
    }
    void Took(const MSG& msg) {
        if (m_cornerDue) {  // the loop has carried out the last step's moves
            RECT r{};
            GetWindowRect(m_window, &r);
            m_corners.push_back({r.left, r.top});
            m_cornerDue = false;
        }
        if (msg.message == WM_LBUTTONUP) m_released = true;
        if (m_given == 0 || m_done == m_given || msg.message != WM_MOUSEMOVE) return;
        if (!OursAt(msg, m_bound)) {
            if (static_cast<ULONG_PTR>(GetMessageExtraInfo()) != kOurs) MoveTo(m_bound);
            return;
        }
        m_done = m_given;
        m_cornerDue = true;
        if (m_given < m_path.size())
            Give(m_given);
        else
            Button(MOUSEEVENTF_LEFTUP);
    }
    void Give(size_t index) {
        m_bound = m_path[index];
        MoveTo(m_bound);
        m_given = index + 1;
    }

    static inline DragScript* s_current = nullptr;
    HWND m_window;
    std::vector<POINT> m_path;
    HHOOK m_hook = nullptr;
    size_t m_given = 0, m_done = 0;
    POINT m_bound{};
    bool m_cornerDue = false, m_released = false;
    std::vector<POINT> m_corners;
};

// Pumps this thread's messages until one for which stop holds has been dispatched, or 10 s pass.
template <class Stop>
bool PumpUntil(Stop stop) {
    MSG msg{};
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 10000;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            continue;
        }
        const bool done = stop(msg);
        DispatchMessageA(&msg);
        if (done) return true;
    }
    return false;
}

TEST_F(AlarmClock, ARealDragFollowsThePointerAndSnapsBackAtTheLeftEdge) {
    Open();
    MoveTo(30, 100);
    // The pointer to (40, 105) on the clock before the button goes down there; the press is taken
    // like the user's own, so the move loop starts from it.
    POINT at{};
    GetCursorPos(&at);
    if (at.x != 40 || at.y != 105) {
        DragScript::MoveTo({40, 105});
        ASSERT_TRUE(PumpUntil([&](const MSG& m) { return DragScript::OursAt(m, {40, 105}); }));
    }
    DragScript::Button(MOUSEEVENTF_LEFTDOWN);
    const bool pressed =
        PumpUntil([&](const MSG& m) { return m.message == WM_LBUTTONDOWN && m.hwnd == hwnd; });
    if (!pressed) DragScript::Button(MOUSEEVENTF_LEFTUP);  // no button left held
    ASSERT_TRUE(pressed);

    std::vector<POINT> path;
    for (int i = 1; i <= 4; ++i) path.push_back({40 - i * 10, 105 + i * 10});
    DragScript script(hwnd, path);
    if (!script) DragScript::Button(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(script);
    // Never left hanging in the move loop: the button goes up after 10 s whatever happened.
    HANDLE over = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread guard([&] {
        if (WaitForSingleObject(over, 10000) == WAIT_TIMEOUT)
            DragScript::Button(MOUSEEVENTF_LEFTUP);
    });
    script.Begin();
    // The button is held: the clock's move starts the system's move loop, which returns when the
    // button is let go.
    SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 5));
    SetEvent(over);
    guard.join();
    CloseHandle(over);
    if (!script.Released()) DragScript::Button(MOUSEEVENTF_LEFTUP);
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);

    EXPECT_EQ(clock.moveLoops, 1);
    EXPECT_TRUE(script.Released());
    const std::vector<POINT>& corners = script.Corners();
    ASSERT_EQ(corners.size(), path.size()) << "the window after each point";
    for (size_t i = 0; i < corners.size(); ++i) {
        EXPECT_EQ(corners[i].x, 30 - 10 * static_cast<int>(i + 1)) << "point " << i + 1;
        EXPECT_EQ(corners[i].y, 100 + 10 * static_cast<int>(i + 1)) << "point " << i + 1;
    }
    const POINT halfWay = corners[1];
    EXPECT_EQ(halfWay.x, 10);
    EXPECT_EQ(halfWay.y, 120);
    const RECT after = Rect(hwnd);
    EXPECT_EQ(after.left, 0) << "the pointer left it at -10";
    EXPECT_EQ(after.top, 140);
}

TEST_F(AlarmClock, TheTimerRaisesItOnlyWhileShownAndKeepOnTopLeavesTheFocus) {
    Open();
    const struct {
        int flag;
        bool raised;
    } cases[] = {{1, true}, {0, false}};
    for (const auto& c : cases) {
        shown = c.flag;
        SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        ASSERT_FALSE(Topmost(hwnd));
        SendMessageA(hwnd, WM_TIMER, ui::kTimerKeepOnTop, 0);
        EXPECT_EQ(Topmost(hwnd), c.raised) << c.flag;
    }

    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 400, 400, 80, 40,
                                 nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    ASSERT_EQ(GetForegroundWindow(), other);
    SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ui::KeepOnTop(hwnd);
    EXPECT_TRUE(Topmost(hwnd));
    EXPECT_EQ(GetForegroundWindow(), other);
    DestroyWindow(other);
}

TEST_F(AlarmClock, NoSmallerThanAtCreationAndTheDisplayFillsItWithoutLeaking) {
    Open();
    clock.SetClockText("12::5");
    const RECT created = Rect(hwnd);
    SetWindowPos(hwnd, nullptr, 0, 0, 5, 5, SWP_NOMOVE | SWP_NOZORDER);
    RECT r = Rect(hwnd);
    EXPECT_EQ(r.right - r.left, created.right - created.left);
    EXPECT_EQ(r.bottom - r.top, created.bottom - created.top);

    HWND display = clock.Display().GetSafeHwnd();
    auto resize = [&](int w, int h) {
        SetWindowPos(hwnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER);
        RECT client{}, shown{};
        GetClientRect(hwnd, &client);
        GetClientRect(display, &shown);
        EXPECT_EQ(shown.right, client.right) << w;
        EXPECT_EQ(shown.bottom, client.bottom) << h;
    };
    resize(300, 100);
    resize(90, 140);

    for (int i = 0; i < 50; ++i) resize(100 + i % 7 * 20, 60 + i % 5 * 10);
    const int before = test::CountGdiObjects();
    for (int i = 0; i < 800; ++i) {
        SetWindowPos(hwnd, nullptr, 0, 0, 100 + i % 7 * 20, 60 + i % 5 * 10,
                     SWP_NOMOVE | SWP_NOZORDER);
        clock.SetClockText(std::to_string(i % 60) + "::" + std::to_string(i % 9));
        UpdateWindow(hwnd);
    }
    EXPECT_EQ(test::CountGdiObjects(), before);
}

TEST(AlarmClockHolder, AClockReplacedInsideItsColourDialogLivesUntilTheDialogReturns) {
    MemorySettingsStore settings;
    ui::CAlarmClockHolder holder;
    bool oldDeleted = false;
    auto first = std::make_unique<TestClock>(settings);
    TestClock* old = first.get();
    old->deleted = &oldDeleted;
    ASSERT_TRUE(first->Create());
    HWND oldWindow = first->GetSafeHwnd();
    holder.Reset(std::move(first));

    // The tray's "Show Alarm Clock" while the old clock's colour dialog is open.
    old->pick = RGB(1, 2, 3);
    old->whilePicking = [&] {
        auto next = std::make_unique<ui::CAlarmClockDlg>(settings);
        ASSERT_TRUE(next->Create());
        holder.Reset(std::move(next));
        EXPECT_FALSE(IsWindow(oldWindow));
        EXPECT_FALSE(oldDeleted) << "its handler is still running";
    };
    Answer menu("#32768", [](HWND m) { PostKeys(m, {VK_DOWN, VK_RETURN}); });
    SendMessageA(oldWindow, WM_LBUTTONDBLCLK, 0, MAKELPARAM(3, 3));
    ASSERT_TRUE(menu.Seen());
    EXPECT_FALSE(StoredText(settings, "AlarmClockTextColor")) << "no colour for a clock that went";
    EXPECT_FALSE(oldDeleted);
    ASSERT_TRUE(holder);
    EXPECT_TRUE(IsWindow(holder->GetSafeHwnd()));
    holder.Reset();
    EXPECT_TRUE(oldDeleted) << "freed at the next replacement";
    EXPECT_FALSE(holder);
}

TEST(LayeredWindowHelper, MissingModuleOrCallIsNoError) {
    HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 20, 20, nullptr, nullptr, nullptr,
                             nullptr);
    CLayeredWindowHelper::AddLayeredStyle(w);
    EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_LAYERED);
    ui::CLayeredWindowHelper noModule("no_such_module_here.dll");
    EXPECT_FALSE(noModule.Loaded());
    EXPECT_TRUE(noModule.SetOpacity(w, 50));
    ui::CLayeredWindowHelper noCall("KERNEL32.dll");
    EXPECT_FALSE(noCall.SetOpacity(w, 50));
    EXPECT_EQ(Alpha(w), -1) << "nothing was set";
    ui::CLayeredWindowHelper user32;
    EXPECT_TRUE(user32.SetOpacity(w, 150));
    EXPECT_EQ(Alpha(w), 255);
    DestroyWindow(w);
}

}  // namespace

// The context-menu key: the mouse's menu with Move and Opacity added, at the clock's lower
// left; Move runs the system's keyboard move (arrow keys, then Enter) and snaps the clock back
// onto the screen as a drag does. A mouse's WM_CONTEXTMENU (after the right button's opacity
// popup) opens nothing.
TEST_F(AlarmClock, TheContextMenuKeyOpensTheMenuWithMoveAndOpacity) {
    Open();
    MoveTo(200, 150);
    const RECT at = Rect(hwnd);
    std::atomic<int> menus{0};
    RECT menuRect{};
    std::vector<std::string> items;
    Answer menu("#32768", [&](HWND m) {
        ++menus;
        GetWindowRect(m, &menuRect);
        HMENU h = reinterpret_cast<HMENU>(SendMessageA(m, MN_GETHMENU, 0, 0));
        for (int i = 0; i < GetMenuItemCount(h); ++i) {
            char text[64] = {};
            GetMenuStringA(h, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            items.push_back(text);
        }
        PostMessageA(m, WM_CHAR, 'm', 0);
    });
    clock.keyTo = POINT{-30, 170};
    SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
    ASSERT_TRUE(menu.Seen());
    EXPECT_EQ(items, (std::vector<std::string>{"Set text fore color...", "Set text back color...",
                                               "Set background color...", "Close alarm clock", "",
                                               kKeyboardMoveText, kKeyboardOpacityText}));
    EXPECT_EQ(menuRect.left, at.left);
    EXPECT_EQ(menuRect.top, at.bottom);
    EXPECT_EQ(clock.keyboardMoves, 1);
    EXPECT_EQ(Rect(hwnd).left, 0) << "snapped back";
    EXPECT_EQ(Rect(hwnd).top, 170);

    SendMessageA(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(210, 160));
    EXPECT_EQ(menus, 1) << "a mouse's context menu message opens none";
}
