#include "ui/controls/dib_picture.h"

#include <cstring>
#include <new>

#include "core/controls/palette_image.h"

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
