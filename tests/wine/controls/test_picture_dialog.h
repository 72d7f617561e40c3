#pragma once
// The main window's template run by a bare picture dialog with the three shaded buttons, so
// the controls are tested as the program uses them, without the rest of the main window.
#include <vector>

#include "framework/gdi.h"
#include "resource.h"
#include "ui/controls/picture_dialog.h"
#include "ui/controls/shaded_button.h"

namespace test {

class PictureDialog : public ui::CPictureDialog {
public:
    PictureDialog() : CPictureDialog(IDD_HOROLUX_DIALOG) {}

    // Shown without activation, buttons attached and shaded as the main window does it.
    bool Open(bool withPicture = true) {
        if (!Create()) return false;
        if (withPicture && !SetBitmap(IDB_BACKGROUND, kStretch)) return false;
        const struct {
            ui::CShadedButton* button;
            UINT id;
            const char* tip;
        } buttons[] = {
            {&sync, IDC_SYNC, "Sync the PC clock from Internet"},
            {&close, IDCANCEL, "Close/Hide this window"},
            {&exit, IDC_EXIT, "Exit the application!"},
        };
        for (const auto& b : buttons) {
            if (!b.button->SubclassDlgItem(b.id, m_hWnd)) return false;
            b.button->SetShade(ui::CShadedButton::kSoftBump, 8, 10, 0, RGB(0, 0, 0));
            b.button->SetTooltipText(b.tip);
        }
        // The template shows the dialog as it is created, before it has its picture.
        InvalidateRect(m_hWnd, nullptr, TRUE);
        SetWindowPos(m_hWnd, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        UpdateWindow(m_hWnd);
        return true;
    }
    void Close() { DestroyWindow(); }

    // Repaints the whole dialog with its children, now.
    void Repaint() {
        RedrawWindow(m_hWnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    ui::CShadedButton sync, close, exit;
    int erases = 0, drawItems = 0;
    std::vector<WPARAM> commands;

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_ERASEBKGND) ++erases;
        if (msg == WM_DRAWITEM) ++drawItems;
        if (msg == WM_COMMAND && LOWORD(wp) == IDC_SYNC) {
            commands.push_back(wp);
            result = 0;
            return true;
        }
        if (msg == WM_COMMAND && (LOWORD(wp) == IDCANCEL || LOWORD(wp) == IDOK)) {
            result = 0;  // the test decides when the dialog goes
            return true;
        }
        return ui::CPictureDialog::ProcessMessage(msg, wp, lp, result);
    }
};

// A copy of what a window draws (WM_PRINTCLIENT) or of an HDC-drawing function, for reading
// pixels back.
class Capture {
public:
    Capture(int width, int height)
        : width_(width),
          height_(height),
          screen_(nullptr),
          dc_(screen_),
          bitmap_(CreateCompatibleBitmap(screen_, width, height)),
          select_(dc_, bitmap_.Get()) {
        RECT all{0, 0, width, height};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    enum Source { kClient, kBackground };
    // What the window draws of its client area, or only its erased background.
    explicit Capture(HWND hwnd, Source source = kClient)
        : Capture(ClientSize(hwnd).cx, ClientSize(hwnd).cy) {
        if (source == kBackground)
            SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(Dc()), 0);
        else
            SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Dc()),
                         PRF_CLIENT | PRF_ERASEBKGND);
    }
    static SIZE ClientSize(HWND hwnd) {
        RECT rc{};
        GetClientRect(hwnd, &rc);
        return {rc.right, rc.bottom};
    }
    HDC Dc() const { return dc_; }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int CountIn(const RECT& r, COLORREF colour) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += At(x, y) == colour;
        return n;
    }

private:
    int width_, height_;
    fw::WindowDC screen_;
    fw::MemoryDC dc_;
    fw::Bitmap bitmap_;
    fw::SelectObjectScope select_;
};

}  // namespace test
