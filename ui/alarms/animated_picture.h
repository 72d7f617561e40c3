#pragma once
// CAnimatedPicture: a static control that shows a picture of the program's resources. An
// animated GIF is cut into one-frame GIFs that the system's picture loader decodes once; a
// thread of the control's own then draws the frames into an off-screen surface with their
// delays, positions and disposal methods, and painting only copies that surface.
#include <olectl.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/accessible.h"
#include "framework/gdi.h"
#include "framework/wnd.h"
#include "platform/handles.h"

namespace ui {

// Lets go of a COM object's reference.
struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
using PictureRef = std::unique_ptr<IPicture, ComRelease>;

class CAnimatedPicture : public fw::CWnd, private fw::AccessibleSource {
public:
    struct FrameInfo {
        int left, top, width, height;
        int delay;  // hundredths of a second; -1 for none
        int disposal;
    };

    CAnimatedPicture();
    ~CAnimatedPicture() override;

    // Needs the control's window: loading resizes it to the picture.
    bool LoadPictureResource(const char* name, const char* type);
    // Loads size bytes from a global memory block that stays the caller's.
    bool LoadPicture(HGLOBAL block, DWORD size);
    // A still picture is drawn now (true when that worked); an animation starts on its thread
    // (false, as nothing has been drawn yet). False without a loaded picture.
    bool ShowPicture();
    void HaltAnimation();
    void ReleasePicture();
    // What the picture shows, for screen readers.
    void SetReaderName(std::string name) { m_readerName = std::move(name); }

    // The picture's own size in pixels; the control shows it at its display scale.
    SIZE PictureSize() const { return {static_cast<LONG>(m_width), static_cast<LONG>(m_height)}; }
    bool IsGif() const { return m_isGif; }
    bool IsPrepared() const { return m_prepared; }
    bool IsAnimating() const { return static_cast<bool>(m_thread); }
    DWORD AnimationThreadId() const { return m_threadId; }
    COLORREF BackgroundColour() const { return m_backgroundColour; }
    std::size_t FrameCount() const;
    FrameInfo Frame(std::size_t i) const;
    // Frames drawn into the surface since the picture was loaded.
    unsigned FramesRendered() const;

    struct Stage;  // the surface and the frames, shared with the animation thread
    struct Run;    // one animation thread's hold on them and its stop signal

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    LRESULT OnPaint(WPARAM wp, LPARAM lp);
    LRESULT OnPrintClient(WPARAM wp, LPARAM lp);
    LRESULT OnEraseBkgnd(WPARAM wp, LPARAM lp);
    LRESULT OnDestroy(WPARAM wp, LPARAM lp);
    LRESULT OnDpiChanged(WPARAM wp, LPARAM lp);
    LRESULT OnGetObject(WPARAM wp, LPARAM lp);

    // An animation to screen readers (animated_picture_accessible.cpp).
    fw::AccessibleFacts Describe() const override;

    bool PrepareSurface(unsigned width, unsigned height);
    // Sizes the control for a picture of width × height at its display scale.
    void FitToScale(unsigned width, unsigned height);
    void CopySurface(HDC dc);
    void StartAnimation();

    unsigned m_width = 0, m_height = 0;
    COLORREF m_backgroundColour = RGB(255, 255, 255);  // for disposal method 2
    bool m_isGif = false;
    std::shared_ptr<Stage> m_stage;
    platform::KernelHandle m_thread;
    DWORD m_threadId = 0;
    std::shared_ptr<Run> m_run;
    platform::KernelHandle m_exitEvent;  // manual reset; wakes the thread's wait when it must stop
    PictureRef m_stillPicture;
    bool m_prepared = false;
    std::string m_readerName;
    fw::AccessibleServer m_accessible{*this};
};

}  // namespace ui
