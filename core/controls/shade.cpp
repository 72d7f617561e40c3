#include "core/controls/shade.h"

#include <algorithm>

namespace horolux {
namespace {

int Mix(int from, int to, int weightOfTo) {  // weight out of 128
    return (from * (128 - weightOfTo) + to * weightOfTo) / 128;
}

PaletteEntry MixColours(Colour from, Colour to, int weightOfTo) {
    PaletteEntry e;
    e.red = static_cast<std::uint8_t>(Mix(RedOf(from), RedOf(to), weightOfTo));
    e.green = static_cast<std::uint8_t>(Mix(GreenOf(from), GreenOf(to), weightOfTo));
    e.blue = static_cast<std::uint8_t>(Mix(BlueOf(from), BlueOf(to), weightOfTo));
    return e;
}

}  // namespace

std::array<PaletteEntry, 256> SoftBumpPalette(const ShadeColours& c) {
    std::array<PaletteEntry, 256> p{};
    for (int i = 0; i <= 127; ++i) p[static_cast<std::size_t>(i)] = MixColours(c.shadow, c.face, i);
    for (int k = 1; k <= 128; ++k)
        p[static_cast<std::size_t>(127 + k)] = MixColours(c.face, c.highlight, k);
    return p;
}

int SoftBumpA(int j, int height) {
    return (j * 255) / height - 127;
}

int SoftBumpB(int i, int width) {
    return ((width - i) * 255) / width - 127;
}

int SoftBumpCube(int t) {
    return (t * t * t / 128) / 128;
}

int SoftBumpValue(int i, int j, int width, int height, int g) {
    const int a = SoftBumpA(j, height);
    const int b = SoftBumpB(i, width);
    int v = (SoftBumpCube(a) + SoftBumpCube(b)) * (128 - g) / 128 + 128;
    v = std::max(v, g);
    v = std::min(v, 255 - g);
    return v;
}

std::uint8_t GrainedPixel(int v, int r, int g) {
    const int n = g > 0 ? 32767 / (2 * g) : 32767;
    // For some granularities the largest r lands one step past +g, and without grain v may be
    // 255: hold the result to a byte rather than let it wrap.
    return static_cast<std::uint8_t>(std::clamp(v + r / n - g, 0, 255));
}

void BuildSoftBumpFaces(int width, int height, const ShadeColours& colours,
                        const SoftBumpParams& params, GrainRandom& random, PaletteImage& normal,
                        PaletteImage& hover) {
    normal.Create(width, height, 8);
    if (normal.Empty()) {
        hover.Create(0, 0, 0);
        return;
    }
    const auto palette = SoftBumpPalette(colours);
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry& e = palette[static_cast<std::size_t>(i)];
        normal.SetPaletteEntry(i, e.red, e.green, e.blue);
    }
    normal.BlendPalette(params.colour, params.colouringPercent);

    const int g = params.granularity;
    for (int j = 0; j < height; ++j) {
        std::uint8_t* row = normal.Row(j);
        for (int i = 0; i < width; ++i)
            row[i] = GrainedPixel(SoftBumpValue(i, j, width, height, g), random.Next(), g);
    }

    hover.CopyFrom(normal);
    hover.BlendPalette(colours.highlight, params.highlightPercent);
}

}  // namespace horolux
