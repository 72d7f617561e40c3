#pragma once
// CPictureDialog: a dialog whose background is a bitmap of the program's resources, stretched,
// tiled or centred; static texts, check boxes and buttons show the picture through. In high
// contrast the dialog is plain.
#include <map>
#include <tuple>

#include "framework/dialog.h"
#include "framework/gdi.h"
#include "ui/controls/dib_picture.h"

namespace ui {

class CPictureDialog : public fw::CDialog {
public:
    enum Mode { kTile = 0, kStretch = 1, kCentre = 2 };

    using fw::CDialog::CDialog;

    // The caller invalidates the window when it changes the picture of a shown dialog.
    bool SetBitmap(UINT resourceId, int mode);
    const CDibPicture& Picture() const { return m_picture; }
    int Mode() const { return m_mode; }

protected:
    bool ProcessMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // The background as it would be erased, drawn into dc in this dialog's client coordinates.
    void PaintBackground(HDC dc);

private:
    LRESULT OnEraseBkgnd(WPARAM wp, LPARAM lp);
    LRESULT OnCtlColor(WPARAM wp, LPARAM lp);
    LRESULT OnQueryNewPalette(WPARAM wp, LPARAM lp);
    LRESULT OnPaletteChanged(WPARAM wp, LPARAM lp);
    void PaintBehind(HWND control, HDC dc);
    // Not in high contrast, where the dialog keeps the system's plain colours behind its text.
    bool ShowsPicture() const;
    // The display scale is above 96 DPI: pictures are drawn resampled to it.
    bool Enlarged() const;
    void DrawCentred(HDC dc, const RECT& client) const;
    HBRUSH BrushBehind(HWND control);

    CDibPicture m_picture;
    int m_mode = kTile;
    UINT m_resourceId = 0;
    // The picture behind controls that fill their background with the brush they are given
    // (animation controls), one per control and picture. Kept for the dialog's life, since such
    // a control may still hold a brush it was given for an earlier picture.
    std::map<std::tuple<HWND, UINT, int, UINT>, fw::Brush> m_behindBrushes;
    HBRUSH m_transparentBrush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
};

}  // namespace ui
