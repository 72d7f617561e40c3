#include "ui/alarms/animated_picture.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "controls/gdi_objects.h"
#include "controls/test_picture_dialog.h"
#include "framework/dialog.h"
#include "resource.h"
#include "test_resources.h"

using namespace ui;  // the layer under test

namespace {

using Bytes = std::vector<std::uint8_t>;

// The four colours of the test GIFs' global table, by index.
const COLORREF kColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
enum { kRed, kGreen, kBlue, kWhite };

struct TestFrame {
    int left, top, width, height;
    int colour;
    int delay = 30;  // hundredths; -1 writes no graphic control extension
    int disposal = 0;
    int transparent = -1;  // colour index drawn as transparent
    bool garbage = false;  // image data no decoder accepts
};

void Put(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

Bytes Word(int v) {
    return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF)};
}

// LZW data of one colour: 3-bit codes, with a clear code after every second pixel so the code
// width never grows.
Bytes SolidImageData(int pixels, int colour) {
    std::vector<int> codes{4};
    for (int i = 0; i < pixels; ++i) {
        codes.push_back(colour);
        if (i % 2 == 1) codes.push_back(4);
    }
    codes.push_back(5);
    Bytes packed;
    unsigned bits = 0, count = 0;
    for (int code : codes) {
        bits |= static_cast<unsigned>(code) << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8)
            packed.push_back(static_cast<std::uint8_t>(bits));
    }
    if (count) packed.push_back(static_cast<std::uint8_t>(bits));
    Bytes data{2};
    for (std::size_t i = 0; i < packed.size(); i += 255) {
        const std::size_t n = std::min<std::size_t>(255, packed.size() - i);
        data.push_back(static_cast<std::uint8_t>(n));
        data.insert(data.end(), packed.begin() + static_cast<std::ptrdiff_t>(i),
                    packed.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    data.push_back(0);
    return data;
}

Bytes MakeGif(int width, int height, const std::vector<TestFrame>& frames) {
    Bytes b{'G', 'I', 'F', '8', '9', 'a'};
    Put(b, Word(width));
    Put(b, Word(height));
    Put(b, {0x81, 0, 0});
    for (COLORREF c : kColours) Put(b, {GetRValue(c), GetGValue(c), GetBValue(c)});
    for (const TestFrame& f : frames) {
        if (f.delay >= 0) {
            const auto flags = static_cast<std::uint8_t>(f.disposal << 2 | (f.transparent >= 0));
            Put(b, {0x21, 0xF9, 4, flags});
            Put(b, Word(f.delay));
            Put(b, {static_cast<std::uint8_t>(f.transparent >= 0 ? f.transparent : 0), 0});
        }
        b.push_back(0x2C);
        for (int v : {f.left, f.top, f.width, f.height}) Put(b, Word(v));
        b.push_back(0);
        // A code size of 15 is out of range for any decoder.
        Put(b, f.garbage ? Bytes{15, 3, 0xAA, 0xBB, 0xCC, 0}
                         : SolidImageData(f.width * f.height, f.colour));
    }
    b.push_back(0x3B);
    return b;
}

// A 24-bit bitmap file in four quadrants: red, green over blue, white.
Bytes MakeBmp(int width, int height) {
    const int stride = (width * 3 + 3) & ~3;
    const int bits = stride * height;
    Bytes b{'B', 'M'};
    auto dword = [&b](int v) {
        Put(b, Word(v & 0xFFFF));
        Put(b, Word((v >> 16) & 0xFFFF));
    };
    dword(54 + bits);
    dword(0);
    dword(54);
    dword(40);
    dword(width);
    dword(height);
    Put(b, Word(1));
    Put(b, Word(24));
    for (int i = 0; i < 6; ++i) dword(0);
    for (int row = height - 1; row >= 0; --row) {  // bottom-up
        for (int x = 0; x < width; ++x) {
            const int quadrant = (row >= height / 2) * 2 + (x >= width / 2);
            const COLORREF c = kColours[quadrant];
            Put(b, {GetBValue(c), GetGValue(c), GetRValue(c)});
        }
        b.resize(b.size() + static_cast<std::size_t>(stride - width * 3), 0);
    }
    return b;
}

// The bytes in a movable global block, freed at the end of the scope.
class Block {
public:
    explicit Block(const Bytes& bytes)
        : h_(GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size())),
          size_(static_cast<DWORD>(bytes.size())) {
        if (!bytes.empty()) std::memcpy(GlobalLock(h_), bytes.data(), bytes.size());
        GlobalUnlock(h_);
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    ~Block() { GlobalFree(h_); }
    HGLOBAL Get() const { return h_; }
    DWORD Size() const { return size_; }

private:
    HGLOBAL h_;
    DWORD size_;
};

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(1);
    } while (GetTickCount() - start < ms);
}

bool ThreadEnded(HANDLE thread) {
    return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

int CountThreads() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int n = 0;
    for (BOOL ok = Thread32First(snap, &entry); ok; ok = Thread32Next(snap, &entry))
        n += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snap);
    return n;
}

// Handle counts are stubs under Wine, but the server gives out the lowest free slot: the next
// handle's value rises with every handle left open.
std::uintptr_t NextHandleValue() {
    HANDLE probe = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const auto value = reinterpret_cast<std::uintptr_t>(probe);
    CloseHandle(probe);
    return value;
}

class AnimatedPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.Create());
        SetWindowPos(dialog.GetSafeHwnd(), HWND_TOP, 30, 30, 0, 0,
                     SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
        ASSERT_TRUE(picture.SubclassDlgItem(IDC_TEST_ANIMATED_PICTURE, dialog.GetSafeHwnd()));
        control = picture.GetSafeHwnd();
        GetWindowRect(control, &placed);
    }
    void TearDown() override { dialog.DestroyWindow(); }

    bool Load(const Bytes& bytes) {
        Block block(bytes);
        return picture.LoadPicture(block.Get(), block.Size());
    }
    bool LoadAlarmGif() {
        return picture.LoadPictureResource(MAKEINTRESOURCEA(IDR_ALARM_GIF), "GIF");
    }
    SIZE ControlSize() const {
        RECT rc{};
        GetWindowRect(control, &rc);
        return {rc.right - rc.left, rc.bottom - rc.top};
    }
    bool WaitForFrames(unsigned n) {
        const DWORD start = GetTickCount();
        while (picture.FramesRendered() < n && GetTickCount() - start < 5000) PumpFor(0);
        return picture.FramesRendered() >= n;
    }
    // Waits for the nth frame drawn since loading and copies the surface at once, well inside
    // that frame's delay.
    std::unique_ptr<test::Capture> AtFrame(unsigned n) {
        if (!WaitForFrames(n) || picture.FramesRendered() != n) return nullptr;
        auto shot = std::make_unique<test::Capture>(control);
        return picture.FramesRendered() == n ? std::move(shot) : nullptr;
    }
    unsigned RenderedDuring(DWORD ms) {
        const unsigned before = picture.FramesRendered();
        PumpFor(ms);
        return picture.FramesRendered() - before;
    }

    fw::CDialog dialog{IDD_TEST_ANIMATED};
    CAnimatedPicture picture;
    HWND control = nullptr;
    RECT placed{};
};

TEST_F(AnimatedPictureTest, AlarmGifHasFourteenFramesOfTheWholePicture) {
    ASSERT_TRUE(LoadAlarmGif());
    EXPECT_TRUE(picture.IsGif());
    ASSERT_EQ(picture.FrameCount(), 14u);
    for (std::size_t i = 0; i < 14; ++i) {
        const CAnimatedPicture::FrameInfo f = picture.Frame(i);
        EXPECT_EQ(f.left, 0) << i;
        EXPECT_EQ(f.top, 0) << i;
        EXPECT_EQ(f.width, 100) << i;
        EXPECT_EQ(f.height, 115) << i;
        EXPECT_EQ(f.delay, 10) << i;
        EXPECT_EQ(f.disposal, 2) << i;
    }
    EXPECT_EQ(picture.PictureSize().cx, 100);
    EXPECT_EQ(picture.PictureSize().cy, 115);
    EXPECT_EQ(ControlSize().cx, 100);
    EXPECT_EQ(ControlSize().cy, 115);
    RECT now{};
    GetWindowRect(control, &now);
    EXPECT_EQ(now.left, placed.left) << "resized in place";
    EXPECT_EQ(now.top, placed.top);
    EXPECT_FALSE(picture.IsAnimating()) << "nothing runs before it is shown";
}

TEST_F(AnimatedPictureTest, AlarmGifPlaysLoopsAndShowsTheDialogThroughItsBackground) {
    ASSERT_TRUE(LoadAlarmGif());
    EXPECT_FALSE(picture.ShowPicture()) << "an animation reports that nothing is drawn yet";
    EXPECT_TRUE(picture.IsAnimating());
    const auto first = AtFrame(2);
    const auto later = AtFrame(5);
    const auto round = AtFrame(16);  // frame 2 of the second round
    ASSERT_TRUE(first && later && round);
    int changed = 0, again = 0;
    for (int y = 0; y < 115; ++y)
        for (int x = 0; x < 100; ++x) {
            changed += first->At(x, y) != later->At(x, y);
            again += first->At(x, y) != round->At(x, y);
        }
    EXPECT_GT(changed, 300) << "the bell swings";
    EXPECT_EQ(again, 0) << "the same frame looks the same in the next round";
    // Transparent corners show the cleared surface, not the GIF's own background.
    EXPECT_EQ(later->At(0, 114), picture.BackgroundColour());
    EXPECT_EQ(picture.BackgroundColour(), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(later->At(50, 10), first->At(50, 10)) << "the beam stays";
    EXPECT_NE(later->At(50, 10), picture.BackgroundColour());
}

TEST_F(AnimatedPictureTest, FrameDelaysPaceTheAnimation) {
    const struct {
        int delay;
        unsigned least, most;  // frames in one second
    } cases[] = {
        {2, 7, 13},      // shorter than 5 hundredths: 100 ms
        {10, 7, 13},     // 100 ms
        {25, 3, 5},      // 250 ms
        {-1, 100, ~0u},  // no control extension: no wait at all
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(
            Load(MakeGif(8, 8, {{0, 0, 8, 8, kRed, c.delay}, {0, 0, 8, 8, kGreen, c.delay}})));
        picture.ShowPicture();
        ASSERT_TRUE(WaitForFrames(1)) << c.delay;
        const unsigned n = RenderedDuring(1000);
        EXPECT_GE(n, c.least) << "delay " << c.delay;
        EXPECT_LE(n, c.most) << "delay " << c.delay;
    }
}

TEST_F(AnimatedPictureTest, FramesArePlacedAndDisposedOf) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    ASSERT_NE(face, GetSysColor(COLOR_MENU)) << "the two fills must be told apart";
    const std::vector<TestFrame> frames = {
        {0, 0, 40, 40, kRed, 30, 1},          // stays
        {5, 5, 10, 10, kGreen, 30, 2},        // cleared to the background
        {20, 20, 10, 10, kBlue, 30, 3},       // what was under it comes back
        {30, 2, 4, 4, kWhite, 30, 0},         // stays
        {0, 0, 40, 40, kBlue, 30, 0, kBlue},  // all transparent: changes nothing
    };
    ASSERT_TRUE(Load(MakeGif(40, 40, frames)));
    ASSERT_EQ(picture.FrameCount(), 5u);
    EXPECT_EQ(picture.Frame(2).left, 20);
    EXPECT_EQ(picture.Frame(2).width, 10);
    EXPECT_EQ(picture.Frame(3).disposal, 0);
    picture.ShowPicture();
    const COLORREF red = kColours[kRed], green = kColours[kGreen], blue = kColours[kBlue],
                   white = kColours[kWhite];
    const struct {
        unsigned frame;
        COLORREF corner, square, blueSquare, smallSquare;
    } states[] = {
        {1, red, red, red, red},
        {2, red, green, red, red},
        {3, red, face, blue, red},
        {4, red, face, red, white},
        {5, red, face, red, white},
        {6, red, red, red, red},  // the next round starts over a cleared surface
    };
    for (const auto& s : states) {
        const auto shot = AtFrame(s.frame);
        ASSERT_TRUE(shot) << "frame " << s.frame;
        EXPECT_EQ(shot->At(38, 38), s.corner) << "frame " << s.frame;
        EXPECT_EQ(shot->At(5, 5), s.square) << "frame " << s.frame;
        EXPECT_EQ(shot->At(14, 14), s.square) << "frame " << s.frame;
        EXPECT_EQ(shot->At(4, 4), red) << "frame " << s.frame;
        EXPECT_EQ(shot->At(15, 15), red) << "frame " << s.frame;
        EXPECT_EQ(shot->At(20, 20), s.blueSquare) << "frame " << s.frame;
        EXPECT_EQ(shot->At(29, 29), s.blueSquare) << "frame " << s.frame;
        EXPECT_EQ(shot->At(30, 2), s.smallSquare) << "frame " << s.frame;
        EXPECT_EQ(shot->At(33, 5), s.smallSquare) << "frame " << s.frame;
        EXPECT_EQ(shot->At(34, 6), red) << "frame " << s.frame;
    }
}

TEST_F(AnimatedPictureTest, StillPicturesAreDrawnAtOnceWithoutAThread) {
    const struct {
        const char* name;
        Bytes bytes;
        bool gif;
        int width, height;
        COLORREF topLeft, topRight, bottomLeft, bottomRight;
    } cases[] = {
        {"one-image GIF", MakeGif(30, 20, {{0, 0, 30, 20, kGreen}}), true, 30, 20, kColours[kGreen],
         kColours[kGreen], kColours[kGreen], kColours[kGreen]},
        {"bitmap at its own size", MakeBmp(40, 30), false, 40, 30, kColours[kRed], kColours[kGreen],
         kColours[kBlue], kColours[kWhite]},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Load(c.bytes)) << c.name;
        EXPECT_EQ(picture.IsGif(), c.gif) << c.name;
        EXPECT_EQ(picture.FrameCount(), 0u) << c.name;
        EXPECT_TRUE(picture.ShowPicture()) << c.name;
        EXPECT_FALSE(picture.IsAnimating()) << c.name;
        EXPECT_EQ(ControlSize().cx, c.width) << c.name;
        EXPECT_EQ(ControlSize().cy, c.height) << c.name;
        const test::Capture shot(control);
        const int w = c.width, h = c.height;
        EXPECT_EQ(shot.At(1, 1), c.topLeft) << c.name;
        EXPECT_EQ(shot.At(w - 2, 1), c.topRight) << c.name;
        EXPECT_EQ(shot.At(1, h - 2), c.bottomLeft) << c.name;
        EXPECT_EQ(shot.At(w - 2, h - 2), c.bottomRight) << c.name;
    }
}

TEST_F(AnimatedPictureTest, BrokenDataLeavesTheControlEmpty) {
    const TestFrame good{0, 0, 8, 8, kRed};
    TestFrame bad = good;
    bad.garbage = true;
    const Bytes two = MakeGif(8, 8, {good, good});
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"no bytes", {}},
        {"garbage", Bytes(300, 0x5A)},
        {"header only", Bytes{'G', 'I', 'F', '8', '9', 'a'}},
        {"no frame", MakeGif(8, 8, {})},
        {"first image cut off", Bytes(two.begin(), two.begin() + 40)},
        {"no frame decodes", MakeGif(8, 8, {bad, bad})},
        {"empty logical screen", MakeGif(0, 0, {good, good})},
        {"huge logical screen", MakeGif(65535, 65535, {good, good})},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Load(MakeGif(8, 8, {good, good}))) << "a picture to be replaced";
        picture.ShowPicture();
        EXPECT_FALSE(Load(c.bytes)) << c.name;
        EXPECT_FALSE(picture.IsPrepared()) << c.name;
        EXPECT_FALSE(picture.IsAnimating()) << c.name;
        EXPECT_EQ(picture.FrameCount(), 0u) << c.name;
        EXPECT_FALSE(picture.ShowPicture()) << c.name;
        UpdateWindow(control);  // paints as a plain static
    }
    EXPECT_FALSE(picture.LoadPictureResource(MAKEINTRESOURCEA(9599), "GIF"));
    EXPECT_FALSE(picture.LoadPictureResource(MAKEINTRESOURCEA(IDR_ALARM_GIF), "WAVE"));

    ASSERT_TRUE(Load(MakeGif(8, 8, {good, bad, good}))) << "a frame that fails is left out";
    EXPECT_EQ(picture.FrameCount(), 2u);
}

TEST_F(AnimatedPictureTest, StoppingEndsTheThreadAtOnce) {
    // 100 seconds a frame: only the stop event can end the wait early.
    ASSERT_TRUE(Load(MakeGif(8, 8, {{0, 0, 8, 8, kRed, 10000}, {0, 0, 8, 8, kBlue, 10000}})));
    picture.ShowPicture();
    ASSERT_TRUE(AtFrame(1));
    HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, picture.AnimationThreadId());
    ASSERT_NE(thread, nullptr);
    const DWORD start = GetTickCount();
    picture.HaltAnimation();
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_TRUE(ThreadEnded(thread));
    CloseHandle(thread);
    EXPECT_FALSE(picture.IsAnimating());
    EXPECT_TRUE(picture.IsPrepared()) << "stopping keeps the picture";

    // Shown again, it starts over on a new thread; the old one has ended.
    picture.ShowPicture();
    thread = OpenThread(SYNCHRONIZE, FALSE, picture.AnimationThreadId());
    ASSERT_NE(thread, nullptr);
    picture.ShowPicture();
    EXPECT_TRUE(ThreadEnded(thread));
    CloseHandle(thread);

    // A control deleted while it plays stops its thread and leaves the static working.
    auto other = std::make_unique<ui::CAnimatedPicture>();
    ASSERT_TRUE(other->SubclassDlgItem(IDC_TEST_ANIMATED_OTHER, dialog.GetSafeHwnd()));
    ASSERT_TRUE(other->LoadPictureResource(MAKEINTRESOURCEA(IDR_ALARM_GIF), "GIF"));
    other->ShowPicture();
    thread = OpenThread(SYNCHRONIZE, FALSE, other->AnimationThreadId());
    ASSERT_NE(thread, nullptr);
    other.reset();
    EXPECT_TRUE(ThreadEnded(thread));
    CloseHandle(thread);
    UpdateWindow(GetDlgItem(dialog.GetSafeHwnd(), IDC_TEST_ANIMATED_OTHER));

    // The window's destruction stops it too.
    thread = OpenThread(SYNCHRONIZE, FALSE, picture.AnimationThreadId());
    ASSERT_NE(thread, nullptr);
    dialog.DestroyWindow();
    EXPECT_TRUE(ThreadEnded(thread));
    CloseHandle(thread);
    EXPECT_FALSE(picture.IsAnimating());
}

TEST_F(AnimatedPictureTest, ManyCyclesLeakNoThreadHandleOrGdiObject) {
    const Bytes small = MakeGif(16, 16, {{0, 0, 16, 16, kRed, 0, 2}, {4, 4, 8, 8, kBlue, 0, 3}});
    const Block block(small);
    auto cycle = [&](bool alarm) {
        if (alarm)
            ASSERT_TRUE(LoadAlarmGif());
        else
            ASSERT_TRUE(picture.LoadPicture(block.Get(), block.Size()));
        picture.ShowPicture();
        picture.ReleasePicture();
    };
    cycle(true);  // the decoder's own first-use allocations
    cycle(false);
    PumpFor(50);
    const int gdi = test::CountGdiObjects();
    const int threads = CountThreads();
    const std::uintptr_t handle = NextHandleValue();
    ASSERT_GT(gdi, 0);

    for (int i = 0; i < 2000; ++i) cycle(false);
    for (int i = 0; i < 30; ++i) cycle(true);
    // Both disposal methods that draw, for a while.
    ASSERT_TRUE(picture.LoadPicture(block.Get(), block.Size()));
    picture.ShowPicture();
    PumpFor(2000);
    EXPECT_GE(picture.FramesRendered(), 15u);
    picture.ReleasePicture();
    PumpFor(50);

    EXPECT_EQ(test::CountGdiObjects(), gdi);
    EXPECT_EQ(CountThreads(), threads);
    EXPECT_LE(NextHandleValue(), handle + 8);
}

}  // namespace
