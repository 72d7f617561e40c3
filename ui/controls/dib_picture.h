#pragma once
// CDibPicture: a device-independent copy of a bitmap resource with its own colour palette,
// drawn 1:1, stretched or at its own size.
#include <cstdint>
#include <vector>

#include "framework/gdi.h"

namespace ui {

class CDibPicture {
public:
    CDibPicture() = default;
    CDibPicture(const CDibPicture&) = delete;
    CDibPicture& operator=(const CDibPicture&) = delete;
    virtual ~CDibPicture() = default;

    // Copies the part of the picture at src (from its top left) into dest at 1:1.
    virtual void Paint(HDC dc, const RECT& dest, POINT src) const;
    // The whole picture stretched into the rectangle.
    virtual void Draw(HDC dc, int x, int y, int width, int height) const;
    // The whole picture at its own size.
    virtual void DrawAt(HDC dc, int x, int y) const;
    // The area filled with copies of the picture side by side, the first at its top left.
    void Tile(HDC dc, const RECT& area) const;

    // For a display scale above 96 DPI, where copying pixels as they are would show them as
    // blocks: the picture resampled smoothly to width × height (kept, so that a repaint of the
    // same size is a plain copy), and the area tiled with copies resampled to the tile size,
    // seamlessly.
    void DrawSmooth(HDC dc, int x, int y, int width, int height) const;
    void TileSmooth(HDC dc, const RECT& area, int tileWidth, int tileHeight) const;

    // Loads a bitmap resource of the program; on failure the previous picture stays, except
    // when memory runs out or GDI refuses the copy, which leaves no picture.
    bool LoadResource(UINT resourceId);
    void Clear();

    bool HasPixels() const { return !m_bits.empty(); }
    int Width() const;
    int Height() const;
    int BitsPerPixel() const;
    HPALETTE Palette() const { return m_palette.Get(); }
    const BITMAPINFO* Info() const;
    const std::vector<std::uint8_t>& Bits() const { return m_bits; }

private:
    // A 24-bit bottom-up copy of some size: header and rows, as a packed DIB holds them.
    struct Resampled {
        int width = 0, height = 0;
        std::vector<std::uint8_t> packed;
        const BITMAPINFO* Info() const {
            return reinterpret_cast<const BITMAPINFO*>(packed.data());
        }
        const std::uint8_t* Bits() const { return packed.data() + sizeof(BITMAPINFOHEADER); }
    };
    // The picture (tiles × tiles copies of it) stretched smoothly to width × height.
    Resampled Resample(int width, int height, int tiles) const;
    const BITMAPINFOHEADER* Header() const;
    void MakePalette();
    HBRUSH TileBrush() const;

    std::vector<std::uint8_t> m_info;  // header, then 2, 16 or 256 colour table entries
    std::vector<std::uint8_t> m_bits;  // rows bottom-up, each padded to four bytes
    fw::Palette m_palette;             // only for 8 bits per pixel or fewer
    mutable fw::Brush m_tileBrush;
    mutable Resampled m_smooth;
    mutable fw::Brush m_smoothTileBrush;
    mutable SIZE m_smoothTileSize{};
};

}  // namespace ui
