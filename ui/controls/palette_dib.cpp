#include "ui/controls/palette_dib.h"

#include <cstring>
#include <vector>

namespace ui {

namespace {

// Header and colour table as one block, as CreateDIBSection takes them.
std::vector<BYTE> InfoBlock(const horolux::PaletteImage& image) {
    const auto& palette = image.Palette();
    std::vector<BYTE> block(sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * palette.size(), 0);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = image.Width();
    header->biHeight = image.Height();  // positive: bottom row first
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(image.BitsPerPixel());
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(image.Stride() * image.Height());
    static_assert(sizeof(horolux::PaletteEntry) == sizeof(RGBQUAD));
    if (!palette.empty())
        std::memcpy(block.data() + sizeof(BITMAPINFOHEADER), palette.data(),
                    sizeof(RGBQUAD) * palette.size());
    return block;
}

}  // namespace

void CPaletteDib::Create(int width, int height, int bitsPerPixel) {
    m_image.Create(width, height, bitsPerPixel);
    Reset();
}

void CPaletteDib::CopyFrom(const CPaletteDib& other) {
    m_image.CopyFrom(other.m_image);
    Reset();
}

void CPaletteDib::Reset() {
    // Deselect before the device context goes, and that before the section it holds.
    m_surface.selected = fw::SelectObjectScope();
    m_surface.dc = fw::MemoryDC();
    m_surface.section.Reset();
    m_surface.bits = nullptr;
}

bool CPaletteDib::MakeSurface(HDC compatibleWith) {
    const std::vector<BYTE> info = InfoBlock(m_image);
    void* bits = nullptr;
    fw::Bitmap section(CreateDIBSection(compatibleWith,
                                        reinterpret_cast<const BITMAPINFO*>(info.data()),
                                        DIB_RGB_COLORS, &bits, nullptr, 0));
    fw::MemoryDC dc(compatibleWith);
    if (!section || !bits || !dc) return false;
    Reset();
    m_surface.section = std::move(section);
    m_surface.dc = std::move(dc);
    m_surface.bits = bits;
    m_surface.selected = fw::SelectObjectScope(m_surface.dc, m_surface.section.Get());
    return true;
}

void CPaletteDib::Draw(HDC dc, int x, int y) {
    if (m_image.Empty()) return;
    if (!m_surface.dc && !MakeSurface(dc)) return;
    // The palette may have been blended since the section was made.
    const auto& palette = m_image.Palette();
    SetDIBColorTable(m_surface.dc, 0, static_cast<UINT>(palette.size()),
                     reinterpret_cast<const RGBQUAD*>(palette.data()));
    std::memcpy(m_surface.bits, m_image.Pixels().data(), m_image.Pixels().size());
    GdiFlush();
    BitBlt(dc, x, y, m_image.Width(), m_image.Height(), m_surface.dc, 0, 0, SRCCOPY);
}

}  // namespace ui
