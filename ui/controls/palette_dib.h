#pragma once
// CPaletteDib: a palette image (core/controls/palette_image.h) that can draw itself. The
// section and memory device context it draws through are made on the first draw and kept.
#include "core/controls/palette_image.h"
#include "framework/gdi.h"

namespace ui {

class CPaletteDib {
public:
    CPaletteDib() = default;
    CPaletteDib(const CPaletteDib&) = delete;
    CPaletteDib& operator=(const CPaletteDib&) = delete;

    void Create(int width, int height, int bitsPerPixel);
    void SetPaletteEntry(int index, BYTE red, BYTE green, BYTE blue) {
        m_image.SetPaletteEntry(index, red, green, blue);
    }
    void BlendPalette(COLORREF colour, unsigned percent) { m_image.BlendPalette(colour, percent); }
    void CopyFrom(const CPaletteDib& other);
    // Copies the whole image, unchanged, with its top left corner at x, y.
    void Draw(HDC dc, int x, int y);

    horolux::PaletteImage& Image() { return m_image; }
    const horolux::PaletteImage& Image() const { return m_image; }
    // Call after changing Image() wholesale: the next draw makes a section of the new size.
    void Reset();

private:
    struct Surface {
        fw::Bitmap section;
        void* bits = nullptr;
        fw::MemoryDC dc;
        fw::SelectObjectScope selected;  // declared last: deselected before dc and section go
    };
    bool MakeSurface(HDC compatibleWith);

    horolux::PaletteImage m_image;
    Surface m_surface;
};

}  // namespace ui
