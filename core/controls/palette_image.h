#pragma once
// An 8-bit-or-less device-independent image with its own colour table, laid out as Windows
// expects it (rows bottom-up, each padded to four bytes; table entries blue, green, red, 0), so
// the Win32 side can hand header, table and pixels to GDI as they are.
#include <cstdint>
#include <vector>

namespace horolux {

using Colour = std::uint32_t;  // 0x00BBGGRR

constexpr std::uint8_t RedOf(Colour c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t GreenOf(Colour c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t BlueOf(Colour c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}
constexpr Colour MakeColour(int r, int g, int b) {
    return static_cast<Colour>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

struct PaletteEntry {  // the layout of RGBQUAD
    std::uint8_t blue = 0, green = 0, red = 0, reserved = 0;
    bool operator==(const PaletteEntry&) const = default;
};

// Bytes in one stored row: width × bits rounded up to whole 32-bit words.
constexpr int DibStride(int width, int bitsPerPixel) {
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

// Colour table entries that a picture of this depth carries: 2, 16 or 256, none above 8 bits.
constexpr int PaletteSizeFor(int bitsPerPixel) {
    return bitsPerPixel == 1 ? 2 : bitsPerPixel == 4 ? 16 : bitsPerPixel == 8 ? 256 : 0;
}

class PaletteImage {
public:
    // A blank (all zero) image of 1, 4 or 8 bits per pixel; any other depth gives an empty image.
    void Create(int width, int height, int bitsPerPixel);
    // Indexes outside the table are ignored.
    void SetPaletteEntry(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    // Moves every entry percent of the way towards colour (above 100 counts as 100).
    void BlendPalette(Colour colour, unsigned percent);
    void CopyFrom(const PaletteImage& other);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitsPerPixel() const { return bitsPerPixel_; }
    int Stride() const { return DibStride(width_, bitsPerPixel_); }
    bool Empty() const { return pixels_.empty(); }

    const std::vector<PaletteEntry>& Palette() const { return palette_; }
    const std::vector<std::uint8_t>& Pixels() const { return pixels_; }
    std::vector<std::uint8_t>& Pixels() { return pixels_; }
    // Row j counts from the bottom, as stored.
    std::uint8_t* Row(int j) { return pixels_.data() + static_cast<std::size_t>(j) * Stride(); }
    const std::uint8_t* Row(int j) const {
        return pixels_.data() + static_cast<std::size_t>(j) * Stride();
    }

private:
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    std::vector<PaletteEntry> palette_;
    std::vector<std::uint8_t> pixels_;
};

}  // namespace horolux
