#include "ui/controls/dib_picture.h"

#include <cstring>
#include <new>

#include "core/controls/palette_image.h"

namespace ui {

namespace {

// Draws with the picture's palette realised, as its colours need on a palette display.
class RealizedPalette {
public:
    RealizedPalette(HDC dc, HPALETTE palette) : select_(dc, palette, false) {
        if (palette) RealizePalette(dc);
    }

private:
    fw::SelectPaletteScope select_;
};

}  // namespace

const BITMAPINFOHEADER* CDibPicture::Header() const {
    return m_info.empty() ? nullptr : reinterpret_cast<const BITMAPINFOHEADER*>(m_info.data());
}

const BITMAPINFO* CDibPicture::Info() const {
    return m_info.empty() ? nullptr : reinterpret_cast<const BITMAPINFO*>(m_info.data());
}

int CDibPicture::Width() const {
    return Header() ? Header()->biWidth : 0;
}

int CDibPicture::Height() const {
    return Header() ? Header()->biHeight : 0;
}

int CDibPicture::BitsPerPixel() const {
    return Header() ? Header()->biBitCount : 0;
}

void CDibPicture::Clear() {
    m_tileBrush.Reset();
    m_smooth = Resampled();
    m_smoothTileBrush.Reset();
    m_info.clear();
    m_bits.clear();
    m_palette.Reset();
}

bool CDibPicture::LoadResource(UINT resourceId) {
    fw::Bitmap loaded(
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId),
                                        IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!loaded) return false;
    BITMAP bm{};
    if (!GetObjectA(loaded.Get(), sizeof bm, &bm)) return false;

    const int bits = bm.bmBitsPixel <= 8 ? bm.bmBitsPixel : 24;
    const int rowSize = horolux::DibStride(bm.bmWidth, bits);
    const int entries = horolux::PaletteSizeFor(bits);
    try {
        m_tileBrush.Reset();
        m_smooth = Resampled();
        m_smoothTileBrush.Reset();
        m_palette.Reset();
        m_bits.assign(static_cast<size_t>(rowSize) * static_cast<size_t>(bm.bmHeight), 0);
        m_info.assign(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * static_cast<size_t>(entries), 0);
    } catch (const std::bad_alloc&) {
        Clear();
        return false;
    }
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(m_info.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = bm.bmWidth;
    header->biHeight = bm.bmHeight;
    header->biPlanes = bm.bmPlanes;
    header->biBitCount = static_cast<WORD>(bits);
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(rowSize * bm.bmHeight);

    int rows = 0;
    {
        fw::WindowDC desktop(GetDesktopWindow());
        rows = GetDIBits(desktop, loaded.Get(), 0, static_cast<UINT>(bm.bmHeight), m_bits.data(),
                         reinterpret_cast<BITMAPINFO*>(m_info.data()), DIB_RGB_COLORS);
    }
    if (rows != bm.bmHeight) {
        Clear();
        return false;
    }
    MakePalette();
    return true;
}

void CDibPicture::MakePalette() {
    m_palette.Reset();
    const BITMAPINFOHEADER* header = Header();
    if (!header || header->biBitCount > 8) return;
    const int entries =
        header->biClrUsed ? static_cast<int>(header->biClrUsed) : 1 << header->biBitCount;
    std::vector<std::uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * entries, 0);
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = static_cast<WORD>(entries);
    const auto* table = reinterpret_cast<const RGBQUAD*>(m_info.data() + header->biSize);
    for (int i = 0; i < entries; ++i) {
        log->palPalEntry[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    }
    m_palette.Reset(CreatePalette(log));
}

// The picture as a pattern brush, made on first use.
HBRUSH CDibPicture::TileBrush() const {
    if (!m_tileBrush && HasPixels()) {
        std::vector<std::uint8_t> packed(m_info);  // header, colour table and rows in one block
        packed.insert(packed.end(), m_bits.begin(), m_bits.end());
        m_tileBrush.Reset(CreateDIBPatternBrushPt(packed.data(), DIB_RGB_COLORS));
    }
    return m_tileBrush.Get();
}

void CDibPicture::Paint(HDC dc, const RECT& dest, POINT src) const {
    if (!HasPixels()) return;
    RealizedPalette palette(dc, m_palette.Get());
    const int width = dest.right - dest.left;
    const int height = dest.bottom - dest.top;
    // Rows are stored bottom-up, so the source is counted from the picture's bottom edge.
    SetDIBitsToDevice(dc, dest.left, dest.top, static_cast<DWORD>(width),
                      static_cast<DWORD>(height), src.x, Height() - src.y - height, 0,
                      static_cast<UINT>(Height()), m_bits.data(), Info(), DIB_RGB_COLORS);
}

void CDibPicture::Draw(HDC dc, int x, int y, int width, int height) const {
    if (!HasPixels()) return;
    RealizedPalette palette(dc, m_palette.Get());
    // Colour-on-colour also for pictures without a palette: the default mode ANDs the rows
    // that a shrink drops into their neighbours and darkens a photograph.
    fw::StretchModeScope mode(dc, COLORONCOLOR);
    StretchDIBits(dc, x, y, width, height, 0, 0, Width(), Height(), m_bits.data(), Info(),
                  DIB_RGB_COLORS, SRCCOPY);
}

void CDibPicture::DrawAt(HDC dc, int x, int y) const {
    Draw(dc, x, y, Width(), Height());
}

void CDibPicture::Tile(HDC dc, const RECT& area) const {
    // One fill with a pattern brush gives the same as a copy at every multiple of the size,
    // where a small pattern would take thousands of copies per repaint.
    HBRUSH brush = TileBrush();
    if (!brush) return;
    RealizedPalette palette(dc, m_palette.Get());
    POINT origin{area.left, area.top};
    LPtoDP(dc, &origin, 1);  // brush origins are in device units
    POINT old{};
    SetBrushOrgEx(dc, origin.x, origin.y, &old);
    FillRect(dc, &area, brush);
    SetBrushOrgEx(dc, old.x, old.y, nullptr);
}

namespace {

// A 24-bit section to draw into, with its own device context.
struct Section {
    Section(int width, int height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;  // bottom-up, as the packed copy keeps it
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        fw::WindowDC screen(nullptr);
        bitmap.Reset(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        dc = fw::MemoryDC(screen);
        if (bitmap && dc) select = fw::SelectObjectScope(dc, bitmap.Get());
    }
    bool Ok() const { return bitmap && dc && bits; }

    fw::Bitmap bitmap;
    void* bits = nullptr;
    fw::MemoryDC dc;
    fw::SelectObjectScope select;  // last: deselected before the others go
};

}  // namespace

CDibPicture::Resampled CDibPicture::Resample(int width, int height, int tiles) const {
    Resampled out;
    if (!HasPixels() || width <= 0 || height <= 0 || tiles <= 0) return out;
    // The source, tiles × tiles copies side by side: a tile resampled amid its neighbours has
    // edges that meet the next copy without a seam.
    Section source(Width() * tiles, Height() * tiles);
    Section target(width * tiles, height * tiles);
    if (!source.Ok() || !target.Ok()) return out;
    for (int ty = 0; ty < tiles; ++ty)
        for (int tx = 0; tx < tiles; ++tx)
            SetDIBitsToDevice(source.dc, tx * Width(), ty * Height(), static_cast<DWORD>(Width()),
                              static_cast<DWORD>(Height()), 0, 0, 0, static_cast<UINT>(Height()),
                              m_bits.data(), Info(), DIB_RGB_COLORS);
    {
        // Halftone: each target pixel weighs the source pixels it covers (smooth, not blocks).
        fw::StretchModeScope mode(target.dc, HALFTONE);
        SetBrushOrgEx(target.dc, 0, 0, nullptr);
        StretchBlt(target.dc, 0, 0, width * tiles, height * tiles, source.dc, 0, 0, Width() * tiles,
                   Height() * tiles, SRCCOPY);
    }
    GdiFlush();

    const int rowSize = horolux::DibStride(width, 24);
    const int targetRowSize = horolux::DibStride(width * tiles, 24);
    out.width = width;
    out.height = height;
    out.packed.assign(sizeof(BITMAPINFOHEADER) + static_cast<size_t>(rowSize) * height, 0);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(out.packed.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(rowSize * height);
    // The middle tile (the whole picture when there is one): rows counted from the bottom.
    const int first = tiles / 2;
    const auto* from = static_cast<const std::uint8_t*>(target.bits);
    for (int row = 0; row < height; ++row)
        std::memcpy(
            out.packed.data() + sizeof(BITMAPINFOHEADER) + static_cast<size_t>(row) * rowSize,
            from + static_cast<size_t>(first * height + row) * targetRowSize +
                static_cast<size_t>(first * width) * 3,
            static_cast<size_t>(width) * 3);
    return out;
}

void CDibPicture::DrawSmooth(HDC dc, int x, int y, int width, int height) const {
    if (!HasPixels()) return;
    if (m_smooth.width != width || m_smooth.height != height) m_smooth = Resample(width, height, 1);
    if (m_smooth.packed.empty()) {  // no memory for the copy: at least the plain stretch
        Draw(dc, x, y, width, height);
        return;
    }
    SetDIBitsToDevice(dc, x, y, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                      static_cast<UINT>(height), m_smooth.Bits(), m_smooth.Info(), DIB_RGB_COLORS);
}

void CDibPicture::TileSmooth(HDC dc, const RECT& area, int tileWidth, int tileHeight) const {
    if (!HasPixels()) return;
    if (!m_smoothTileBrush || m_smoothTileSize.cx != tileWidth ||
        m_smoothTileSize.cy != tileHeight) {
        const Resampled tile = Resample(tileWidth, tileHeight, 3);
        m_smoothTileBrush.Reset(tile.packed.empty()
                                    ? nullptr
                                    : CreateDIBPatternBrushPt(tile.packed.data(), DIB_RGB_COLORS));
        m_smoothTileSize = {tileWidth, tileHeight};
    }
    if (!m_smoothTileBrush) {
        Tile(dc, area);
        return;
    }
    POINT origin{area.left, area.top};
    LPtoDP(dc, &origin, 1);  // brush origins are in device units
    POINT old{};
    SetBrushOrgEx(dc, origin.x, origin.y, &old);
    FillRect(dc, &area, m_smoothTileBrush.Get());
    SetBrushOrgEx(dc, old.x, old.y, nullptr);
}

}  // namespace ui
