#pragma once
// Owners for GDI and menu handles and scopes for what a handler selects or sets in a device
// context: each acquire has its release in a destructor, so no path can leak a handle.
#include <utility>

#include "framework/win32.h"
#include "platform/handles.h"

namespace fw {

// One GDI object (bitmap, brush, font, palette, pen, region), deleted with the owner.
template <class Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle h) : h_(h) {}
    GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { Reset(); }

    void Reset(Handle h = nullptr) {
        if (h_) DeleteObject(h_);
        h_ = h;
    }
    Handle Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    Handle h_ = nullptr;
};

using Bitmap = GdiObject<HBITMAP>;
using Palette = GdiObject<HPALETTE>;
using Brush = GdiObject<HBRUSH>;
using Font = GdiObject<HFONT>;

// An icon loaded unshared (at a size of the program's choosing), destroyed with the owner.
struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};
using Icon = platform::UniqueHandle<IconTraits>;

// GetDC / ReleaseDC of a window (the screen for none).
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    HDC Get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// BeginPaint / EndPaint for a WM_PAINT handler.
class PaintDC {
public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd), dc_(BeginPaint(hwnd, &ps_)) {}
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { EndPaint(hwnd_, &ps_); }
    HDC Get() const { return dc_; }
    operator HDC() const { return dc_; }
    const PAINTSTRUCT& Info() const { return ps_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// CreateCompatibleDC / DeleteDC.
class MemoryDC {
public:
    MemoryDC() = default;
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    MemoryDC(MemoryDC&& o) noexcept : dc_(std::exchange(o.dc_, nullptr)) {}
    MemoryDC& operator=(MemoryDC&& o) noexcept {
        if (dc_) DeleteDC(dc_);
        dc_ = std::exchange(o.dc_, nullptr);
        return *this;
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    HDC Get() const { return dc_; }
    operator HDC() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_ = nullptr;
};

// SaveDC now, RestoreDC at the end: font, colours, mode and brush all come back at once, so a
// control hands its device context back as it was given.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;
    ~SavedDcState() {
        if (saved_) RestoreDC(dc_, saved_);
    }

private:
    HDC dc_;
    int saved_;
};

// SelectObject now, the previous object back at the end of the scope.
class SelectObjectScope {
public:
    SelectObjectScope() = default;
    SelectObjectScope(HDC dc, HGDIOBJ object)
        : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    SelectObjectScope(SelectObjectScope&& o) noexcept
        : dc_(std::exchange(o.dc_, nullptr)), old_(std::exchange(o.old_, nullptr)) {}
    SelectObjectScope& operator=(SelectObjectScope&& o) noexcept {
        Restore();
        dc_ = std::exchange(o.dc_, nullptr);
        old_ = std::exchange(o.old_, nullptr);
        return *this;
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;
    ~SelectObjectScope() { Restore(); }

private:
    void Restore() {
        if (dc_ && old_) SelectObject(dc_, old_);
        dc_ = nullptr;
        old_ = nullptr;
    }
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// SelectPalette now (foreground or background), the previous palette back at the end.
class SelectPaletteScope {
public:
    SelectPaletteScope(HDC dc, HPALETTE palette, bool background)
        : dc_(dc),
          old_(palette ? SelectPalette(dc, palette, background) : nullptr),
          background_(background) {}
    SelectPaletteScope(const SelectPaletteScope&) = delete;
    SelectPaletteScope& operator=(const SelectPaletteScope&) = delete;
    ~SelectPaletteScope() {
        if (old_) SelectPalette(dc_, old_, background_);
    }
    bool Selected() const { return old_ != nullptr; }

private:
    HDC dc_;
    HPALETTE old_;
    bool background_;
};

// Background mode, text colour and stretch mode, each put back at the end of the scope.
class BkModeScope {
public:
    BkModeScope(HDC dc, int mode) : dc_(dc), old_(SetBkMode(dc, mode)) {}
    BkModeScope(const BkModeScope&) = delete;
    BkModeScope& operator=(const BkModeScope&) = delete;
    ~BkModeScope() {
        if (old_) SetBkMode(dc_, old_);
    }

private:
    HDC dc_;
    int old_;
};

class TextColorScope {
public:
    TextColorScope(HDC dc, COLORREF colour) : dc_(dc), old_(SetTextColor(dc, colour)) {}
    TextColorScope(const TextColorScope&) = delete;
    TextColorScope& operator=(const TextColorScope&) = delete;
    ~TextColorScope() {
        if (old_ != CLR_INVALID) SetTextColor(dc_, old_);
    }
    void Set(COLORREF colour) { SetTextColor(dc_, colour); }

private:
    HDC dc_;
    COLORREF old_;
};

class StretchModeScope {
public:
    StretchModeScope(HDC dc, int mode) : dc_(dc), old_(SetStretchBltMode(dc, mode)) {}
    StretchModeScope(const StretchModeScope&) = delete;
    StretchModeScope& operator=(const StretchModeScope&) = delete;
    ~StretchModeScope() {
        if (old_) SetStretchBltMode(dc_, old_);
    }

private:
    HDC dc_;
    int old_;
};

// Moves the viewport origin for drawing in another window's coordinates; put back at the end.
class ViewportOffsetScope {
public:
    ViewportOffsetScope(HDC dc, int dx, int dy) : dc_(dc) {
        OffsetViewportOrgEx(dc, dx, dy, &old_);
    }
    ViewportOffsetScope(const ViewportOffsetScope&) = delete;
    ViewportOffsetScope& operator=(const ViewportOffsetScope&) = delete;
    ~ViewportOffsetScope() { SetViewportOrgEx(dc_, old_.x, old_.y, nullptr); }

private:
    HDC dc_;
    POINT old_{};
};

// A menu loaded from the resources for one popup, destroyed with the owner.
class OwnedMenu {
public:
    explicit OwnedMenu(UINT resourceId)
        : menu_(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId))) {}
    OwnedMenu(const OwnedMenu&) = delete;
    OwnedMenu& operator=(const OwnedMenu&) = delete;
    ~OwnedMenu() {
        if (menu_) DestroyMenu(menu_);
    }
    HMENU Get() const { return menu_; }
    HMENU SubMenu(int position) const { return menu_ ? GetSubMenu(menu_, position) : nullptr; }

private:
    HMENU menu_;
};

}  // namespace fw
