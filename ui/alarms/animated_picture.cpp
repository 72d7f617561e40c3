#include "ui/alarms/animated_picture.h"

#include <cstring>
#include <optional>
#include <utility>

#include "core/alarms/gif_blocks.h"
#include "framework/dpi.h"
#include "framework/message_map.h"
#include "platform/handles.h"

namespace ui {

namespace {

constexpr DWORD kHaltWaitMs = 5000;
constexpr DWORD kLongestFrameWaitMs = 10000;
constexpr int kShortestDelay = 5;               // hundredths; shorter ones are shown for 100 ms
constexpr LONGLONG kShortDelayTicks = 1000000;  // 100 ms in 100-nanosecond units
constexpr int kHimetricPerInch = 2540;

using platform::CriticalSection;
using Lock = platform::CriticalSection::Lock;

class GlobalLockScope {
public:
    explicit GlobalLockScope(HGLOBAL h) : h_(h), data_(h ? GlobalLock(h) : nullptr) {}
    GlobalLockScope(const GlobalLockScope&) = delete;
    GlobalLockScope& operator=(const GlobalLockScope&) = delete;
    ~GlobalLockScope() { Unlock(); }
    std::uint8_t* Data() const { return static_cast<std::uint8_t*>(data_); }
    void Unlock() {
        if (data_) GlobalUnlock(h_);
        data_ = nullptr;
    }

private:
    HGLOBAL h_;
    void* data_;
};

using StreamRef = std::unique_ptr<IStream, ComRelease>;

// A stream over a global block; with deleteOnRelease it frees the block when it is released.
StreamRef StreamOn(HGLOBAL block, bool deleteOnRelease) {
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, deleteOnRelease, &stream))) return nullptr;
    return StreamRef(stream);
}

PictureRef Decode(IStream* stream, std::size_t size) {
    void* picture = nullptr;
    if (!stream ||
        FAILED(OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, &picture)))
        return nullptr;
    return PictureRef(static_cast<IPicture*>(picture));
}

struct Extent {
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
};

Extent ExtentOf(IPicture* picture) {
    Extent e;
    if (FAILED(picture->get_Width(&e.width)) || FAILED(picture->get_Height(&e.height))) return {};
    return e;
}

// The whole picture into the rectangle; pictures are stored bottom-up, so the source starts at
// the bottom and runs upwards.
HRESULT Render(IPicture* picture, const Extent& e, HDC dc, int x, int y, int w, int h) {
    return picture->Render(dc, x, y, w, h, 0, e.height, e.width, -e.height, nullptr);
}

void FillSolid(HDC dc, const RECT& rc, COLORREF colour) {
    fw::Brush brush(CreateSolidBrush(colour));
    if (brush) FillRect(dc, &rc, brush.Get());
}

// The fill behind the first frame of every round.
void FillMenuColour(HDC dc, unsigned width, unsigned height) {
    RECT all{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    FillRect(dc, &all, GetSysColorBrush(COLOR_MENU));
}

}  // namespace

struct CAnimatedPicture::Stage {
    struct Frame {
        PictureRef picture;
        Extent extent;
        FrameInfo info;
    };

    Stage(HDC compatibleWith, unsigned w, unsigned h)
        : dc(compatibleWith),
          bitmap(CreateCompatibleBitmap(compatibleWith, static_cast<int>(w), static_cast<int>(h))),
          select(dc, bitmap.Get()),
          width(w),
          height(h) {}

    CriticalSection lock;  // the surface: drawn by the thread, copied by the paint handler
    fw::MemoryDC dc;
    fw::Bitmap bitmap;
    fw::SelectObjectScope select;
    unsigned width, height;
    std::vector<Frame> frames;
    std::atomic<unsigned> rendered{0};
};

struct CAnimatedPicture::Run {
    Run() = default;
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // A thread that outlives the stop's wait keeps the surface and frames alive through this,
    // so the control can let go of them without pulling them from under it.
    std::shared_ptr<Stage> stage;
    HWND hwnd = nullptr;
    COLORREF background = RGB(255, 255, 255);
    platform::KernelHandle exitEvent;  // the thread's own handle on the control's event
    std::atomic<bool> exitFlag{false};
};

namespace {

// The part of the surface a frame with disposal method 3 covers, kept until it is put back.
struct SavedArea {
    SavedArea(HDC surface, const CAnimatedPicture::FrameInfo& f)
        : dc(surface),
          bitmap(CreateCompatibleBitmap(surface, f.width, f.height)),
          select(dc, bitmap.Get()),
          left(f.left),
          top(f.top),
          width(f.width),
          height(f.height) {
        if (dc && bitmap) BitBlt(dc, 0, 0, width, height, surface, left, top, SRCCOPY);
    }
    void PutBack(HDC surface) const {
        if (dc && bitmap) BitBlt(surface, left, top, width, height, dc, 0, 0, SRCCOPY);
    }

    fw::MemoryDC dc;
    fw::Bitmap bitmap;
    fw::SelectObjectScope select;
    int left, top, width, height;
};

void Animate(CAnimatedPicture::Run& run) {
    const platform::KernelHandle timer(CreateWaitableTimerA(nullptr, TRUE, nullptr));
    if (!timer || run.exitFlag) return;
    CAnimatedPicture::Stage& stage = *run.stage;
    const HANDLE waits[] = {timer.Get(), run.exitEvent.Get()};
    for (std::size_t i = 0;;) {
        const CAnimatedPicture::Stage::Frame& frame = stage.frames[i];
        const CAnimatedPicture::FrameInfo& f = frame.info;
        std::optional<SavedArea> saved;
        HRESULT hr;
        {
            Lock lock(stage.lock);
            if (f.disposal == 3) saved.emplace(stage.dc, f);
            hr = Render(frame.picture.get(), frame.extent, stage.dc, f.left, f.top, f.width,
                        f.height);
        }
        if (SUCCEEDED(hr)) {
            ++stage.rendered;
            InvalidateRect(run.hwnd, nullptr, FALSE);
        }
        if (run.exitFlag) return;

        if (f.delay >= 0) {
            LARGE_INTEGER due;
            due.QuadPart = f.delay >= kShortestDelay ? -static_cast<LONGLONG>(f.delay) * 100000
                                                     : -kShortDelayTicks;
            if (SetWaitableTimer(timer.Get(), &due, 0, nullptr, nullptr, FALSE))
                WaitForMultipleObjects(2, waits, FALSE, kLongestFrameWaitMs);
            else  // without the timer the event still ends the wait
                WaitForSingleObject(run.exitEvent.Get(), static_cast<DWORD>(-due.QuadPart / 10000));
        }
        if (run.exitFlag) return;

        Lock lock(stage.lock);
        if (f.disposal == 2) {
            FillSolid(stage.dc, RECT{f.left, f.top, f.left + f.width, f.top + f.height},
                      run.background);
        } else if (saved) {
            saved->PutBack(stage.dc);
        }
        if (++i == stage.frames.size()) {
            i = 0;
            FillMenuColour(stage.dc, stage.width, stage.height);
        }
    }
}

DWORD WINAPI AnimationThread(void* param) {
    const std::unique_ptr<std::shared_ptr<CAnimatedPicture::Run>> run(
        static_cast<std::shared_ptr<CAnimatedPicture::Run>*>(param));
    Animate(**run);
    return 0;
}

}  // namespace

CAnimatedPicture::CAnimatedPicture() : m_exitEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CAnimatedPicture::~CAnimatedPicture() {
    ReleasePicture();
}

bool CAnimatedPicture::ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    using Self = CAnimatedPicture;
    static const fw::MessageMap<Self> map = {
        fw::OnMessage(WM_PAINT, &Self::OnPaint),
        fw::OnMessage(WM_PRINTCLIENT, &Self::OnPrintClient),
        fw::OnMessage(WM_ERASEBKGND, &Self::OnEraseBkgnd),
        fw::OnMessage(WM_DESTROY, &Self::OnDestroy),
        fw::OnMessage(fw::kWmDpiChangedAfterParent, &Self::OnDpiChanged),
        fw::OnMessage(WM_GETOBJECT, &Self::OnGetObject),
    };
    return map.Dispatch(*this, msg, wp, lp, result) || CWnd::ProcessMessage(msg, wp, lp, result);
}

bool CAnimatedPicture::LoadPictureResource(const char* name, const char* type) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC info = FindResourceA(module, name, type);
    if (!info) return false;
    HGLOBAL resource = LoadResource(module, info);
    const DWORD size = SizeofResource(module, info);
    const void* bytes = resource ? LockResource(resource) : nullptr;
    if (!bytes || size == 0) return false;
    const platform::GlobalMemory block(GlobalAlloc(GMEM_MOVEABLE | GMEM_NODISCARD, size));
    if (!block) return false;
    {
        GlobalLockScope lock(block.Get());
        if (!lock.Data()) return false;
        std::memcpy(lock.Data(), bytes, size);
    }
    return LoadPicture(block.Get(), size);
}

bool CAnimatedPicture::LoadPicture(HGLOBAL block, DWORD size) {
    ReleasePicture();
    GlobalLockScope lock(block);
    if (!lock.Data()) return false;
    // Never read past the block, whatever size the caller claims.
    const horolux::GifBytes data(lock.Data(), std::min<SIZE_T>(size, GlobalSize(block)));

    if (!horolux::IsGifSignature(data)) {
        lock.Unlock();
        m_stillPicture = Decode(StreamOn(block, false).get(), data.size());
        if (!m_stillPicture) return false;
        const Extent e = ExtentOf(m_stillPicture.get());
        fw::WindowDC screen(nullptr);
        const int w = MulDiv(e.width, GetDeviceCaps(screen, LOGPIXELSX), kHimetricPerInch);
        const int h = MulDiv(e.height, GetDeviceCaps(screen, LOGPIXELSY), kHimetricPerInch);
        if (w <= 0 || h <= 0 ||
            !PrepareSurface(static_cast<unsigned>(w), static_cast<unsigned>(h))) {
            ReleasePicture();
            return false;
        }
        return true;
    }

    m_isGif = true;
    const std::optional<horolux::GifScreen> screen = horolux::ReadGifScreen(data);
    const std::size_t count = screen ? horolux::CountGifFrames(data, *screen) : 0;
    if (count == 0) return false;

    if (count == 1) {
        lock.Unlock();
        m_stillPicture = Decode(StreamOn(block, false).get(), data.size());
        if (!m_stillPicture || !PrepareSurface(screen->width, screen->height)) {
            ReleasePicture();
            return false;
        }
        return true;
    }

    std::vector<Stage::Frame> frames;
    for (const horolux::GifFrame& f : horolux::CollectGifFrames(data, *screen)) {
        // A plain text frame has no image descriptor to place it by.
        if (f.plainText) continue;
        const std::vector<std::uint8_t> gif = horolux::BuildFrameGif(data, *screen, f);
        if (gif.empty()) continue;
        platform::GlobalMemory one(GlobalAlloc(GMEM_MOVEABLE, gif.size()));
        if (!one) continue;
        {
            GlobalLockScope target(one.Get());
            if (!target.Data()) continue;
            std::memcpy(target.Data(), gif.data(), gif.size());
        }
        StreamRef stream = StreamOn(one.Get(), true);
        if (!stream) continue;
        one.Release();  // the stream frees it now
        PictureRef picture = Decode(stream.get(), gif.size());
        if (!picture) continue;
        const Extent e = ExtentOf(picture.get());
        frames.push_back(
            {std::move(picture), e,
             FrameInfo{static_cast<int>(f.left), static_cast<int>(f.top), static_cast<int>(f.width),
                       static_cast<int>(f.height), f.delay, f.disposal}});
    }
    lock.Unlock();
    if (frames.empty() || !PrepareSurface(screen->width, screen->height)) {
        ReleasePicture();
        return false;
    }
    m_stage->frames = std::move(frames);
    return true;
}

bool CAnimatedPicture::PrepareSurface(unsigned width, unsigned height) {
    if (!m_hWnd || width == 0 || height == 0 || width > horolux::kMaxPictureSide ||
        height > horolux::kMaxPictureSide)
        return false;
    std::shared_ptr<Stage> stage;
    {
        fw::WindowDC control(m_hWnd);
        if (!control.Get()) return false;
        stage = std::make_shared<Stage>(control.Get(), width, height);
    }
    if (!stage->dc || !stage->bitmap) return false;
    FitToScale(width, height);
    m_backgroundColour = GetSysColor(COLOR_BTNFACE);
    FillMenuColour(stage->dc, width, height);
    m_width = width;
    m_height = height;
    m_stage = std::move(stage);
    m_prepared = true;
    return true;
}

bool CAnimatedPicture::ShowPicture() {
    if (!m_prepared) return false;
    if (m_stage->frames.empty()) {
        if (!m_stillPicture) return false;
        HRESULT hr;
        {
            Lock lock(m_stage->lock);
            hr = Render(m_stillPicture.get(), ExtentOf(m_stillPicture.get()), m_stage->dc, 0, 0,
                        static_cast<int>(m_width), static_cast<int>(m_height));
        }
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return SUCCEEDED(hr);
    }
    HaltAnimation();  // shown again: start over rather than leave a second thread running
    StartAnimation();
    return false;
}

void CAnimatedPicture::StartAnimation() {
    auto run = std::make_shared<Run>();
    run->stage = m_stage;
    run->hwnd = m_hWnd;
    run->background = m_backgroundColour;
    if (!m_exitEvent ||
        !DuplicateHandle(GetCurrentProcess(), m_exitEvent.Get(), GetCurrentProcess(),
                         run->exitEvent.Receive(), 0, FALSE, DUPLICATE_SAME_ACCESS))
        return;
    auto* param = new std::shared_ptr<Run>(run);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &AnimationThread, param, CREATE_SUSPENDED, &id);
    if (!thread) {
        delete param;
        return;
    }
    m_thread.Reset(thread);
    m_threadId = id;
    m_run = std::move(run);
    ResumeThread(thread);
}

void CAnimatedPicture::HaltAnimation() {
    if (m_thread) {
        m_run->exitFlag = true;
        SetEvent(m_exitEvent.Get());
        // A thread still busy after this is no longer waited for; it holds its own share of
        // the surface and frames and ends at its next look at the flag.
        WaitForSingleObject(m_thread.Get(), kHaltWaitMs);
        m_thread.Reset();
        m_threadId = 0;
    }
    m_run.reset();
    if (m_exitEvent) ResetEvent(m_exitEvent.Get());
}

void CAnimatedPicture::ReleasePicture() {
    HaltAnimation();
    const bool had = m_prepared || m_stillPicture;
    m_stillPicture.reset();
    m_stage.reset();
    m_width = m_height = 0;
    m_isGif = false;
    m_prepared = false;
    m_backgroundColour = RGB(255, 255, 255);
    if (had && m_hWnd) InvalidateRect(m_hWnd, nullptr, TRUE);
}

std::size_t CAnimatedPicture::FrameCount() const {
    return m_stage ? m_stage->frames.size() : 0;
}

CAnimatedPicture::FrameInfo CAnimatedPicture::Frame(std::size_t i) const {
    return m_stage->frames.at(i).info;
}

unsigned CAnimatedPicture::FramesRendered() const {
    return m_stage ? m_stage->rendered.load() : 0;
}

void CAnimatedPicture::CopySurface(HDC dc) {
    const int w = static_cast<int>(m_width), h = static_cast<int>(m_height);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    Lock lock(m_stage->lock);
    if (client.right == w && client.bottom == h) {
        BitBlt(dc, 0, 0, w, h, m_stage->dc, 0, 0, SRCCOPY);
        return;
    }
    // A larger display scale: the frames are raster pictures, resampled smoothly to the control.
    fw::StretchModeScope mode(dc, HALFTONE);
    POINT origin{};
    SetBrushOrgEx(dc, 0, 0, &origin);
    StretchBlt(dc, 0, 0, client.right, client.bottom, m_stage->dc, 0, 0, w, h, SRCCOPY);
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
}

LRESULT CAnimatedPicture::OnPaint(WPARAM, LPARAM) {
    if (!m_prepared) return Default();
    fw::PaintDC dc(m_hWnd);
    CopySurface(dc);
    return 0;
}

LRESULT CAnimatedPicture::OnPrintClient(WPARAM wp, LPARAM) {
    if (!m_prepared) return Default();
    CopySurface(reinterpret_cast<HDC>(wp));
    return 0;
}

LRESULT CAnimatedPicture::OnEraseBkgnd(WPARAM, LPARAM) {
    // The copy covers the whole control: erasing first would only flicker.
    return m_prepared ? TRUE : Default();
}

void CAnimatedPicture::FitToScale(unsigned width, unsigned height) {
    // The picture's pixels are 96-DPI ones: the control takes their size at its display scale,
    // as far as the dialog has room for it.
    const horolux::PixelSize size =
        horolux::FitWithin({fw::ScaleFor(m_hWnd, static_cast<int>(width)),
                            fw::ScaleFor(m_hWnd, static_cast<int>(height))},
                           fw::RoomInParent(m_hWnd));
    SetWindowPos(m_hWnd, nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CAnimatedPicture::OnDpiChanged(WPARAM, LPARAM) {
    if (m_prepared) FitToScale(m_width, m_height);  // the dialog moved it; the size is ours
    return Default();
}

LRESULT CAnimatedPicture::OnDestroy(WPARAM, LPARAM) {
    HaltAnimation();
    return Default();
}

}  // namespace ui
