#pragma once
// The shaded button's face: a palette running from the shadow through the face to the
// highlight colour, and a soft-bump relief (light to the top left, dark to the bottom right)
// with a fine grain, all in whole-number arithmetic.
#include <array>
#include <cstdint>

#include "core/controls/palette_image.h"

namespace horolux {

struct ShadeColours {
    Colour shadow;     // COLOR_BTNSHADOW
    Colour face;       // COLOR_BTNFACE
    Colour highlight;  // COLOR_BTNHIGHLIGHT
};

// Entries 0..127 run from shadow towards face, 128..255 from just above face to highlight.
std::array<PaletteEntry, 256> SoftBumpPalette(const ShadeColours& colours);

// The relief's vertical and horizontal terms for stored row j (0 at the bottom) and column i.
int SoftBumpA(int j, int height);
int SoftBumpB(int i, int width);
// t³ scaled down twice by 128, truncating towards zero at each step.
int SoftBumpCube(int t);
// The relief value of a pixel before the grain: centred on 128, held within g and 255 − g.
int SoftBumpValue(int i, int j, int width, int height, int granularity);
// v plus the grain that r (0..32767) gives: within −g..+g of v and never outside 0..255.
std::uint8_t GrainedPixel(int v, int r, int granularity);

// A small deterministic generator of numbers from 0 to 32767 for the grain.
class GrainRandom {
public:
    explicit GrainRandom(std::uint32_t seed = 1) : state_(seed) {}
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    std::uint32_t state_;
};

struct SoftBumpParams {
    int granularity = 8;
    unsigned highlightPercent = 10;  // how much lighter the hover face is
    unsigned colouringPercent = 0;   // how far the palette moves towards colour
    Colour colour = 0;
};

// Builds the normal face (width × height, 8 bits per pixel) and the hover face, a copy whose
// palette is moved towards the highlight colour.
void BuildSoftBumpFaces(int width, int height, const ShadeColours& colours,
                        const SoftBumpParams& params, GrainRandom& random, PaletteImage& normal,
                        PaletteImage& hover);

}  // namespace horolux
