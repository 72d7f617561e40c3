#include "core/controls/palette_image.h"

#include <algorithm>

namespace horolux {

void PaletteImage::Create(int width, int height, int bitsPerPixel) {
    const int entries = PaletteSizeFor(bitsPerPixel);
    if (width <= 0 || height <= 0 || entries == 0) {
        *this = PaletteImage{};
        return;
    }
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    palette_.assign(static_cast<std::size_t>(entries), PaletteEntry{});
    pixels_.assign(static_cast<std::size_t>(Stride()) * static_cast<std::size_t>(height), 0);
}

void PaletteImage::SetPaletteEntry(int index, std::uint8_t red, std::uint8_t green,
                                   std::uint8_t blue) {
    if (index < 0 || index >= static_cast<int>(palette_.size())) return;
    palette_[static_cast<std::size_t>(index)] = {blue, green, red, 0};
}

void PaletteImage::BlendPalette(Colour colour, unsigned percent) {
    const int p = static_cast<int>(std::min(percent, 100u));
    auto mix = [p](int toward, int channel) {
        return static_cast<std::uint8_t>((toward * p + channel * (100 - p)) / 100);
    };
    for (PaletteEntry& e : palette_) {
        e.red = mix(RedOf(colour), e.red);
        e.green = mix(GreenOf(colour), e.green);
        e.blue = mix(BlueOf(colour), e.blue);
    }
}

void PaletteImage::CopyFrom(const PaletteImage& other) {
    *this = other;
}

}  // namespace horolux
